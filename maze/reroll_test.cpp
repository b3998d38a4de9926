// Re-rolls through the entry point, against what quendrel.h promises: one
// table of styles, sizes, rectangles and seeds, each held to every promise.
#include <gtest/gtest.h>
#include <string.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mazegrid.h"
#include "perfectmaze.h"
#include "quendrel.h"

namespace {

size_t gridbytes(const MazeHandle *m) { return size_t(int64_t(m->xsize) * m->ysize / 8 + 1); }

bool openat(const MazeHandle *m, int32_t x, int32_t y) {
  return _qndgetpos(const_cast<MazeHandle *>(m), x, y, 0) != 0;
}

// The places a position stands for under a mode, written out from the
// picture of the grid: mirrors, half turn, quarter turns.
std::vector<std::pair<int32_t, int32_t>> orbit(int32_t mode, const MazeHandle *m, int32_t x,
                                               int32_t y) {
  const int32_t X = m->xsize - 1, Y = m->ysize - 1;
  std::vector<std::pair<int32_t, int32_t>> places = {{x, y}};
  if (mode == QND_SYMMETRY_LEFT_RIGHT || mode == QND_SYMMETRY_FOUR_WAY)
    places.push_back({X - x, y});
  if (mode == QND_SYMMETRY_TOP_BOTTOM || mode == QND_SYMMETRY_FOUR_WAY)
    places.push_back({x, Y - y});
  if (mode == QND_SYMMETRY_ROTATE_180 || mode == QND_SYMMETRY_FOUR_WAY ||
      mode == QND_SYMMETRY_ROTATE_90)
    places.push_back({X - x, Y - y});
  if (mode == QND_SYMMETRY_ROTATE_90) places.push_back({Y - y, x}), places.push_back({y, X - x});
  return places;
}

bool symmetric(const MazeHandle *m, int32_t mode) {
  for (int32_t y = 0; y < m->ysize; ++y)
    for (int32_t x = 0; x < m->xsize; ++x)
      for (auto [gx, gy] : orbit(mode, m, x, y))
        if (openat(m, gx, gy) != openat(m, x, y)) return false;
  return true;
}

// Every cell reached from the origin through open positions.
bool connected(const MazeHandle *m) {
  std::vector<char> seen(size_t(m->xsize) * size_t(m->ysize));
  std::vector<std::pair<int32_t, int32_t>> todo = {{0, 0}};
  seen[0] = 1;
  size_t cells = 0;
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    cells += (x % 2 == 0 && y % 2 == 0);
    const int32_t steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (auto &s : steps) {
      const int32_t nx = x + s[0], ny = y + s[1];
      if (nx < 0 || ny < 0 || nx >= m->xsize || ny >= m->ysize) continue;
      char &mark = seen[size_t(ny) * size_t(m->xsize) + size_t(nx)];
      if (mark || !openat(m, nx, ny)) continue;
      mark = 1;
      todo.push_back({nx, ny});
    }
  }
  return cells == size_t((m->xsize + 1) / 2) * size_t((m->ysize + 1) / 2);
}

