// Map files: chains of sections, read into a list and written back.
#ifndef TREVALK_SECTIONFILE_H
#define TREVALK_SECTIONFILE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "systemerror.h"

/*
 * Map file format
 *
 * A map file is nothing but sections, one right after the other: no file
 * header, no trailer, no alignment. Each section is
 *
 *   offset  size    field
 *   0       4       name: four bytes, compared exactly as stored (case,
 *                   blanks and NUL bytes count); known names are four
 *                   printable characters, some blank-padded ("DIM ", "ERA ")
 *   4       4       length: unsigned 32-bit little-endian, the number of data
 *                   bytes that follow
 *   8       length  data; a length of 0 means no data bytes
 *
 * and the next section starts at the byte after its data. Section order is
 * kept from a file read to a file written, and a name may occur more than
 * once. 1 to 7 bytes at the end of a file, too few for a header, are ignored
 * and not written back. Within data, 16-bit words are unsigned little-endian:
 * the first word is bytes 0 and 1, the second bytes 2 and 3.
 *
 * Section holds one section in memory. name and length are the 8-byte header
 * (length in host order here, little-endian in the file). data is a heap
 * block of length bytes, or null when length is 0. A section whose data could
 * not be allocated also has no block; one whose data came short holds only
 * the bytes that came. Two sections may share one block.
 *
 * A section whose data is one pattern over and over (a run's rebuilt "MASK"
 * and "ISOM") may instead hold a block of only `repeat` bytes, which repeat
 * to make up its length: a file gets the same bytes, and memory holds the
 * block alone. repeat is 0 for every other section.
 */
struct Section {
  char name[4];  // not NUL-terminated
  uint32_t length;
  uint8_t *data;
  Section *next;    // following section in file order, null for the last
  uint32_t repeat;  // bytes in data that repeat up to length; 0: data holds length bytes
};

// Sections in file order; both ends are null while the list is empty. The
// list owns its sections and their blocks.
struct SectionList {
  Section *head;
  Section *tail;
};

// Results of readsectionfile. Where several failures occur, the last one
// counts.
enum ReadStatus {
  kReadWhole = 0,     // the whole file was read
  kReadShort = 1,     // a section's data ended early
  kReadNoMemory = 2,  // a section record or a data block was not allocated
  kReadNoFile = 3,    // the file could not be opened; nothing was read
  kReadFailed = 4     // reading failed (a folder, a device error); the reading ended
};

// Called for each section once its header is read, before its data: true
// reads the data, false passes over it (the section then keeps its length
// and no block). A filter may change the sections read before.
typedef bool (*SectionFilter)(const Section *section, void *context);

// Called for each section as soon as it is read and appended to the list;
// `arrived` is the number of its data bytes that came (its block holds them)
// and `failure`, when not null, why fewer came than its length claims (a
// short file, a failed read).
typedef void (*SectionHook)(Section *section, size_t arrived, const SystemError *failure,
                            void *context);

// Appends every section of the named file to `list`, reading the data of
// those that `wanted` accepts (all when it is null) and calling `hook` (when
// not null) for each. Only a clean end of the file ends it. A section whose
// data ends early keeps its header's length with only the bytes that came.
// Prints nothing: a section's failure goes to the hook; when the file cannot
// be opened, or the reading ends because a header cannot be read, *error
// holds why (and says nothing failed otherwise).
ReadStatus readsectionfile(const char *filename, SectionList *list, SectionFilter wanted,
                           SectionHook hook, void *context, SystemError *error);

// Links a section, whose next must be null, after the tail of `list`.
void appendsection(SectionList *list, Section *section);

// What became of one section as the map was written.
enum SectionWrite {
  kSectionWritten,       // its header and data are in the file (or its buffer)
  kSectionHeaderFailed,  // its header could not be written, so its data was not either
  kSectionDataFailed     // its header was written, its data could not be
};

// Called for each section once it has been written or has failed to be,
// with the system's error when it failed. The next section follows in every
// case.
typedef void (*SectionWriteHook)(const Section *section, SectionWrite step,
                                 const SystemError &error, void *context);

// How a map file's writing ended.
enum WriteStatus {
  kWriteWhole,           // the whole map was written, flushed, closed and put in place
  kWriteNoData,          // `section` has a length and no data block: nothing was opened
  kWriteNotOpened,       // the file could not be opened (`error`)
  kWriteSectionsFailed,  // a section's write failed (its hook was told)
  kWriteCloseFailed,     // the close failed (`error`); section writes may have failed before
  kWriteReplaceFailed    // the written file could not take the name (`error`)
};

struct WriteOutcome {
  WriteStatus status;
  const Section *section;  // the section without data, for kWriteNoData
  SystemError error;
};

// Writes every section of `list`, in order, to the named file, calling
// `written` (when not null) for each. A regular file, or a name that does not
// exist yet, is replaced only once the whole map has been written and closed:
// on any failure it is left as it was. Other targets (devices, pipes) are
// written in place. Prints nothing.
WriteOutcome writesectionfile(const SectionList *list, const char *filename,
                              SectionWriteHook written, void *context);

// Frees every section and data block of `list` (a block shared by several
// sections once) and empties it.
void freesections(SectionList *list);

#endif
