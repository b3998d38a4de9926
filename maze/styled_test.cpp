// Styled mazes through the entry point: perfect without loops, exactly
// symmetric, no dead end left at loops=100, straighter corridors at
// straight=100, and the plain maze for the default style.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "generate.h"
#include "mazegrid.h"
#include "perfectmaze.h"
#include "quendrel.h"
#include "regionwalk.h"
#include "symmetry.h"

namespace {

struct Seed {
  explicit Seed(uint32_t seed) { setenv("QUENDREL_SEED", std::to_string(seed).c_str(), 1); }
  ~Seed() { unsetenv("QUENDREL_SEED"); }
};

bool openat(const MazeHandle *m, int32_t x, int32_t y) {
  return _qndgetpos(const_cast<MazeHandle *>(m), x, y, 0) != 0;
}

size_t gridbytes(const MazeHandle *m) { return size_t(int64_t(m->xsize) * m->ysize / 8 + 1); }

// Cells with exactly one open passage.
int deadends(const MazeHandle *m) {
  int count = 0;
  for (int32_t y = 0; y < m->ysize; y += 2)
    for (int32_t x = 0; x < m->xsize; x += 2) {
      int ways = 0;
      if (x + 1 < m->xsize && openat(m, x + 1, y)) ways++;
      if (x > 0 && openat(m, x - 1, y)) ways++;
      if (y + 1 < m->ysize && openat(m, x, y + 1)) ways++;
      if (y > 0 && openat(m, x, y - 1)) ways++;
      count += ways == 1;
    }
  return count;
}

// The mean length, in positions, of the straight runs of open positions
// along rows and columns (a run of one position does not count).
double meanrun(const MazeHandle *m) {
  long runs = 0, total = 0;
  auto scan = [&](int32_t lines, int32_t length, bool rows) {
    for (int32_t a = 0; a < lines; a += 2) {
      int32_t run = 0;
      for (int32_t b = 0; b <= length; ++b) {
        const bool open = b < length && (rows ? openat(m, b, a) : openat(m, a, b));
        if (open) {
          run++;
        } else {
          if (run > 1) runs++, total += run;
          run = 0;
        }
      }
    }
  };
  scan(m->ysize, m->xsize, true);
  scan(m->xsize, m->ysize, false);
  return runs ? double(total) / double(runs) : 0;
}

// The maps of each mode, written out from the picture of the grid rather
// than from the group the library uses.
bool symmetric(const MazeHandle *m, int32_t mode) {
  const int32_t X = m->xsize - 1, Y = m->ysize - 1;
  for (int32_t y = 0; y <= Y; ++y)
    for (int32_t x = 0; x <= X; ++x) {
      const bool here = openat(m, x, y);
      bool same = true;
      if (mode == QND_SYMMETRY_LEFT_RIGHT || mode == QND_SYMMETRY_FOUR_WAY)
        same = same && openat(m, X - x, y) == here;
      if (mode == QND_SYMMETRY_TOP_BOTTOM || mode == QND_SYMMETRY_FOUR_WAY)
        same = same && openat(m, x, Y - y) == here;
      if (mode == QND_SYMMETRY_ROTATE_180 || mode == QND_SYMMETRY_FOUR_WAY ||
          mode == QND_SYMMETRY_ROTATE_90)
        same = same && openat(m, X - x, Y - y) == here;
      if (mode == QND_SYMMETRY_ROTATE_90) same = same && openat(m, Y - y, x) == here;
      if (!same) return false;
    }
  return true;
}

TEST(StyledMaze, EveryModeIsPerfectSymmetricAndLoopsLeaveNoDeadEnd) {
  const struct {
    int32_t mode, xsize, ysize;
  } cases[] = {
      {QND_SYMMETRY_NONE, 40, 31},       {QND_SYMMETRY_LEFT_RIGHT, 21, 14},
      {QND_SYMMETRY_LEFT_RIGHT, 23, 17}, {QND_SYMMETRY_LEFT_RIGHT, 1, 9},
      {QND_SYMMETRY_TOP_BOTTOM, 18, 21}, {QND_SYMMETRY_TOP_BOTTOM, 15, 23},
      {QND_SYMMETRY_ROTATE_180, 21, 21}, {QND_SYMMETRY_ROTATE_180, 23, 21},
      {QND_SYMMETRY_ROTATE_180, 21, 19}, {QND_SYMMETRY_ROTATE_180, 1, 1},
      {QND_SYMMETRY_FOUR_WAY, 21, 25},   {QND_SYMMETRY_FOUR_WAY, 23, 21},
      {QND_SYMMETRY_FOUR_WAY, 21, 19},   {QND_SYMMETRY_ROTATE_90, 21, 21},
      {QND_SYMMETRY_ROTATE_90, 5, 5},    {QND_SYMMETRY_ROTATE_90, 1, 1},
  };
  for (const auto &c : cases) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
      SCOPED_TRACE("mode " + std::to_string(c.mode) + ", " + std::to_string(c.xsize) + "x" +
                   std::to_string(c.ysize) + ", seed " + std::to_string(seed));
      Seed fixed(seed);
      for (int32_t straight : {0, 60}) {
        QndStyle style = {sizeof(QndStyle), c.mode, 0, straight, 0, 0};
        MazeHandle *maze = _qndcreatestyled(c.xsize, c.ysize, 1, &style);
        ASSERT_NE(maze, nullptr);
        EXPECT_EQ(perfectmazeproblem(*maze, gridbytes(maze)), "");
        EXPECT_TRUE(symmetric(maze, c.mode));
        _qnddestroy(maze);
      }
      QndStyle loops = {sizeof(QndStyle), c.mode, 100, 0, 0, 0};
      MazeHandle *maze = _qndcreatestyled(c.xsize, c.ysize, 1, &loops);
      ASSERT_NE(maze, nullptr);
      EXPECT_TRUE(symmetric(maze, c.mode));
      if (c.xsize > 1 && c.ysize > 1) {
        EXPECT_EQ(deadends(maze), 0);
      }
      _qnddestroy(maze);
    }
  }
}

