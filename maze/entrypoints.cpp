// The library's entry points: creation, plain or styled, with its
// allocations, reading and opening single positions, re-rolling a part of
// a maze, and release.
#include <assert.h>
#include <stdlib.h>

#include <stddef.h>

#include "generate.h"
#include "loops.h"
#include "mazegrid.h"
#include "quendrel.h"
#include "regionwalk.h"
#include "reroll.h"
#include "seed.h"
#include "symmetry.h"

namespace {

#ifndef NDEBUG
bool inside(const MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  return maze != nullptr && x >= 0 && x < maze->xsize && y >= 0 && y < maze->ysize && z >= 0 &&
         z < maze->zsize;
}
#endif

// A maze record with an all-closed grid and its sizes stored; null when a
// size is refused or memory runs out.
MazeHandle *newmaze(int32_t xsize, int32_t ysize, int32_t zsize) {
  int64_t count = positioncount(xsize, ysize, zsize);
  if (count < 0) return nullptr;

  MazeRecord *record = static_cast<MazeRecord *>(calloc(1, sizeof(MazeRecord)));
  if (record == nullptr) return nullptr;
  MazeHandle *maze = &record->handle;
  maze->grid = static_cast<uint8_t *>(calloc(static_cast<size_t>(count / 8 + 1), 1));
  if (maze->grid == nullptr) {
    free(record);
    return nullptr;
  }
  maze->xsize = xsize;
  maze->ysize = ysize;
  maze->zsize = zsize;
  return maze;
}

// The caller's style as this library knows it: the fields its `size` covers,
// the rest at their defaults. False for a record whose size cannot hold the
// size itself, or that asks for something this library does not know (a
// field past the known ones that is not zero).
bool readstyle(const QndStyle *given, QndStyle *style) {
  *style = QndStyle{sizeof(QndStyle), QND_SYMMETRY_NONE, 0, 0, 0, 0};
  if (given == nullptr) return true;
  if (given->size < sizeof given->size) return false;
  const uint8_t *bytes = reinterpret_cast<const uint8_t *>(given);
  for (size_t i = sizeof *style; i < given->size; ++i)
    if (bytes[i] != 0) return false;
  // Each field the caller's record holds, the others left at 0.
  const auto covers = [given](size_t offset) { return given->size >= offset + sizeof(int32_t); };
  if (covers(offsetof(QndStyle, symmetry))) style->symmetry = given->symmetry;
  if (covers(offsetof(QndStyle, loops))) style->loops = given->loops;
  if (covers(offsetof(QndStyle, straight))) style->straight = given->straight;
  if (covers(offsetof(QndStyle, seeded))) style->seeded = given->seeded;
  if (covers(offsetof(QndStyle, seed))) style->seed = given->seed;
  return style->symmetry >= QND_SYMMETRY_NONE && style->symmetry <= QND_SYMMETRY_ROTATE_90 &&
         style->loops >= 0 && style->loops <= 100 && style->straight >= 0 &&
         style->straight <= 100 && style->seeded <= 1;
}

}  // namespace

extern "C" {

QND_API MazeHandle *_qndcreate(int32_t xsize, int32_t ysize, int32_t zsize) {
  MazeHandle *maze = newmaze(xsize, ysize, zsize);
  if (maze == nullptr) return nullptr;
  RandomSource source{mazeseed()};
  generatemaze(maze, &source);
  return maze;
}

}  // extern "C"

namespace {

// The seed of a styled maze: its own, or _qndcreate's.
uint32_t seedof(const QndStyle &style) { return style.seeded ? style.seed : mazeseed(); }

}  // namespace

extern "C" {

QND_API MazeHandle *_qndcreatestyled(int32_t xsize, int32_t ysize, int32_t zsize,
                                     const QndStyle *given) {
  QndStyle style;
  if (!readstyle(given, &style)) return nullptr;
  if (style.symmetry == QND_SYMMETRY_NONE && style.loops == 0 && style.straight == 0) {
    MazeHandle *maze = newmaze(xsize, ysize, zsize);
    if (maze == nullptr) return nullptr;
    RandomSource source{seedof(style)};
    generatemaze(maze, &source);
    return maze;
  }
  const Symmetry mode = Symmetry(style.symmetry);
  if (zsize != 1 || !symmetryfits(mode, xsize, ysize)) return nullptr;
  MazeHandle *maze = newmaze(xsize, ysize, zsize);
  if (maze == nullptr) return nullptr;

  RandomSource source{seedof(style)};
  bool made = true;
  if (xsize == 0 || ysize == 0)
    generatemaze(maze, &source);  // no cell: the origin's bit alone, as for _qndcreate
  else if (mode != kNoSymmetry)
    made = generatesymmetric(maze, mode, style.straight, &source);
  else if (style.straight == 0)
    generatemaze(maze, &source);
  else
    walkregion(maze, {uint32_t(xsize), uint32_t(ysize), uint32_t(xsize)}, kNoLine, style.straight,
               &source);
  if (made) made = openloops(maze, mode, style.loops, &source);
  if (!made) {
    _qnddestroy(maze);
    return nullptr;
  }
  recordof(maze)->symmetry = style.symmetry;
  recordof(maze)->loops = style.loops;
  return maze;
}

QND_API int32_t _qndreroll(MazeHandle *maze, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                           int32_t keep, uint32_t seed) {
  if (maze == nullptr) return 0;
  const MazeRecord *record = recordof(maze);
  const CellBox box = {x0, y0, x1, y1, keep != 0};
  return rerollcells(maze, Symmetry(record->symmetry), record->loops, box, seed) ? 1 : 0;
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
  free(recordof(maze));
}

}  // extern "C"
