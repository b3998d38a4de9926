// Re-rolling part of a made maze: the passages of a set of cells drawn anew,
// the rest of the maze left as it is.
#ifndef QUENDREL_REROLL_H
#define QUENDREL_REROLL_H

#include <stdint.h>

#include "mazegrid.h"
#include "symmetrymaps.h"

// The cells a re-roll takes: those inside the positions x0..x1, y0..y1 (both
// ends included), or with `outside` every cell but those.
struct CellBox {
  int32_t x0, y0, x1, y1;
  bool outside;
};

// Draws anew every passage between two cells of the set and between the set
// and the rest, from a random source seeded with `seed`: the maze stays one
// piece with one way between any two cells where it had one, and the set
// gets loops at `loops` percent of its dead ends. With a symmetry the set
// takes in its images and the maze stays symmetric. The outcome depends on
// the maze, the set and the seed alone, so a second re-roll of the same set
// with the same seed changes nothing.
// False, with the maze as it was, for a maze that is not flat, a box that
// holds none of its cells, or memory that runs out.
bool rerollcells(MazeHandle *maze, Symmetry mode, int32_t loops, const CellBox &box, uint32_t seed);

#endif
