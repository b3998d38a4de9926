#include "sectionfile.h"

#include <errno.h>
#include <inttypes.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "datablock.h"
#include "littleendian.h"
#include "outputfile.h"
#include "report.h"

namespace {

// Input whose size is unknown (a pipe, a device) gets its data block in steps
// of at least this size, so a corrupt length costs memory only for the bytes
// that really come.
constexpr size_t kGrowthStep = size_t(1) << 20;

// Output buffer size: data blocks are written straight from memory, so the
// buffer only gathers headers and small sections into fewer writes.
constexpr size_t kOutputBuffer = size_t(1) << 16;

// True for a regular file, with its size; pipes and devices have no size to
// trust.
bool regularfilesize(FILE *file, uint64_t *size) {
#ifdef _WIN32
  struct _stat64 info;
  if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return false;
#else
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return false;
#endif
  *size = info.st_size > 0 ? uint64_t(info.st_size) : 0;
  return true;
}

// Moves `distance` bytes on in a regular file.
bool seekforward(FILE *file, uint64_t distance) {
#ifdef _WIN32
  return _fseeki64(file, int64_t(distance), SEEK_CUR) == 0;
#else
  return fseeko(file, off_t(distance), SEEK_CUR) == 0;
#endif
}

enum DataOutcome {
  kDataWhole,    // every byte the header claims came
  kDataShort,    // fewer came: the file ended or a read failed
  kDataNoBlock,  // no block could be allocated; nothing was consumed
  kDataNoGrowth  // a larger block could not be allocated after bytes were consumed
};

// Reads a section's data into a new block of firstsize bytes (at most
// length), growing it only while the block is full, the header claims more and
// more bytes really follow. A short block is cut down to the bytes that came.
DataOutcome readdata(FILE *file, uint32_t length, size_t firstsize, uint8_t **block, size_t *filled,
                     int *readerror) {
  uint8_t *data = nullptr;
  size_t size = firstsize;
  size_t count = 0;
  *block = nullptr;
  *filled = 0;
  *readerror = 0;
  if (size > 0) {
    data = allocatedatablock(size);
    if (data == nullptr) return kDataNoBlock;
  }
  for (;;) {
    if (count < size) {
      count += fread(data + count, 1, size - count, file);
      if (count < size) break;
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
      return kDataNoGrowth;
    }
    data = static_cast<uint8_t *>(bigger);
    size = grown;
  }
  if (count < length && ferror(file)) *readerror = errno != 0 ? errno : EIO;
  if (count == 0) {
    free(data);
    data = nullptr;
  } else if (count < size) {
    void *smaller = realloc(data, count);
    if (smaller != nullptr) data = static_cast<uint8_t *>(smaller);
  }
  *block = data;
  *filled = count;
  return count == length ? kDataWhole : kDataShort;
}

// Consumes up to `length` bytes; returns how many there were.
uint64_t skipdata(FILE *file, uint64_t length) {
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

Section *lastsection(const SectionList *list, const char name[4]) {
  Section *found = nullptr;
  for (Section *section = list->head; section != nullptr; section = section->next)
    if (memcmp(section->name, name, 4) == 0) found = section;
  return found;
}

ReadStatus readsectionfile(const char *filename, SectionList *list, SectionFilter wanted,
                           SectionHook hook, void *context) {
  FILE *file = fopen(filename, "rb");
  if (file == nullptr) return kReadNoFile;
  uint64_t filesize = 0;
  bool regular = regularfilesize(file, &filesize);
  uint64_t consumed = 0;
  ReadStatus status = kReadWhole;
  bool stop = false;
  while (!stop && !feof(file)) {
    Section *section = static_cast<Section *>(malloc(sizeof(Section)));
    if (section == nullptr) {
      status = kReadNoMemory;
      break;
    }
    uint8_t header[8];
    if (fread(header, 1, sizeof header, file) != sizeof header) {
      if (ferror(file)) {
        syserror("fread");
        status = kReadFailed;
      }
      free(section);
      break;
    }
    consumed += sizeof header;
    memcpy(section->name, header, 4);
    section->length = readle32(header + 4);
    section->data = nullptr;
    section->next = nullptr;
    section->repeat = 0;
    size_t count = 0;
    if (section->length != 0 && wanted != nullptr && !wanted(section, context)) {
      // Skipped data is passed over, by a seek where the file has a size.
      uint64_t remaining = filesize > consumed ? filesize - consumed : 0;
      uint64_t passed = 0;
      if (regular) {
        passed = remaining < section->length ? remaining : section->length;
        if (!seekforward(file, passed)) passed = 0;
      } else {
        passed = skipdata(file, section->length);
      }
      consumed += passed;
      if (passed < section->length) {
        if (ferror(file) || (regular && passed < remaining)) {
          syserror("fread");
          status = kReadFailed;
          stop = true;
        } else {
          syserrortext("fread", "unexpected end of file");
          status = kReadShort;
          // A seek does not meet the end of the file; the reading ends here.
          stop = regular;
        }
      }
    } else if (section->length != 0) {
      // A length past the end of a regular file cannot be filled, so the
      // block starts at what the file still holds.
      uint64_t firstsize = section->length;
      if (regular) {
        uint64_t remaining = filesize > consumed ? filesize - consumed : 0;
        if (remaining < firstsize) firstsize = remaining;
      } else if (firstsize > kGrowthStep) {
        firstsize = kGrowthStep;
      }
      int readerror = 0;
      DataOutcome outcome =
          readdata(file, section->length, size_t(firstsize), &section->data, &count, &readerror);
      switch (outcome) {
        case kDataWhole:
          break;
        case kDataShort:
          if (readerror != 0) {
            syserrortext("fread", strerror(readerror));
            status = kReadFailed;
            stop = true;
          } else {
            syserrortext("fread", "unexpected end of file");
            status = kReadShort;
          }
          break;
        case kDataNoBlock:
          // Skip the data, or it would be read as the next headers and the
          // shortage reported as a damaged file.
          consumed += skipdata(file, section->length);
          status = kReadNoMemory;
          break;
        case kDataNoGrowth:
          // Part of the data is gone, so the next header cannot be found.
          status = kReadNoMemory;
          stop = true;
          break;
      }
      consumed += count;
    }
    appendsection(list, section);
    if (hook != nullptr) hook(section, count, context);
  }
  fclose(file);
  return status;
}

bool writesectionfile(const SectionList *list, const char *filename, FILE *progress) {
  // A length without its block would have to be read from nowhere, and a
  // header without its data would corrupt every section after it.
  for (const Section *section = list->head; section != nullptr; section = section->next) {
    if (section->length != 0 && section->data == nullptr) {
      char text[80];
      snprintf(text, sizeof text, "section [%4.4s] of length %" PRIu32 " has no data",
               section->name, section->length);
      syserrortext(filename, text);
      return false;
    }
  }

  OutputFile out;
  if (!openoutputfile(filename, &out, ".trevalk")) {
    syserror(filename);
    return false;
  }
  char buffer[kOutputBuffer];
  setvbuf(out.file, buffer, _IOFBF, sizeof buffer);

  bool whole = true;
  for (const Section *section = list->head; section != nullptr; section = section->next) {
    char address[2 * sizeof(uintptr_t) + 1] = "0";
    if (section->data != nullptr)
      snprintf(address, sizeof address, "%" PRIXPTR, reinterpret_cast<uintptr_t>(section->data));
    fprintf(progress, "[%4.4s] writing %8" PRIu32 " from %s\n", section->name, section->length,
            address);

    uint8_t header[8];
    memcpy(header, section->name, 4);
    writele32(header + 4, section->length);
    if (fwrite(header, 1, sizeof header, out.file) != sizeof header) {
      syserror("fwrite header");
      whole = false;
      continue;
    }
    if (section->length != 0 && !writedata(section, out.file)) {
      syserror("fwrite data");
      whole = false;
    }
  }
  return commitoutputfile(&out, whole, filename, "fclose");
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