TEST(Reroll, KeepsEveryPromiseOverStylesRectanglesAndSeeds) {
  const struct {
    int32_t mode, loops, xsize, ysize;
    int32_t x0, y0, x1, y1, keep;
  } cases[] = {
      {QND_SYMMETRY_NONE, 0, 41, 33, 10, 6, 20, 15, 0},       // a box inside
      {QND_SYMMETRY_NONE, 0, 41, 33, 10, 6, 20, 15, 1},       // everything but it
      {QND_SYMMETRY_NONE, 0, 40, 31, -5, -5, 3, 100, 0},      // over the edges, even width
      {QND_SYMMETRY_NONE, 30, 41, 33, 0, 0, 40, 32, 0},       // the whole maze, with loops
      {QND_SYMMETRY_NONE, 100, 41, 33, 12, 12, 22, 22, 0},    // no dead end left in it
      {QND_SYMMETRY_LEFT_RIGHT, 0, 21, 15, 0, 4, 6, 9, 0},    // beside the mirror's axis
      {QND_SYMMETRY_LEFT_RIGHT, 0, 23, 15, 8, 0, 14, 14, 0},  // across it
      // A band across the axis, between two pieces that loops join across it.
      {QND_SYMMETRY_LEFT_RIGHT, 100, 23, 15, 0, 5, 22, 9, 0},
      {QND_SYMMETRY_TOP_BOTTOM, 20, 15, 23, 2, 9, 12, 13, 1},
      {QND_SYMMETRY_ROTATE_180, 0, 21, 19, 6, 6, 14, 12, 0},  // meets its own image
      {QND_SYMMETRY_FOUR_WAY, 0, 21, 25, 0, 0, 7, 7, 0},
      {QND_SYMMETRY_FOUR_WAY, 40, 23, 21, 8, 8, 14, 12, 1},
      {QND_SYMMETRY_ROTATE_90, 0, 21, 21, 2, 2, 8, 6, 0},
      {QND_SYMMETRY_ROTATE_90, 0, 21, 21, 8, 8, 12, 12, 0},  // the centre
      {QND_SYMMETRY_ROTATE_90, 0, 21, 21, 8, 8, 12, 12, 1},
  };
  for (const auto &c : cases) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
      SCOPED_TRACE("mode " + std::to_string(c.mode) + " loops " + std::to_string(c.loops) + ", " +
                   std::to_string(c.xsize) + "x" + std::to_string(c.ysize) + " box " +
                   std::to_string(c.x0) + "," + std::to_string(c.y0) + " keep " +
                   std::to_string(c.keep) + ", seed " + std::to_string(seed));
      const QndStyle style = {sizeof(QndStyle), c.mode, c.loops, 0, 1, seed};
      MazeHandle *maze = _qndcreatestyled(c.xsize, c.ysize, 1, &style);
      MazeHandle *twin = _qndcreatestyled(c.xsize, c.ysize, 1, &style);
      ASSERT_TRUE(maze != nullptr && twin != nullptr);
      const std::vector<uint8_t> before(maze->grid, maze->grid + gridbytes(maze));

      ASSERT_EQ(_qndreroll(maze, c.x0, c.y0, c.x1, c.y1, c.keep, 1000 + seed), 1);
      if (c.loops == 0) {
        EXPECT_EQ(perfectmazeproblem(*maze, gridbytes(maze)), "");
      }
      EXPECT_TRUE(connected(maze));
      EXPECT_TRUE(symmetric(maze, c.mode));

      // The set: the box's cells or the others, with their images; only
      // its cells' passages may differ.
      std::set<std::pair<int32_t, int32_t>> set;
      for (int32_t y = 0; y < c.ysize; y += 2)
        for (int32_t x = 0; x < c.xsize; x += 2)
          if ((x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1) != (c.keep != 0))
            for (auto place : orbit(c.mode, maze, x, y)) set.insert(place);
      bool changed = false, outside = false;
      for (int32_t y = 0; y < c.ysize; ++y)
        for (int32_t x = 0; x < c.xsize; ++x) {
          const uint32_t i = uint32_t(y * c.xsize + x);
          if (((before[i / 8] >> (i % 8)) & 1) == openat(maze, x, y)) continue;
          changed = true;
          const bool passage = (x + y) % 2 == 1;
          const bool ofset =
              passage && (set.count({x - x % 2, y - y % 2}) || set.count({x + x % 2, y + y % 2}));
          outside = outside || !ofset;
        }
      EXPECT_FALSE(outside) << "a position outside the set's passages changed";
      if (c.loops == 100) {
        for (auto [x, y] : set) {
          int ways = 0;
          for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
            ways += x + dx >= 0 && y + dy >= 0 && x + dx < c.xsize && y + dy < c.ysize &&
                    openat(maze, x + dx, y + dy);
          EXPECT_NE(ways, 1) << "a dead end at " << x << "," << y;
        }
      }

      // The same inputs, the same maze; the same re-roll again changes nothing.
      ASSERT_EQ(_qndreroll(twin, c.x0, c.y0, c.x1, c.y1, c.keep, 1000 + seed), 1);
      EXPECT_EQ(memcmp(maze->grid, twin->grid, gridbytes(maze)), 0);
      const std::vector<uint8_t> once(maze->grid, maze->grid + gridbytes(maze));
      ASSERT_EQ(_qndreroll(maze, c.x0, c.y0, c.x1, c.y1, c.keep, 1000 + seed), 1);
      EXPECT_EQ(memcmp(maze->grid, once.data(), once.size()), 0);
      if (seed == 1) {
        // Another seed draws another maze, somewhere.
        ASSERT_EQ(_qndreroll(twin, c.x0, c.y0, c.x1, c.y1, c.keep, 7), 1);
        EXPECT_TRUE(changed || memcmp(maze->grid, twin->grid, gridbytes(maze)) != 0);
      }
      _qnddestroy(maze);
      _qnddestroy(twin);
    }
  }
}

TEST(Reroll, RefusesWhatHoldsNoCellAndLeavesTheMazeAsItWas) {
  MazeHandle *maze = _qndcreate(21, 15, 1);
  MazeHandle *layered = _qndcreate(5, 5, 3);
  ASSERT_TRUE(maze != nullptr && layered != nullptr);
  const std::vector<uint8_t> before(maze->grid, maze->grid + gridbytes(maze));
  const int32_t boxes[][4] = {{5, 5, 4, 9},  {30, 0, 40, 14}, {0, -9, 20, -1},
                              {1, 1, 1, 13}, {3, 3, 3, 3},    {-8, 0, -1, 14}};
  for (auto &b : boxes)
    for (int32_t keep : {0, 1})
      EXPECT_EQ(_qndreroll(maze, b[0], b[1], b[2], b[3], keep, 1), 0) << b[0] << "," << b[1];
  EXPECT_EQ(memcmp(maze->grid, before.data(), before.size()), 0);
  EXPECT_EQ(_qndreroll(layered, 0, 0, 4, 4, 0, 1), 0);
  EXPECT_EQ(_qndreroll(nullptr, 0, 0, 4, 4, 0, 1), 0);
  // A box over every cell, kept: nothing to draw, nothing changed.
  EXPECT_EQ(_qndreroll(maze, 0, 0, 20, 14, 1, 1), 1);
  EXPECT_EQ(memcmp(maze->grid, before.data(), before.size()), 0);
  _qnddestroy(maze);
  _qnddestroy(layered);
}

}  // namespace