TEST(StyledMaze, DefaultStyleIsThePlainMazeAndStraightCorridorsAreLonger) {
  Seed fixed(77);
  MazeHandle *plain = _qndcreate(41, 33, 1);
  QndStyle none = {sizeof(QndStyle), 0, 0, 0, 0, 0};
  // A record from an older header: only the size, the rest counts as 0.
  QndStyle older = {sizeof(uint32_t), 5, 5, 5, 5, 5};
  // A maze seeded by its style is the one QUENDREL_SEED would give it, with
  // the variable saying otherwise.
  QndStyle seeded = {sizeof(QndStyle), 0, 0, 0, 1, 77};
  const QndStyle *styles[] = {nullptr, &none, &older, &seeded};
  for (const QndStyle *style : styles) {
    Seed other(style == &seeded ? 78 : 77);
    MazeHandle *styled = _qndcreatestyled(41, 33, 1, style);
    ASSERT_NE(styled, nullptr);
    EXPECT_EQ(memcmp(plain->grid, styled->grid, gridbytes(plain)), 0);
    _qnddestroy(styled);
  }
  _qnddestroy(plain);
  // So is a styled one.
  QndStyle loops = {sizeof(QndStyle), QND_SYMMETRY_LEFT_RIGHT, 40, 20, 1, 9};
  MazeHandle *first = _qndcreatestyled(41, 33, 1, &loops);
  Seed nine(9);
  loops.seeded = 0;
  MazeHandle *second = _qndcreatestyled(41, 33, 1, &loops);
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_EQ(memcmp(first->grid, second->grid, gridbytes(first)), 0);
  _qnddestroy(first);
  _qnddestroy(second);

  double twisty = 0, straight = 0;
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    Seed each(seed);
    for (int32_t s : {0, 100}) {
      QndStyle style = {sizeof(QndStyle), 0, 0, s, 0, 0};
      MazeHandle *maze = _qndcreatestyled(101, 101, 1, &style);
      ASSERT_NE(maze, nullptr);
      EXPECT_EQ(perfectmazeproblem(*maze, gridbytes(maze)), "");
      (s == 0 ? twisty : straight) += meanrun(maze);
      _qnddestroy(maze);
    }
  }
  EXPECT_GE(straight, 1.5 * twisty);
}

