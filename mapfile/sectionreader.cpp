// Reading a map file into a section list, one step at a time: a header, then
// its data loaded into a block or passed over. Every step works on one reader
// record that holds the file, the position and the outcome so far. Nothing
// is printed: what failed goes to the caller, with the section it belongs to
// or as the reason the reading ended.
#include <stdlib.h>
#include <string.h>

#include "files.h"
#include "largeblock.h"
#include "littleendian.h"
#include "sectionfile.h"

namespace {

// Input whose size is unknown (a pipe, a device) gets its data block in steps
// of at least this size, so a corrupt length costs memory only for the bytes
// that really come.
constexpr size_t kGrowthStep = size_t(1) << 20;

struct SectionReader {
  FILE *file;
  bool regular;       // a regular file: its size is known and data is passed over by seeking
  uint64_t size;      // of a regular file
  uint64_t position;  // bytes consumed so far
  ReadStatus status;  // the last failure so far; kReadWhole while there is none
  bool stopped;       // a failure after which the next header cannot be found
  SystemError sectionfailure;  // why the data of the section being read came short
  SystemError endfailure;      // why no further header could be read
};

// The bytes a regular file holds after the position.
uint64_t remaining(const SectionReader &reader) {
  return reader.size > reader.position ? reader.size - reader.position : 0;
}

// Records a failure; the last one counts.
void fail(SectionReader *reader, ReadStatus status, bool stop) {
  reader->status = status;
  if (stop) reader->stopped = true;
}

// A section's data ended early, or could not be read.
void failsection(SectionReader *reader, ReadStatus status, const SystemError &why, bool stop) {
  reader->sectionfailure = why;
  fail(reader, status, stop);
}

void failshort(SectionReader *reader, bool stop) {
  failsection(reader, kReadShort, errortext("unexpected end of file"), stop);
}

// True while another header may follow.
bool moretoread(const SectionReader &reader) { return !reader.stopped && !feof(reader.file); }

// Reads the next header into `section`, which then has no data yet. Returns
// false at the end of the file, where 1 to 7 bytes too few for a header are
// dropped, and when the read fails.
bool readheader(SectionReader *reader, Section *section) {
  uint8_t header[8];
  if (fread(header, 1, sizeof header, reader->file) != sizeof header) {
    if (ferror(reader->file)) {
      reader->endfailure = lasterror();
      fail(reader, kReadFailed, true);
    }
    return false;
  }
  reader->position += sizeof header;
  memcpy(section->name, header, 4);
  section->length = readle32(header + 4);
  section->data = nullptr;
  section->next = nullptr;
  section->repeat = 0;
  return true;
}

// Consumes up to `length` bytes by reading them; returns how many there were.
uint64_t readpast(FILE *file, uint64_t length) {
  uint8_t skipped[4096];
  uint64_t left = length;
  while (left > 0) {
    size_t step = left < sizeof skipped ? size_t(left) : sizeof skipped;
    size_t got = fread(skipped, 1, step, file);
    left -= got;
    if (got < step) break;
  }
  return length - left;
}

// Passes over the data of a section that is not wanted: by a seek in a
// regular file, by reading it elsewhere.
void passdata(SectionReader *reader, const Section &section) {
  const uint64_t left = remaining(*reader);
  uint64_t passed = 0;
  if (reader->regular) {
    passed = left < section.length ? left : section.length;
    if (!seekforward(reader->file, passed)) passed = 0;
  } else {
    passed = readpast(reader->file, section.length);
  }
  reader->position += passed;
  if (passed == section.length) return;
  if (ferror(reader->file) || (reader->regular && passed < left)) {
    failsection(reader, kReadFailed, lasterror(), true);
  } else {
    // A seek does not meet the end of the file; the reading ends here.
    failshort(reader, reader->regular);
  }
}

enum BlockOutcome {
  kBlockWhole,    // every byte the length claims came
  kBlockShort,    // fewer came: the file ended or a read failed
  kBlockNone,     // no block could be allocated; nothing was consumed
  kBlockNoGrowth  // a larger block could not be allocated after bytes were consumed
};

// Reads a section's data into a new block of `firstsize` bytes (at most its
// length), growing it only while the block is full, the length claims more
// and more bytes really follow. A short block is cut down to the bytes that
// came, and when none came, there is no block. Sets *count to the bytes the block holds and
// *readerror to the error of a failed read.
BlockOutcome readblock(FILE *file, Section *section, size_t firstsize, size_t *count,
                       SystemError *readerror) {
  const uint32_t length = section->length;
  uint8_t *data = nullptr;
  size_t size = firstsize;
  size_t filled = 0;
  *count = 0;
  *readerror = noerror();
  if (size > 0) {
    data = allocatelargeblock(size);
    if (data == nullptr) return kBlockNone;
  }
  for (;;) {
    if (filled < size) {
      filled += fread(data + filled, 1, size - filled, file);
      if (filled < size) break;
    }
    if (size == length) break;
    int next = getc(file);
    if (next == EOF) break;
    ungetc(next, file);
    size_t step = size > kGrowthStep ? size : kGrowthStep;
    size_t grown = length - size > step ? size + step : size_t(length);
    void *bigger = realloc(data, grown);
    if (bigger == nullptr) {
      free(data);
      return kBlockNoGrowth;
    }
    data = static_cast<uint8_t *>(bigger);
    size = grown;
  }
  if (filled < length && ferror(file)) *readerror = lasterror();
  if (filled == 0) {
    free(data);
    data = nullptr;
  } else if (filled < size) {
    void *smaller = realloc(data, filled);
    if (smaller != nullptr) data = static_cast<uint8_t *>(smaller);
  }
  section->data = data;
  *count = filled;
  return filled == length ? kBlockWhole : kBlockShort;
}

// Loads a section's data into a block of its own. Returns the number of bytes
// that came.
size_t loaddata(SectionReader *reader, Section *section) {
  // A length past the end of a regular file cannot be filled, so the block
  // starts at what the file still holds.
  uint64_t firstsize = section->length;
  if (reader->regular) {
    if (remaining(*reader) < firstsize) firstsize = remaining(*reader);
  } else if (firstsize > kGrowthStep) {
    firstsize = kGrowthStep;
  }
  size_t count = 0;
  SystemError readerror = noerror();
  switch (readblock(reader->file, section, size_t(firstsize), &count, &readerror)) {
    case kBlockWhole:
      break;
    case kBlockShort:
      if (failed(readerror)) {
        failsection(reader, kReadFailed, readerror, true);
      } else {
        failshort(reader, false);
      }
      break;
    case kBlockNone:
      // Skip the data, or it would be read as the next headers and the
      // shortage reported as a damaged file.
      reader->position += readpast(reader->file, section->length);
      fail(reader, kReadNoMemory, false);
      break;
    case kBlockNoGrowth:
      // Part of the data is gone, so the next header cannot be found.
      fail(reader, kReadNoMemory, true);
      break;
  }
  reader->position += count;
  return count;
}

}  // namespace

