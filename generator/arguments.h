// The numbers on trevalk's command line, and the limits a map must keep.
#ifndef TREVALK_ARGUMENTS_H
#define TREVALK_ARGUMENTS_H

#include <stdint.h>

// Reads a decimal integer as "%d" does: leading white space, an optional
// sign, then digits up to the first other character (the rest is ignored).
// Returns false when no digit follows or the number does not fit 32 bits.
bool parsedecimal(const char *text, int32_t *value);

// True when QUENDREL_SEED's text is a seed as the maze library takes it: a
// whole decimal number from 0 to 4294967295, digits only.
bool isseedtext(const char *text);

// Rounds toward zero to an even number: 5 gives 4, -3 gives -2, 1 gives 0.
inline int32_t roundtoeven(int32_t value) { return value / 2 * 2; }

// Section lengths of a width x height map, in 64 bits so none wraps.
struct MapLengths {
  uint64_t mask, isom, tile;
};
MapLengths maplengths(uint32_t width, uint32_t height);

// True when every section length of the map fits the 32-bit length field.
bool mapfits(uint32_t width, uint32_t height);

// The largest height that fits with this width, and the largest width that
// fits with this height (each at most 65535).
uint32_t largestheight(uint32_t width);
uint32_t largestwidth(uint32_t height);

// Upper bound of the draws that painting the maze of a width x height map
// takes when every maze position is open; saturates at UINT64_MAX.
uint64_t paintingdraws(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth);

// The most draws a map may take for its painting before its path and water
// widths count as overlapping too far.
uint64_t paintinglimit(uint32_t width, uint32_t height);

#endif