TEST(StyledMaze, RefusesSizesAndStylesItCannotMake) {
  const QndStyle ok = {sizeof(QndStyle), QND_SYMMETRY_FOUR_WAY, 0, 0, 0, 0};
  const struct {
    int32_t xsize, ysize, zsize;
    QndStyle style;
  } refused[] = {
      {20, 21, 1, {sizeof(QndStyle), QND_SYMMETRY_LEFT_RIGHT, 0, 0, 0, 0}},  // even mirrored side
      {21, 20, 1, {sizeof(QndStyle), QND_SYMMETRY_TOP_BOTTOM, 0, 0, 0, 0}},
      {23, 23, 1, ok},  // both half sides odd
      {23, 23, 1, {sizeof(QndStyle), QND_SYMMETRY_ROTATE_180, 0, 0, 0, 0}},
      {21, 25, 1, {sizeof(QndStyle), QND_SYMMETRY_ROTATE_90, 0, 0, 0, 0}},  // not square
      {23,
       23,
       1,
       {sizeof(QndStyle), QND_SYMMETRY_ROTATE_90, 0, 0, 0, 0}},  // a passage at the centre
      {21, 21, 3, ok},                                           // layers
      {21, 21, 1, {sizeof(QndStyle), 6, 0, 0, 0, 0}},            // unknown mode
      {21, 21, 1, {sizeof(QndStyle), 0, 101, 0, 0, 0}},
      {21, 21, 1, {sizeof(QndStyle), 0, 0, -1, 0, 0}},
      {21, 21, 1, {0, 0, 0, 0, 0, 0}},  // no size
      {21, 21, 1, {sizeof(QndStyle), 0, 0, 0, 2, 0}},
      {-1, 21, 1, {sizeof(QndStyle), 0, 50, 0, 0, 0}},
  };
  for (const auto &c : refused)
    EXPECT_EQ(_qndcreatestyled(c.xsize, c.ysize, c.zsize, &c.style), nullptr)
        << c.xsize << "x" << c.ysize << "x" << c.zsize << " mode " << c.style.symmetry;

  // A newer caller's record: fields past the known ones must be 0.
  struct Newer {
    QndStyle known;
    int32_t later;
  } newer = {{sizeof(Newer), 0, 10, 0, 0, 0}, 0};
  MazeHandle *maze = _qndcreatestyled(21, 21, 1, &newer.known);
  EXPECT_NE(maze, nullptr);
  _qnddestroy(maze);
  newer.later = 1;
  EXPECT_EQ(_qndcreatestyled(21, 21, 1, &newer.known), nullptr);
}

// The region walk over a whole grid is the plain generator, draw for draw:
// the symmetric mazes rest on it.
TEST(StyledMaze, RegionWalkOfAWholeGridIsThePlainGenerator) {
  for (int32_t x = 0; x < 24; ++x)
    for (int32_t y = 0; y < 24; y += 3)
      for (uint32_t seed : {1u, 77u, 4000000000u}) {
        std::vector<uint8_t> a(size_t(x * y / 8 + 1)), b(a.size());
        MazeHandle plain = {x, y, 1, a.data()}, walked = {x, y, 1, b.data()};
        RandomSource pa{seed}, wa{seed};
        generatemaze(&plain, &pa);
        walkregion(&walked, {uint32_t(x), uint32_t(y), uint32_t(x)}, kNoLine, 0, &wa);
        ASSERT_EQ(a, b) << x << "x" << y << " seed " << seed;
        ASSERT_EQ(pa.state, wa.state);
      }
}

}  // namespace
