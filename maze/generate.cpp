// Scan and walk. A scan visits the cells (positions with all coordinates
// even) in x-fastest order; each cell still closed when the scan reaches it is
// opened, joined to the open part of the maze through one passage, and then
// starts a walk that carves into closed neighbours until it stands on a cell
// without one. The grid itself is the record of visited cells, so the
// generator needs no list, stack or recursion.
//
// Directions are picked from a six-slot table: a pick takes a draw, scales it
// to a slot among the first f candidates, and on failure moves that slot's
// direction behind the candidates. The table's order carries over from pick to
// pick, walk to walk, so the draws and swaps here must follow that procedure
// exactly to reproduce a maze from its seed.
//
// Speed comes from looking at a cell's neighbours once, when the walk arrives
// there, as a six-bit mask; the picks then run on registers against the mask
// until one succeeds or the candidates run out, instead of reading the grid
// for every pick.
#include "generate.h"

#include <stdint.h>

namespace {

enum Direction { kPlusX, kMinusX, kPlusY, kMinusY, kPlusZ, kMinusZ };

struct Walker {
  uint8_t *grid;
  uint32_t xsize, ysize, zsize;
  uint32_t step[6];  // index offset of one position along each direction (wrapping)
  uint8_t slot[6];   // direction table
  RandomSource *source;
};

// Slot picked among the first `candidates` slots by the next draw.
inline uint32_t pickslot(RandomSource *source, uint32_t candidates) {
  uint32_t r = candidates * nextdraw(source) / 32767u;
  return r == candidates ? candidates - 1 : r;
}

// Picks until the picked slot holds a direction in `wanted`, moving each
// failed direction behind the candidates. Returns the successful slot, or -1
// once the candidates have run out.
inline int runpicks(Walker *w, uint32_t candidates, unsigned wanted) {
  for (; candidates > 0; --candidates) {
    uint32_t r = pickslot(w->source, candidates);
    uint8_t d = w->slot[r];
    if ((wanted >> d) & 1u) return static_cast<int>(r);
    w->slot[r] = w->slot[candidates - 1];
    w->slot[candidates - 1] = d;
  }
  return -1;
}

// Bit d set when the neighbour two steps along direction d lies inside the
// grid and is open; `inside` receives the same for merely lying inside.
inline unsigned openneighbours(const Walker *w, uint32_t x, uint32_t y, uint32_t z, uint32_t index,
                               unsigned *inside) {
  unsigned in = 0, open = 0;
  if (x + 2 < w->xsize) in |= 1u << kPlusX, open |= unsigned(isopen(w->grid, index + 2 * w->step[kPlusX])) << kPlusX;
  if (x >= 2) in |= 1u << kMinusX, open |= unsigned(isopen(w->grid, index + 2 * w->step[kMinusX])) << kMinusX;
  if (y + 2 < w->ysize) in |= 1u << kPlusY, open |= unsigned(isopen(w->grid, index + 2 * w->step[kPlusY])) << kPlusY;
  if (y >= 2) in |= 1u << kMinusY, open |= unsigned(isopen(w->grid, index + 2 * w->step[kMinusY])) << kMinusY;
  if (z + 2 < w->zsize) in |= 1u << kPlusZ, open |= unsigned(isopen(w->grid, index + 2 * w->step[kPlusZ])) << kPlusZ;
  if (z >= 2) in |= 1u << kMinusZ, open |= unsigned(isopen(w->grid, index + 2 * w->step[kMinusZ])) << kMinusZ;
  *inside = in;
  return open;
}

// Opens the closed cell the scan found, joins it to an open neighbour, and
// carves from it until the walk stands on a cell without closed neighbours.
void walkfrom(Walker *w, uint32_t x, uint32_t y, uint32_t z, uint32_t index) {
  openposition(w->grid, index);

  // Joining: one of the neighbours is open (the scan opened every cell before
  // this one, and the origin), so this always succeeds within six picks.
  unsigned inside;
  unsigned open = openneighbours(w, x, y, z, index, &inside);
  int r = runpicks(w, 6, open);
  uint8_t d = w->slot[r];
  openposition(w->grid, index + w->step[d]);
  w->slot[r] = w->slot[5];
  w->slot[5] = d;
  uint32_t candidates = 5;

  // Carving walk.
  unsigned closed = inside & ~open;
  for (;;) {
    r = runpicks(w, candidates, closed);
    if (r < 0) return;
    d = w->slot[r];
    uint32_t passage = index + w->step[d];
    openposition(w->grid, passage);
    index = passage + w->step[d];
    openposition(w->grid, index);
    switch (d) {
      case kPlusX: x += 2; break;
      case kMinusX: x -= 2; break;
      case kPlusY: y += 2; break;
      case kMinusY: y -= 2; break;
      case kPlusZ: z += 2; break;
      default: z -= 2; break;
    }
    candidates = 6;
    open = openneighbours(w, x, y, z, index, &inside);
    closed = inside & ~open;
  }
}

}  // namespace

void generatemaze(MazeHandle *maze, RandomSource *source) {
  Walker w;
  w.grid = maze->grid;
  w.xsize = static_cast<uint32_t>(maze->xsize);
  w.ysize = static_cast<uint32_t>(maze->ysize);
  w.zsize = static_cast<uint32_t>(maze->zsize);
  const uint32_t row = w.xsize, layer = w.xsize * w.ysize;
  w.step[kPlusX] = 1;
  w.step[kMinusX] = 0u - 1u;
  w.step[kPlusY] = row;
  w.step[kMinusY] = 0u - row;
  w.step[kPlusZ] = layer;
  w.step[kMinusZ] = 0u - layer;
  for (uint8_t s = 0; s < 6; ++s) w.slot[s] = s;
  w.source = source;

  openposition(w.grid, 0);
  for (uint32_t z = 0; z < w.zsize; z += 2) {
    for (uint32_t y = 0; y < w.ysize; y += 2) {
      uint32_t index = z * layer + y * row;
      for (uint32_t x = 0; x < w.xsize; x += 2, index += 2) {
        if (!isopen(w.grid, index)) walkfrom(&w, x, y, z, index);
      }
    }
  }
}
