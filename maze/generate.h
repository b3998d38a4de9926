// Maze generation: fills an all-closed grid with a random perfect maze.
#ifndef QUENDREL_GENERATE_H
#define QUENDREL_GENERATE_H

#include "mazegrid.h"
#include "randomsource.h"

// Fills maze->grid, whose sizes are already stored and whose bytes are all
// zero, with a perfect maze drawn from `source` (seeded by the caller). Opens
// the origin (0, 0, 0) whatever the sizes. Allocates nothing and cannot fail.
void generatemaze(MazeHandle *maze, RandomSource *source);

#endif
