#include "perfectmaze.h"

#include <stdint.h>

#include <vector>

namespace {

bool openat(const MazeHandle &m, int32_t x, int32_t y, int32_t z) {
  return isopen(m.grid, positionindex(&m, x, y, z));
}

std::string at(int32_t x, int32_t y, int32_t z) {
  return " at " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z);
}

}  // namespace

std::string perfectmazeproblem(const MazeHandle &m, size_t bytes) {
  const int32_t X = m.xsize, Y = m.ysize, Z = m.zsize;
  const int64_t count = int64_t(X) * Y * Z;
  if (count == 0) {
    if (m.grid[0] != 1) return "a grid without positions holds more than the origin's bit";
    for (size_t i = 1; i < bytes; ++i)
      if (m.grid[i] != 0) return "a grid without positions has bits set past its first byte";
    return "";
  }
  for (int64_t bit = count; bit < int64_t(bytes) * 8; ++bit)
    if (m.grid[bit >> 3] & (1u << (bit & 7))) return "a bit past the last position is set";

  int64_t cells = 0, open = 0, edges = 0;
  for (int32_t z = 0; z < Z; ++z)
    for (int32_t y = 0; y < Y; ++y)
      for (int32_t x = 0; x < X; ++x) {
        int odd = (x & 1) + (y & 1) + (z & 1);
        bool here = openat(m, x, y, z);
        if (odd == 0) {
          ++cells;
          if (!here) return "closed cell" + at(x, y, z);
        }
        if (!here) continue;
        ++open;
        if (odd > 1) return "open position with two odd coordinates" + at(x, y, z);
        if ((X % 2 == 0 && x == X - 1) || (Y % 2 == 0 && y == Y - 1) || (Z % 2 == 0 && z == Z - 1))
          return "last line of an even axis opened" + at(x, y, z);
        if (x + 1 < X && openat(m, x + 1, y, z)) ++edges;
        if (y + 1 < Y && openat(m, x, y + 1, z)) ++edges;
        if (z + 1 < Z && openat(m, x, y, z + 1)) ++edges;
      }
  if (open != 2 * cells - 1) return "not one passage fewer than cells";
  // One edge fewer than nodes makes a tree exactly when it is connected.
  if (edges != open - 1) return "the open positions hold a cycle";
  std::vector<uint8_t> seen(static_cast<size_t>(count));
  std::vector<int64_t> todo{0};
  seen[0] = 1;
  int64_t reached = 0;
  while (!todo.empty()) {
    int64_t i = todo.back();
    todo.pop_back();
    ++reached;
    int32_t x = int32_t(i % X), y = int32_t(i / X % Y), z = int32_t(i / X / Y);
    const int32_t next[6][3] = {{x + 1, y, z}, {x - 1, y, z}, {x, y + 1, z},
                                {x, y - 1, z}, {x, y, z + 1}, {x, y, z - 1}};
    for (const auto &n : next) {
      if (n[0] < 0 || n[0] >= X || n[1] < 0 || n[1] >= Y || n[2] < 0 || n[2] >= Z) continue;
      int64_t j = (int64_t(n[2]) * Y + n[1]) * X + n[0];
      if (!seen[size_t(j)] && openat(m, n[0], n[1], n[2])) seen[size_t(j)] = 1, todo.push_back(j);
    }
  }
  return reached == open ? "" : "the open positions are not connected";
}
