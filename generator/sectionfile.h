/*
 * Map files: the template reader, its diagnostics, and the map writer.
 */
#ifndef TREVALK_SECTIONFILE_H
#define TREVALK_SECTIONFILE_H

#include <stdint.h>

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
 * kept from the template to the output, and a name may occur more than once.
 * 1 to 7 bytes at the end of a file, too few for a header, are ignored and
 * not written back. Within data, 16-bit words are unsigned little-endian: the
 * first word is bytes 0 and 1, the second bytes 2 and 3.
 *
 * Section holds one section in memory. name and length are the 8-byte header
 * (length in host order here, little-endian in the file). data is a heap
 * block of length bytes, or NULL when length is 0. A section whose data could
 * not be allocated also has no block; one whose data came short holds only
 * the bytes that came. Two sections may share one block.
 */
struct Section {
    char name[4];       // not NUL-terminated
    uint32_t length;
    uint8_t *data;
    Section *next;      // following section in file order, NULL for the last
};

// The sections of a run in file order; both ends are NULL while it is empty.
struct SectionList {
    Section *head;
    Section *tail;
};

// The run's one list: filled by readtemplate, written by writesections.
extern SectionList sectionlist;

// The last section that readtemplate read of each name, or NULL when the
// name did not occur: "TILE", "ISOM", "ERA ", "DIM ", "MASK", "MTXM". They
// point into sectionlist and own nothing.
extern Section *cTile, *cIsom, *cEra, *cDim, *cMask, *cMtxm;

// Results of readtemplate. Where several failures occur, the last one counts.
enum TemplateStatus {
    TEMPLATE_READ = 0,      // the whole file was read
    TEMPLATE_INVALID = 1,   // a section's data ended early (or a read failed)
    TEMPLATE_NOMEMORY = 2,  // a section record or a data block was not allocated
    TEMPLATE_NOFILE = 3     // the file could not be opened; nothing was read
};

/*
 * appendsection: links a section, whose next must be NULL, after the tail of
 * sectionlist.
 */
void appendsection(Section *section);

/*
 * readtemplate: appends every section of the named file to sectionlist and
 * sets the six remembered sections. Prints on standard output, as each
 * section is read:
 *   "ISOM length=%d first word=%d\n"
 *   "THG2 %d\n" and one worddump line per data byte (index = its offset)
 *   "MASK %d\n" and worddump lines for its first and second word
 * Lengths print as unsigned decimal; words past the bytes that were read
 * count as 0. A section whose data ends early is reported on standard error
 * as "fread: ..." and keeps its header's length with only the bytes that came.
 * Returns a TemplateStatus (0 to 3).
 */
int readtemplate(const char *filename);

/*
 * readmapquietly: readtemplate without the diagnostics on standard output,
 * for programs that only look at a map and keep standard output for
 * themselves. A short read is still reported on standard error.
 */
int readmapquietly(const char *filename);

/*
 * worddump: prints "%5d %s %4X %5d\n": index, the 16 bits of value from the
 * most significant down as 0 and 1 digits, value in hexadecimal and value in
 * decimal.
 */
void worddump(int index, uint16_t value);

/*
 * writesections: writes every section of sectionlist, in order, to the named
 * file, printing "[%4.4s] writing %8d from %X\n" (name, length, data block
 * address or 0) for each. A regular file, or a name that does not exist yet,
 * is replaced only once the whole map has been written and closed: on any
 * failure it is left as it was. Other targets (devices, pipes) are written in
 * place. Failures are reported on standard error with the contexts of the
 * file name, "fwrite header", "fwrite data" and "fclose"; a section with a
 * nonzero length and no data block is refused before anything is opened.
 * Returns true only when the whole map was written, flushed and closed.
 */
bool writesections(const char *filename);

/*
 * clearsections: frees every section and data block of sectionlist (a block
 * shared by several sections once), empties it and forgets the six
 * remembered sections.
 */
void clearsections();

#endif