ReadStatus readsectionfile(const char *filename, SectionList *list, SectionFilter wanted,
                           SectionHook hook, void *context, SystemError *error) {
  SectionReader reader = {};
  reader.file = openfile(filename, "rb");
  if (reader.file == nullptr) {
    *error = lasterror();
    return kReadNoFile;
  }
  FileFacts facts;
  reader.regular = openfilefacts(reader.file, &facts) && facts.regular;
  reader.size = reader.regular ? facts.size : 0;
  reader.status = kReadWhole;

  while (moretoread(reader)) {
    Section *section = static_cast<Section *>(malloc(sizeof(Section)));
    if (section == nullptr) {
      fail(&reader, kReadNoMemory, true);
      break;
    }
    if (!readheader(&reader, section)) {
      free(section);
      break;
    }
    size_t arrived = 0;
    if (section->length != 0 && wanted != nullptr && !wanted(section, context))
      passdata(&reader, *section);
    else if (section->length != 0)
      arrived = loaddata(&reader, section);
    appendsection(list, section);
    const SystemError failure = reader.sectionfailure;
    reader.sectionfailure = noerror();
    if (hook != nullptr) hook(section, arrived, failed(failure) ? &failure : nullptr, context);
  }
  fclose(reader.file);
  *error = reader.endfailure;
  return reader.status;
}
