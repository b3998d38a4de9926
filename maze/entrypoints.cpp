// The library's four entry points: creation with its allocations, reading and
// opening single positions, and release.
#include <assert.h>
#include <stdlib.h>

#include "generate.h"
#include "mazegrid.h"
#include "quendrel.h"
#include "seed.h"

namespace {

#ifndef NDEBUG
bool inside(const MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  return maze != nullptr && x >= 0 && x < maze->xsize && y >= 0 && y < maze->ysize && z >= 0 &&
         z < maze->zsize;
}
#endif

}  // namespace

extern "C" {

QND_API MazeHandle *_qndcreate(int32_t xsize, int32_t ysize, int32_t zsize) {
  int64_t count = positioncount(xsize, ysize, zsize);
  if (count < 0) return nullptr;

  MazeHandle *maze = static_cast<MazeHandle *>(calloc(1, sizeof(MazeHandle)));
  if (maze == nullptr) return nullptr;
  maze->grid = static_cast<uint8_t *>(calloc(static_cast<size_t>(count / 8 + 1), 1));
  if (maze->grid == nullptr) {
    free(maze);
    return nullptr;
  }

  RandomSource source{mazeseed()};
  maze->xsize = xsize;
  maze->ysize = ysize;
  maze->zsize = zsize;
  generatemaze(maze, &source);
  return maze;
}

QND_API uint8_t _qndgetpos(MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  assert(inside(maze, x, y, z));
  uint32_t index = positionindex(maze, x, y, z);
  return maze->grid[index >> 3] & positionmask(index);
}

QND_API uint8_t _qndsetpos(MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  assert(inside(maze, x, y, z));
  uint32_t index = positionindex(maze, x, y, z);
  openposition(maze->grid, index);
  return maze->grid[index >> 3];
}

QND_API void _qnddestroy(MazeHandle *maze) {
  if (maze == nullptr) return;
  free(maze->grid);
  free(maze);
}

}  // extern "C"
