// The section list and the writer of map files.
#include "sectionfile.h"

#include <stdlib.h>
#include <string.h>

#include "littleendian.h"
#include "outputfile.h"

namespace {

// Output buffer size: data blocks are written straight from memory, so the
// buffer only gathers headers and small sections into fewer writes.
constexpr size_t kOutputBuffer = size_t(1) << 16;

// Orders data blocks by address, so that freesections sees the sections
// sharing a block side by side.
int compareaddresses(const void *a, const void *b) {
  uintptr_t x = reinterpret_cast<uintptr_t>(*static_cast<uint8_t *const *>(a));
  uintptr_t y = reinterpret_cast<uintptr_t>(*static_cast<uint8_t *const *>(b));
  return x < y ? -1 : x > y ? 1 : 0;
}

// Frees each data block of the list once, however many sections share it.
void freeblocks(const SectionList *list) {
  size_t count = 0;
  for (const Section *section = list->head; section != nullptr; section = section->next)
    if (section->data != nullptr) count++;
  uint8_t **blocks = nullptr;
  if (count > 0) blocks = static_cast<uint8_t **>(malloc(count * sizeof *blocks));
  if (blocks != nullptr) {
    size_t n = 0;
    for (const Section *section = list->head; section != nullptr; section = section->next)
      if (section->data != nullptr) blocks[n++] = section->data;
    qsort(blocks, n, sizeof *blocks, compareaddresses);
    for (size_t i = 0; i < n; i++)
      if (i == 0 || blocks[i] != blocks[i - 1]) free(blocks[i]);
    free(blocks);
    return;
  }
  // No memory for the sort: free each block at the first section that holds
  // it, at the cost of a quadratic search.
  for (const Section *section = list->head; section != nullptr; section = section->next) {
    if (section->data == nullptr) continue;
    bool seen = false;
    for (const Section *earlier = list->head; earlier != section; earlier = earlier->next)
      if (earlier->data == section->data) seen = true;
    if (!seen) free(section->data);
  }
}

// Writes a section's data: its block, or its pattern block again and again
// up to its length.
bool writedata(const Section *section, FILE *file) {
  // 64 bits: the last step may pass the 32-bit range of the length.
  const uint64_t block = section->repeat != 0 ? section->repeat : section->length;
  for (uint64_t done = 0; done < section->length; done += block) {
    size_t step = size_t(section->length - done < block ? section->length - done : block);
    if (fwrite(section->data, 1, step, file) != step) return false;
  }
  return true;
}

}  // namespace

void appendsection(SectionList *list, Section *section) {
  if (list->tail != nullptr)
    list->tail->next = section;
  else
    list->head = section;
  list->tail = section;
}

WriteOutcome writesectionfile(const SectionList *list, const char *filename,
                              SectionWriteHook written, void *context) {
  WriteOutcome outcome = {kWriteWhole, nullptr, noerror()};
  // A length without its block would have to be read from nowhere, and a
  // header without its data would corrupt every section after it.
  for (const Section *section = list->head; section != nullptr; section = section->next) {
    if (section->length != 0 && section->data == nullptr) {
      outcome.status = kWriteNoData;
      outcome.section = section;
      return outcome;
    }
  }
  OutputFile out;
  if (!openoutputfile(filename, &out, ".trevalk", &outcome.error)) {
    outcome.status = kWriteNotOpened;
    return outcome;
  }
  char buffer[kOutputBuffer];
  setvbuf(out.file, buffer, _IOFBF, sizeof buffer);
  bool whole = true;
  for (const Section *section = list->head; section != nullptr; section = section->next) {
    uint8_t header[8];
    memcpy(header, section->name, 4);
    writele32(header + 4, section->length);
    SectionWrite step = kSectionWritten;
    if (fwrite(header, 1, sizeof header, out.file) != sizeof header)
      step = kSectionHeaderFailed;
    else if (section->length != 0 && !writedata(section, out.file))
      step = kSectionDataFailed;
    const SystemError error = step == kSectionWritten ? noerror() : lasterror();
    if (step != kSectionWritten) whole = false;
    if (written != nullptr) written(section, step, error, context);
  }
  switch (commitoutputfile(&out, whole, &outcome.error)) {
    case kCommitted:
      break;
    case kCommitAbandoned:
      outcome.status = kWriteSectionsFailed;
      break;
    case kCommitCloseFailed:
      outcome.status = kWriteCloseFailed;
      break;
    case kCommitReplaceFailed:
      outcome.status = kWriteReplaceFailed;
      break;
  }
  return outcome;
}

void freesections(SectionList *list) {
  freeblocks(list);
  Section *section = list->head;
  while (section != nullptr) {
    Section *next = section->next;
    free(section);
    section = next;
  }
  list->head = nullptr;
  list->tail = nullptr;
}
