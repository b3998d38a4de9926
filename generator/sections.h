// The program's sections: the one list a run reads its template into,
// rebuilds and writes out, and the six sections it rebuilds.
#ifndef TREVALK_SECTIONS_H
#define TREVALK_SECTIONS_H

#include <stdint.h>

#include "sectionfile.h"

// The run's one list: filled by readtemplate, written by writesections.
extern SectionList sectionlist;

// The last section that readtemplate read of each name, or null when the
// name did not occur: "TILE", "ISOM", "ERA ", "DIM ", "MASK", "MTXM". They
// point into sectionlist and own nothing.
extern Section *cTile, *cIsom, *cEra, *cDim, *cMask, *cMtxm;

// Appends every section of the named file to sectionlist and sets the six
// remembered sections. Prints on the run's text stream (runtext.h), as each
// section is read:
//   "ISOM length=%d first word=%d\n"
//   "THG2 %d\n", then each data byte as a line in worddump's form, with the
//     byte's offset as the index and the byte as the value
//   "MASK %d\n", then its first and second word in worddump's form, with
//     indexes 0 and 1
// Lengths print as unsigned decimal; words past the bytes that were read
// count as 0. A section whose data ends early, or a read that fails, is
// reported on standard error as "fread: ..."; the section keeps its header's
// length with only the bytes that came.
ReadStatus readtemplate(const char *filename);

// Prints on the run's text stream "%5d %s %4X %5d\n": index, the 16 bits of value from the most
// significant down as 0 and 1 digits, value in hexadecimal and value in
// decimal.
void worddump(int index, uint16_t value);

// Writes every section of sectionlist to the named file, as writesectionfile
// does, with the progress line "[%4.4s] writing %8d from %X\n" of each on
// the run's text stream. Reports failures on standard error under the file's
// name, "fwrite header", "fwrite data" or "fclose". Returns true only when
// the whole map is in place.
bool writesections(const char *filename);

// Frees every section and data block of sectionlist, empties it and forgets
// the six remembered sections.
void clearsections();

#endif
