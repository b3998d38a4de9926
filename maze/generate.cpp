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

// The draws do not depend on what the walk does with them, so they are made
// ahead in batches, where the multiplications of consecutive draws run side by
// side instead of one after another.
constexpr uint32_t kBatch = 256;

struct DrawBatch {
  uint32_t states[kBatch];  // the source's state after each draw
  uint32_t next;            // first draw not yet used
  uint32_t laststate;       // the source's state after the last used draw
};

// Multiplier and increment that advance the source by 1 to kBatch steps.
struct JumpTable {
  uint32_t multiplier[kBatch];
  uint32_t increment[kBatch];
};

constexpr JumpTable makejumps() {
  JumpTable jumps{};
  uint32_t a = 1, c = 0;
  for (uint32_t i = 0; i < kBatch; ++i) {
    a *= 214013u;
    c = c * 214013u + 2531011u;
    jumps.multiplier[i] = a;
    jumps.increment[i] = c;
  }
  return jumps;
}

constexpr JumpTable kJumps = makejumps();

void refill(DrawBatch *batch) {
  const uint32_t from = batch->laststate;
  for (uint32_t i = 0; i < kBatch; ++i) batch->states[i] = kJumps.multiplier[i] * from + kJumps.increment[i];
  batch->next = 0;
}

// The slot that a draw picks among f candidates: f * draw / 32767, computed
// without a division (exact for f * draw below 6 * 32768), where the draw
// 32767 picks f itself, which stands for f - 1.
inline uint32_t pickslot(uint32_t state, uint32_t f) {
  uint32_t scaled = f * ((state >> 16) & 0x7FFFu);
  uint32_t r = (scaled + (scaled >> 15) + 1) >> 15;
  return r - (r == f);
}

struct Walker {
  uint8_t *grid;
  uint32_t xsize, ysize, zsize;
  uint32_t step[6];  // index offset of one position along each direction (wrapping)
  uint32_t table;    // direction table: slot s holds bits 3s to 3s + 2
  DrawBatch draws;
};

inline uint32_t slotof(uint32_t table, uint32_t s) { return (table >> (3 * s)) & 7u; }

inline uint32_t swapslots(uint32_t table, uint32_t a, uint32_t b) {
  uint32_t diff = slotof(table, a) ^ slotof(table, b);
  return table ^ (diff << (3 * a)) ^ (diff << (3 * b));
}

// Picks until the picked slot holds a direction in `wanted`, moving each
// failed direction behind the candidates. Returns the successful slot, or -1
// once the candidates have run out.
inline int runpicks(Walker *w, uint32_t candidates, unsigned wanted) {
  if (w->draws.next + 6 > kBatch) {
    if (w->draws.next > 0) w->draws.laststate = w->draws.states[w->draws.next - 1];
    refill(&w->draws);
  }
  const uint32_t *draw = w->draws.states + w->draws.next;
  uint32_t table = w->table;
  int result = -1;
  for (; candidates > 0; --candidates) {
    uint32_t r = pickslot(*draw++, candidates);
    if ((wanted >> slotof(table, r)) & 1u) {
      result = static_cast<int>(r);
      break;
    }
    table = swapslots(table, r, candidates - 1);
  }
  w->draws.next = static_cast<uint32_t>(draw - w->draws.states);
  w->table = table;
  return result;
}

// Bit d set when the neighbour two steps along direction d lies inside the
// grid and is open; `inside` receives the same for merely lying inside. A flat
// grid (one layer) has no neighbour along z, which spares two tests per cell.
template <bool kFlat>
inline unsigned openneighbours(const Walker *w, uint32_t x, uint32_t y, uint32_t z, uint32_t index,
                               unsigned *inside) {
  unsigned in = 0, open = 0;
  if (x + 2 < w->xsize) in |= 1u << kPlusX, open |= unsigned(isopen(w->grid, index + 2 * w->step[kPlusX])) << kPlusX;
  if (x >= 2) in |= 1u << kMinusX, open |= unsigned(isopen(w->grid, index + 2 * w->step[kMinusX])) << kMinusX;
  if (y + 2 < w->ysize) in |= 1u << kPlusY, open |= unsigned(isopen(w->grid, index + 2 * w->step[kPlusY])) << kPlusY;
  if (y >= 2) in |= 1u << kMinusY, open |= unsigned(isopen(w->grid, index + 2 * w->step[kMinusY])) << kMinusY;
  if (kFlat) {
    *inside = in;
    return open;
  }
  if (z + 2 < w->zsize) in |= 1u << kPlusZ, open |= unsigned(isopen(w->grid, index + 2 * w->step[kPlusZ])) << kPlusZ;
  if (z >= 2) in |= 1u << kMinusZ, open |= unsigned(isopen(w->grid, index + 2 * w->step[kMinusZ])) << kMinusZ;
  *inside = in;
  return open;
}

// Opens the closed cell the scan found, joins it to an open neighbour, and
// carves from it until the walk stands on a cell without closed neighbours.
template <bool kFlat>
void walkfrom(Walker *w, uint32_t x, uint32_t y, uint32_t z, uint32_t index) {
  openposition(w->grid, index);

  // Joining: one of the neighbours is open (the scan opened every cell before
  // this one, and the origin), so this always succeeds within six picks.
  unsigned inside;
  unsigned open = openneighbours<kFlat>(w, x, y, z, index, &inside);
  uint32_t r = static_cast<uint32_t>(runpicks(w, 6, open));
  uint32_t d = slotof(w->table, r);
  openposition(w->grid, index + w->step[d]);
  w->table = swapslots(w->table, r, 5);
  uint32_t candidates = 5;

  // Carving walk.
  uint32_t at[3] = {x, y, z};
  unsigned closed = inside & ~open;
  for (;;) {
    int picked = runpicks(w, candidates, closed);
    if (picked < 0) return;
    d = slotof(w->table, static_cast<uint32_t>(picked));
    uint32_t passage = index + w->step[d];
    openposition(w->grid, passage);
    index = passage + w->step[d];
    openposition(w->grid, index);
    // Arithmetic rather than a switch: the direction is random, and a jump
    // through a table would be mispredicted at nearly every step.
    at[d >> 1] += (d & 1u) ? 0u - 2u : 2u;
    candidates = 6;
    open = openneighbours<kFlat>(w, at[0], at[1], at[2], index, &inside);
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
  w.table = 0;
  for (uint32_t s = 0; s < 6; ++s) w.table |= s << (3 * s);
  w.draws.laststate = source->state;
  refill(&w.draws);

  openposition(w.grid, 0);
  for (uint32_t z = 0; z < w.zsize; z += 2) {
    for (uint32_t y = 0; y < w.ysize; y += 2) {
      uint32_t index = z * layer + y * row;
      for (uint32_t x = 0; x < w.xsize; x += 2, index += 2) {
        if (isopen(w.grid, index)) continue;
        if (w.zsize == 1) walkfrom<true>(&w, x, y, z, index);
        else walkfrom<false>(&w, x, y, z, index);
      }
    }
  }
  // Draws made ahead but not used are not taken from the source.
  source->state = w.draws.next > 0 ? w.draws.states[w.draws.next - 1] : w.draws.laststate;
}
