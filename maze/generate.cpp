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
constexpr RandomJumps<kBatch> kJumps = randomjumps<kBatch>();

void refill(DrawBatch *batch) {
  const uint32_t from = batch->laststate;
  for (uint32_t i = 0; i < kBatch; ++i)
    batch->states[i] = kJumps.multiplier[i] * from + kJumps.increment[i];
  batch->next = 0;
}

// The slot that a draw picks among f candidates: f * draw / 32767, computed
// without a division (exact for f * draw below 6 * 32768), where the draw
// 32767 picks f itself, which stands for f - 1.
inline uint32_t pickslot(uint32_t state, uint32_t f) {
  uint32_t scaled = f * drawof(state);
  uint32_t r = (scaled + (scaled >> 15) + 1) >> 15;
  return r - (r == f);
}

// The grid as the walk sees it. Walks copy it into locals: the grid's bytes
// are written through a byte pointer, which may alias anything in memory, so
// state kept in memory would be reloaded after every write.
struct Grid {
  uint8_t *bytes;
  uint32_t xsize, ysize, zsize;
  uint32_t step[6];  // index offset of one position along each direction (wrapping)
};

// Direction table: slot s holds the direction in bits 3s to 3s + 2.
inline uint32_t slotof(uint32_t table, uint32_t s) { return (table >> (3 * s)) & 7u; }

inline uint32_t swapslots(uint32_t table, uint32_t a, uint32_t b) {
  uint32_t diff = slotof(table, a) ^ slotof(table, b);
  return table ^ (diff << (3 * a)) ^ (diff << (3 * b));
}

// Picks until the picked slot holds a direction in `wanted`, moving each
// failed direction behind the candidates. Returns the successful slot, or -1
// once the candidates have run out.
inline int runpicks(DrawBatch *batch, uint32_t &next, uint32_t &table, uint32_t candidates,
                    unsigned wanted) {
  if (next + 6 > kBatch) {
    batch->laststate = batch->states[next - 1];
    refill(batch);
    next = 0;
  }
  for (; candidates > 0; --candidates) {
    uint32_t r = pickslot(batch->states[next++], candidates);
    if ((wanted >> slotof(table, r)) & 1u) return static_cast<int>(r);
    table = swapslots(table, r, candidates - 1);
  }
  return -1;
}

// Bit d set when the neighbour two steps along direction d lies inside the
// grid and is open; `inside` receives the same for merely lying inside. A flat
// grid (one layer) has no neighbour along z, which spares two tests per cell.
template <bool kFlat>
inline unsigned openneighbours(const Grid &g, const uint32_t at[3], uint32_t index,
                               unsigned *inside) {
  unsigned in = 0, open = 0;
  auto look = [&](bool within, unsigned d) {
    if (within) in |= 1u << d, open |= unsigned(isopen(g.bytes, index + 2 * g.step[d])) << d;
  };
  look(at[0] + 2 < g.xsize, kPlusX);
  look(at[0] >= 2, kMinusX);
  look(at[1] + 2 < g.ysize, kPlusY);
  look(at[1] >= 2, kMinusY);
  if (!kFlat) {
    look(at[2] + 2 < g.zsize, kPlusZ);
    look(at[2] >= 2, kMinusZ);
  }
  *inside = in;
  return open;
}

// Opens the closed cell the scan found, joins it to an open neighbour, and
// carves from it until the walk stands on a cell without closed neighbours.
template <bool kFlat>
void walkfrom(const Grid &shared, DrawBatch *batch, uint32_t *tableio, uint32_t x, uint32_t y,
              uint32_t z, uint32_t index) {
  const Grid g = shared;
  uint32_t table = *tableio;
  uint32_t next = batch->next;
  uint32_t at[3] = {x, y, z};
  openposition(g.bytes, index);

  // Joining: one of the neighbours is open (the scan opened every cell before
  // this one, and the origin), so this always succeeds within six picks.
  unsigned inside;
  unsigned open = openneighbours<kFlat>(g, at, index, &inside);
  uint32_t r = static_cast<uint32_t>(runpicks(batch, next, table, 6, open));
  uint32_t d = slotof(table, r);
  openposition(g.bytes, index + g.step[d]);
  table = swapslots(table, r, 5);

  // Carving walk.
  unsigned closed = inside & ~open;
  for (uint32_t candidates = 5;; candidates = 6) {
    int picked = runpicks(batch, next, table, candidates, closed);
    if (picked < 0) break;
    d = slotof(table, static_cast<uint32_t>(picked));
    uint32_t passage = index + g.step[d];
    openposition(g.bytes, passage);
    index = passage + g.step[d];
    openposition(g.bytes, index);
    // Arithmetic rather than a switch: the direction is random, and a jump
    // through a table would be mispredicted at nearly every step.
    at[d >> 1] += (d & 1u) ? 0u - 2u : 2u;
    open = openneighbours<kFlat>(g, at, index, &inside);
    closed = inside & ~open;
  }
  *tableio = table;
  batch->next = next;
}

}  // namespace

void generatemaze(MazeHandle *maze, RandomSource *source) {
  Grid g;
  g.bytes = maze->grid;
  g.xsize = static_cast<uint32_t>(maze->xsize);
  g.ysize = static_cast<uint32_t>(maze->ysize);
  g.zsize = static_cast<uint32_t>(maze->zsize);
  const uint32_t row = g.xsize, layer = g.xsize * g.ysize;
  g.step[kPlusX] = 1;
  g.step[kMinusX] = 0u - 1u;
  g.step[kPlusY] = row;
  g.step[kMinusY] = 0u - row;
  g.step[kPlusZ] = layer;
  g.step[kMinusZ] = 0u - layer;
  uint32_t table = 0;
  for (uint32_t s = 0; s < 6; ++s) table |= s << (3 * s);
  DrawBatch batch;
  batch.laststate = source->state;
  refill(&batch);

  openposition(g.bytes, 0);
  // Without a position there is no cell to scan for, however long the other
  // axes are.
  if (g.xsize == 0 || g.ysize == 0 || g.zsize == 0) return;
  for (uint32_t z = 0; z < g.zsize; z += 2) {
    for (uint32_t y = 0; y < g.ysize; y += 2) {
      uint32_t index = z * layer + y * row;
      for (uint32_t x = 0; x < g.xsize; x += 2, index += 2) {
        if (isopen(g.bytes, index)) continue;
        if (g.zsize == 1)
          walkfrom<true>(g, &batch, &table, x, y, z, index);
        else
          walkfrom<false>(g, &batch, &table, x, y, z, index);
      }
    }
  }
  // Draws made ahead but not used are not taken from the source.
  source->state = batch.next > 0 ? batch.states[batch.next - 1] : batch.laststate;
}
