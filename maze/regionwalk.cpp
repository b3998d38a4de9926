// The scan and walk of generate.cpp, written plainly for regions: the same
// six-slot table (the two z directions included, which never lead inside a
// flat grid), the same picks and swaps, so that the region of a whole grid
// gives the very maze of the plain generator.
#include "regionwalk.h"

namespace {

struct Step {
  int32_t dx, dy;
};

// +x, -x, +y, -y, +z, -z: the z directions never lead anywhere here.
constexpr Step kInitialTable[6] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {0, 0}, {0, 0}};
constexpr int kFlatDirections = 4;

struct Walker {
  MazeHandle *maze;
  Region region;
  int32_t straight;
  RandomSource *source;
  int slots[6];  // direction numbers, 0 to 5, in table order
  int f;         // candidates: slots 0 to f - 1
};

bool incell(const Region &region, int64_t x, int64_t y) {
  if (x < 0 || y < 0 || y >= region.rows) return false;
  const int64_t lastrow = (int64_t(region.rows) - 1) & ~int64_t(1);
  return x < (y == lastrow ? region.lastwidth : region.width);
}

// The walk works in 64 bits, so that no step past an edge wraps.
bool openat(const MazeHandle *maze, int64_t x, int64_t y) {
  return isopenxy(maze, int32_t(x), int32_t(y));
}

void open(MazeHandle *maze, int64_t x, int64_t y) { openxy(maze, int32_t(x), int32_t(y)); }

int pick(Walker *w) { return int(pickbelow(uint32_t(w->f), w->source)); }

void swapslots(Walker *w, int a, int b) {
  const int t = w->slots[a];
  w->slots[a] = w->slots[b];
  w->slots[b] = t;
}

// The neighbour cell of (x, y) in direction d lies in the region.
bool leadsinside(const Walker &w, int64_t x, int64_t y, int d) {
  if (d >= kFlatDirections) return false;
  const Step s = kInitialTable[d];
  return incell(w.region, x + 2 * s.dx, y + 2 * s.dy);
}

// The neighbour cell of (x, y) in direction d lies in the region and is
// still closed: the walk can carve into it.
bool closedahead(const Walker &w, int64_t x, int64_t y, int d) {
  const Step s = kInitialTable[d];
  return leadsinside(w, x, y, d) && !openat(w.maze, x + 2 * s.dx, y + 2 * s.dy);
}

// True when the walk is to go on in the direction it came from, if it can:
// a draw against the straightness.
bool keepsdirection(Walker *w) {
  if (w->straight <= 0) return false;
  return int32_t(nextdraw(w->source) * 100u / 32768u) < w->straight;
}

void walk(Walker *w, int64_t x, int64_t y) {
  MazeHandle *m = w->maze;
  open(m, x, y);
  w->f = 6;
  for (;;) {  // joining step: one of the neighbours is open
    const int r = pick(w);
    const int d = w->slots[r];
    if (leadsinside(*w, x, y, d)) {
      const Step s = kInitialTable[d];
      if (openat(m, x + 2 * s.dx, y + 2 * s.dy)) {
        open(m, x + s.dx, y + s.dy);
        swapslots(w, r, 5);
        w->f = 5;
        break;
      }
    }
    swapslots(w, r, w->f - 1);
    if (--w->f == 0) return;  // cannot happen in a region as described
  }
  int came = -1;         // the direction of the last carve
  bool arrived = false;  // a carve has just reached (x, y)
  while (w->f > 0) {     // carving walk
    int d;
    const bool ahead = arrived && keepsdirection(w) && closedahead(*w, x, y, came);
    arrived = false;
    if (ahead) {
      d = came;  // straight on, before any pick; the table stays as it is
    } else {
      const int r = pick(w);
      d = w->slots[r];
      if (!closedahead(*w, x, y, d)) {
        swapslots(w, r, w->f - 1);
        w->f--;
        continue;
      }
    }
    const Step s = kInitialTable[d];
    open(m, x + s.dx, y + s.dy);
    x += 2 * s.dx;
    y += 2 * s.dy;
    open(m, x, y);
    came = d;
    arrived = true;
    w->f = 6;
  }
}

}  // namespace

uint32_t pickbelow(uint32_t count, RandomSource *source) {
  const uint32_t r = static_cast<uint32_t>(scaledraw(count, nextdraw(source)));
  return r == count ? count - 1 : r;
}

void walkregion(MazeHandle *maze, const Region &region, unsigned lines, int32_t straight,
                RandomSource *source) {
  Walker w = {maze, region, straight, source, {0, 1, 2, 3, 4, 5}, 6};
  open(maze, 0, 0);
  // Each line's cells, and the passages between them.
  for (int64_t y = 2; (lines & kColumnZero) && incell(region, 0, y); y += 2) {
    open(maze, 0, y - 1);
    open(maze, 0, y);
  }
  for (int64_t x = 2; (lines & kRowZero) && incell(region, x, 0); x += 2) {
    open(maze, x - 1, 0);
    open(maze, x, 0);
  }
  for (int64_t y = 0; y < region.rows; y += 2)
    for (int64_t x = 0; incell(region, x, y); x += 2)
      if (!openat(maze, x, y)) walk(&w, x, y);
}
