// Symmetric mazes. A perfect maze that is also symmetric has its group's
// centre in a cell or a passage: a mirror whose axis runs through a line of
// cells keeps that line one straight corridor, one whose axis runs between
// cells is crossed by exactly one passage, a rotation turns about a cell or a
// passage. So one part of the maze (a fundamental region, with those
// corridors open from the start) is walked, and its images under the group
// complete it, with the one passage that joins the parts where they do not
// share a corridor.
#ifndef QUENDREL_SYMMETRY_H
#define QUENDREL_SYMMETRY_H

#include <stdint.h>

#include "mazegrid.h"
#include "randomsource.h"
#include "symmetrymaps.h"

// Fills the all-closed grid of `maze` (a size that fits) with a perfect maze
// symmetric in `mode`, drawn from `source`; `straight` as in regionwalk.h.
// Returns false when memory for the fundamental region runs out.
bool generatesymmetric(MazeHandle *maze, Symmetry mode, int32_t straight, RandomSource *source);

#endif
