// The maze generation written step by step, as directly as it reads: a
// direction table of (dx, dy, dz) triples and a grid read through the index
// formula for every pick. Kept as the baseline the fast generator is measured
// against, and as the reference its grids must equal bit for bit.
#ifndef QUENDREL_PLAINGENERATE_H
#define QUENDREL_PLAINGENERATE_H

#include "mazegrid.h"
#include "randomsource.h"

void plaingeneratemaze(MazeHandle *maze, RandomSource *source);

#endif
