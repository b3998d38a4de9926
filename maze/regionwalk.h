// The scan and walk over part of a flat grid, for styled mazes: the cells of
// a region only, some lines of it open from the start, and walks that may be
// asked to keep their direction. With the whole grid, nothing open at the
// start and no straightness it makes the same maze as generatemaze.
#ifndef QUENDREL_REGIONWALK_H
#define QUENDREL_REGIONWALK_H

#include <stdint.h>

#include "mazegrid.h"
#include "randomsource.h"

// The cells (positions with both coordinates even) of layer 0 that a walk
// may open: those of the rows y < rows, in every cell row but the last with
// x < width, in the last cell row with x < lastwidth. Every cell of it but
// the origin has a neighbour in it that comes earlier in scan order (to its
// left or above), which is what the scan needs to join each walk.
struct Region {
  uint32_t width;
  uint32_t rows;
  uint32_t lastwidth;
};

// Lines of the region opened before the scan, as straight corridors: the
// column x = 0 and the row y = 0. Both run through the origin, so the open
// part of the region is one piece from the start.
enum OpenLine : unsigned { kNoLine = 0, kColumnZero = 1, kRowZero = 2 };

// Fills the region of maze->grid (zsize 1, the region inside it, its
// positions closed) with a perfect maze drawn from `source`: opens the
// origin and the lines asked for, then scans the region's cells and walks
// from each closed one. `straight` (0 to 100) is the chance, in percent,
// that a walk goes on in the direction it came from when it can; 0 takes no
// draw for it.
void walkregion(MazeHandle *maze, const Region &region, unsigned lines, int32_t straight,
                RandomSource *source);

// A draw scaled to 0 .. count - 1 (count at least 1).
uint32_t pickbelow(uint32_t count, RandomSource *source);

#endif
