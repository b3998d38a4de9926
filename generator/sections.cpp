#include "sections.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "progress.h"
#include "report.h"
#include "runtext.h"

// The run's one list and the six sections it rebuilds, program-wide: the
// reading, the rebuilding and the writing of a run all work on them.
SectionList sectionlist = {nullptr, nullptr};
Section *cTile = nullptr;
Section *cIsom = nullptr;
Section *cEra = nullptr;
Section *cDim = nullptr;
Section *cMask = nullptr;
Section *cMtxm = nullptr;

namespace {

// Word number `which` of the first `count` bytes of data, as if zero bytes
// followed them.
uint16_t wordat(const uint8_t *data, size_t count, size_t which) {
  size_t low = which * 2;
  unsigned value = 0;
  if (low < count) value = data[low];
  if (low + 1 < count) value |= unsigned(data[low + 1]) << 8;
  return uint16_t(value);
}

void printword(long long index, uint16_t value) {
  char bits[17];
  for (int k = 0; k < 16; k++) bits[k] = (value >> (15 - k)) & 1 ? '1' : '0';
  bits[16] = '\0';
  fprintf(runtext, "%5lld %s %4X %5u\n", index, bits, unsigned(value), unsigned(value));
}

// Remembers a section of a rebuilt name and prints the diagnostics of the
// names that have them, using only the `count` bytes of data that came,
// after the report of why fewer came than its length claims.
void examine(Section *section, size_t count, const SystemError *failure, void *) {
  if (failure != nullptr) reportfailure("fread", *failure);
  const char *name = section->name;
  const uint8_t *data = section->data;
  if (memcmp(name, "TILE", 4) == 0) {
    cTile = section;
  } else if (memcmp(name, "ISOM", 4) == 0) {
    cIsom = section;
    fprintf(runtext, "ISOM length=%" PRIu32 " first word=%u\n", section->length,
            unsigned(wordat(data, count, 0)));
  } else if (memcmp(name, "THG2", 4) == 0) {
    fprintf(runtext, "THG2 %" PRIu32 "\n", section->length);
    for (size_t i = 0; i < count; i++) printword((long long)i, data[i]);
  } else if (memcmp(name, "ERA ", 4) == 0) {
    cEra = section;
  } else if (memcmp(name, "DIM ", 4) == 0) {
    cDim = section;
  } else if (memcmp(name, "MASK", 4) == 0) {
    cMask = section;
    fprintf(runtext, "MASK %" PRIu32 "\n", section->length);
    printword(0, wordat(data, count, 0));
    printword(1, wordat(data, count, 1));
  } else if (memcmp(name, "MTXM", 4) == 0) {
    cMtxm = section;
  }
}

}  // namespace

ReadStatus readtemplate(const char *filename) {
  SystemError error;
  const ReadStatus status =
      readsectionfile(filename, &sectionlist, nullptr, examine, nullptr, &error);
  // A template that does not open has a message of its own.
  if (status != kReadNoFile && failed(error)) reportfailure("fread", error);
  return status;
}

void worddump(int index, uint16_t value) { printword(index, value); }

namespace {

// How many of the list's sections are written, for the host's progress.
struct WriteProgress {
  uint32_t done, total;
};

// The progress line of a section written, and the report of its write when
// it failed.
void written(const Section *section, SectionWrite step, const SystemError &error, void *context) {
  WriteProgress *progress = static_cast<WriteProgress *>(context);
  reportprogress(kProgressWriting, ++progress->done, progress->total);
  char address[2 * sizeof(uintptr_t) + 1] = "0";
  if (section->data != nullptr)
    snprintf(address, sizeof address, "%" PRIXPTR, reinterpret_cast<uintptr_t>(section->data));
  fprintf(runtext, "[%4.4s] writing %8" PRIu32 " from %s\n", section->name, section->length,
          address);
  if (step == kSectionHeaderFailed) reportfailure("fwrite header", error);
  if (step == kSectionDataFailed) reportfailure("fwrite data", error);
}

}  // namespace

bool writesections(const char *filename) {
  WriteProgress progress = {0, 0};
  for (const Section *s = sectionlist.head; s != nullptr; s = s->next) ++progress.total;
  const WriteOutcome outcome = writesectionfile(&sectionlist, filename, written, &progress);
  switch (outcome.status) {
    case kWriteWhole:
      return true;
    case kWriteNoData:
      errormessage("%s: section [%4.4s] of length %" PRIu32 " has no data\n", filename,
                   outcome.section->name, outcome.section->length);
      break;
    case kWriteNotOpened:
    case kWriteReplaceFailed:
      reportfailure(filename, outcome.error);
      break;
    case kWriteCloseFailed:
      reportfailure("fclose", outcome.error);
      break;
    case kWriteSectionsFailed:
      break;
  }
  return false;
}

void clearsections() {
  freesections(&sectionlist);
  cTile = cIsom = cEra = cDim = cMask = cMtxm = nullptr;
}
