#include "loops.h"

#include <stdlib.h>

#include "regionwalk.h"

namespace {

struct Step {
  int32_t dx, dy;
};

constexpr Step kSteps[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

bool inside(const MazeHandle &m, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < m.xsize && y < m.ysize;
}

// The directions from cell (x, y) to a neighbour cell inside the maze, and
// which of them have their passage open.
unsigned neighbours(const MazeHandle &m, int32_t x, int32_t y, unsigned *open) {
  unsigned in = 0;
  *open = 0;
  for (unsigned d = 0; d < 4; ++d) {
    if (!inside(m, x + 2 * kSteps[d].dx, y + 2 * kSteps[d].dy)) continue;
    in |= 1u << d;
    if (isopenxy(&m, x + kSteps[d].dx, y + kSteps[d].dy)) *open |= 1u << d;
  }
  return in;
}

bool isdeadend(const MazeHandle &m, int32_t x, int32_t y) {
  unsigned open;
  neighbours(m, x, y, &open);
  return open != 0 && (open & (open - 1)) == 0;
}

// The scan index of a cell; a dead end stands for its orbit when no image of
// it comes earlier in scan order.
int64_t scanindex(const MazeHandle &m, int32_t x, int32_t y) { return int64_t(y) * m.xsize + x; }

bool firstoforbit(const MazeHandle &m, Symmetry mode, int32_t x, int32_t y) {
  for (int g = 1; g < symmetryorder(mode); ++g) {
    int64_t gx, gy;
    imageof(mode, g, m.xsize, m.ysize, x, y, &gx, &gy);
    if (scanindex(m, int32_t(gx), int32_t(gy)) < scanindex(m, x, y)) return false;
  }
  return true;
}

}  // namespace

bool openloops(MazeHandle *maze, Symmetry mode, int32_t percent, RandomSource *source,
               const uint8_t *only) {
  if (percent <= 0) return true;
  const int32_t cellcolumns = (maze->xsize + 1) / 2;
  // The dead ends that stand for their orbits, in scan order.
  size_t count = 0, capacity = 0;
  int64_t *orbits = nullptr;
  for (int32_t y = 0; y < maze->ysize; y += 2)
    for (int32_t x = 0; x < maze->xsize; x += 2) {
      if (only != nullptr && only[(y / 2) * cellcolumns + x / 2] == 0) continue;
      if (!isdeadend(*maze, x, y) || !firstoforbit(*maze, mode, x, y)) continue;
      if (count == capacity) {
        capacity = capacity ? 2 * capacity : 256;
        int64_t *more = static_cast<int64_t *>(realloc(orbits, capacity * sizeof *orbits));
        if (more == nullptr) {
          free(orbits);
          return false;
        }
        orbits = more;
      }
      orbits[count++] = scanindex(*maze, x, y);
    }
  // The share of them, drawn without repeats, each opened in turn unless an
  // earlier one has opened into it already.
  const size_t chosen = size_t(uint64_t(count) * uint64_t(percent) / 100);
  for (size_t i = 0; i < chosen; ++i) {
    const size_t j = i + pickbelow(uint32_t(count - i), source);
    const int64_t at = orbits[j];
    orbits[j] = orbits[i];
    orbits[i] = at;
    const int32_t x = int32_t(at % maze->xsize), y = int32_t(at / maze->xsize);
    unsigned open;
    const unsigned closed = neighbours(*maze, x, y, &open) & ~open;
    if (open == 0 || (open & (open - 1)) != 0 || closed == 0) continue;
    unsigned candidates[4], n = 0;
    for (unsigned d = 0; d < 4; ++d)
      if (closed & (1u << d)) candidates[n++] = d;
    const Step s = kSteps[candidates[pickbelow(n, source)]];
    for (int g = 0; g < symmetryorder(mode); ++g) {
      int64_t gx, gy;
      imageof(mode, g, maze->xsize, maze->ysize, x + s.dx, y + s.dy, &gx, &gy);
      openxy(maze, int32_t(gx), int32_t(gy));
    }
  }
  free(orbits);
  return true;
}
