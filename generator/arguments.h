// trevalk's command line: the six arguments, and how their numbers are read.
#ifndef TREVALK_ARGUMENTS_H
#define TREVALK_ARGUMENTS_H

#include <stdint.h>

// The arguments in the order they are given.
enum ArgumentIndex { kXSize, kYSize, kPathWidth, kWaterWidth, kTileset, kOutfile, kArgumentCount };

struct ArgumentName {
  const char *name;   // as the usage and the help show it
  const char *range;  // what makes sense, as the usage shows it after the name ("(4-)"), or ""
};
extern const ArgumentName kArgumentNames[kArgumentCount];

// The arguments' names separated by blanks, each followed by its range when
// `ranges` is true: "xsize ysize pathwidth(4-) waterwidth(2-) tileset(0-4)
// outfile". The text stays valid for the program's life.
const char *argumentsynopsis(bool ranges);

// Reads a decimal integer as "%d" does: leading white space, an optional
// sign, then digits up to the first other character (the rest is ignored).
// Returns false when no digit follows or the number does not fit 32 bits.
bool parsedecimal(const char *text, int32_t *value);

// Rounds toward zero to an even number: 5 gives 4, -3 gives -2, 1 gives 0.
inline int32_t roundtoeven(int32_t value) { return value / 2 * 2; }

// Upper bound of the draws that painting the maze of a width x height map
// takes when every maze position is open; saturates at UINT64_MAX.
uint64_t paintingdraws(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth);

// The most draws a map may take for its painting before its path and water
// widths count as overlapping too far.
uint64_t paintinglimit(uint32_t width, uint32_t height);

#endif
