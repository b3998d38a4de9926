// Loops: a perfect maze has one way between any two places; opening some of
// its dead ends into a neighbour adds others.
#ifndef QUENDREL_LOOPS_H
#define QUENDREL_LOOPS_H

#include <stdint.h>

#include "mazegrid.h"
#include "randomsource.h"
#include "symmetrymaps.h"

// Opens `percent` (0 to 100) of the dead ends of the flat maze (cells with
// one open passage) into a neighbour cell they are not joined to yet, drawn
// from `source`. The dead ends are taken in whole orbits, and each
// passage opened with all its images under `mode`, so a symmetric maze stays
// symmetric.
// At 100 no dead end is left that has another neighbour to open into.
// `only`, when given, limits the dead ends to the cells it marks: one byte a
// cell, (y / 2) * ((xsize + 1) / 2) + x / 2 for cell (x, y), marked in whole
// orbits.
// Returns false, with the maze as it was, when memory runs out.
bool openloops(MazeHandle *maze, Symmetry mode, int32_t percent, RandomSource *source,
               const uint8_t *only = nullptr);

#endif
