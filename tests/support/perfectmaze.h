// A test's view of what every created maze must be.
#ifndef TREVALK_TESTS_PERFECTMAZE_H
#define TREVALK_TESTS_PERFECTMAZE_H

#include <stddef.h>

#include <string>

#include "mazegrid.h"

// Checks that `maze`, whose grid is `bytes` long, is a perfect maze over its
// even-coordinate cells: every cell open, passages only between two cells,
// nothing on the last line of an even axis, one passage fewer than cells, all
// of it connected, and no bit set past the last position (a grid without
// positions holds the origin's bit alone). Returns what is wrong, or an empty
// text.
std::string perfectmazeproblem(const MazeHandle &maze, size_t bytes);

#endif
