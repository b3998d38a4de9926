#include <gtest/gtest.h>
#include <stdlib.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <array>
#include <random>
#include <string>
#include <vector>

#include "generate.h"
#include "mazegrid.h"
#include "perfectmaze.h"
#include "plaingenerate.h"
#include "quendrel.h"
#include "seed.h"

namespace {

// A maze record with an all-closed grid, owned by the test.
struct TestMaze {
  MazeHandle handle;
  std::vector<uint8_t> bytes;
  TestMaze(int32_t x, int32_t y, int32_t z) : bytes(size_t(int64_t(x) * y * z / 8 + 1)) {
    handle = {x, y, z, bytes.data()};
  }
  bool open(int32_t x, int32_t y, int32_t z) const {
    return isopen(handle.grid, positionindex(&handle, x, y, z));
  }
};

// Number of draws the generator took: steps from the seed to the final state.
int drawsbetween(uint32_t seed, uint32_t finalstate) {
  RandomSource s{seed};
  int n = 0;
  while (s.state != finalstate && n < 1000000) nextdraw(&s), ++n;
  return n;
}

std::vector<std::string> picture(const TestMaze &m) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < m.handle.ysize; ++y) {
    std::string row;
    for (int32_t x = 0; x < m.handle.xsize; ++x) row += m.open(x, y, 0) ? 'X' : 'O';
    rows.push_back(row);
  }
  return rows;
}

class ScopedSeed {
 public:
  explicit ScopedSeed(const char *value) {
    const char *old = getenv("QUENDREL_SEED");
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value)
      setenv("QUENDREL_SEED", value, 1);
    else
      unsetenv("QUENDREL_SEED");
  }
  ~ScopedSeed() {
    if (had_)
      setenv("QUENDREL_SEED", old_.c_str(), 1);
    else
      unsetenv("QUENDREL_SEED");
  }

 private:
  bool had_ = false;
  std::string old_;
};

TEST(MazeGrid, AddressesEachPositionByItsBit) {
  TestMaze flat(3, 3, 1);
  EXPECT_EQ(positionindex(&flat.handle, 2, 1, 0), 5u);
  EXPECT_EQ(positionmask(5), 0x20);
  TestMaze layered(3, 3, 2);
  EXPECT_EQ(layered.bytes.size(), 3u);
  EXPECT_EQ(positionindex(&layered.handle, 0, 0, 1), 9u);
  EXPECT_EQ(positionmask(9), 0x02);
  EXPECT_EQ(TestMaze(8, 1, 1).bytes.size(), 2u);
}

TEST(MazeGrid, EntryPointsReadAndOpenSinglePositions) {
  ScopedSeed seed("1");
  MazeHandle *maze = _qndcreate(9, 1, 1);  // every position of a 9 x 1 line is open
  ASSERT_NE(maze, nullptr);
  EXPECT_EQ(_qndgetpos(maze, 7, 0, 0), 0x80);  // index 7: mask 128, not 1
  EXPECT_EQ(_qndgetpos(maze, 8, 0, 0), 0x01);
  EXPECT_EQ(_qndsetpos(maze, 3, 0, 0), 0xFF);  // already open: byte unchanged
  _qnddestroy(maze);

  maze = _qndcreate(4, 4, 1);  // x = 3 and y = 3 stay closed
  ASSERT_NE(maze, nullptr);
  EXPECT_EQ(_qndgetpos(maze, 3, 3, 0), 0);
  uint8_t before = static_cast<uint8_t>(_qndgetpos(maze, 2, 3, 0) | _qndgetpos(maze, 0, 2, 0) |
                                        _qndgetpos(maze, 1, 2, 0));
  EXPECT_EQ(before & 0x80, 0);
  EXPECT_EQ(_qndsetpos(maze, 3, 3, 0) & 0x80, 0x80);  // index 15: bit 7 of byte 1
  EXPECT_EQ(_qndgetpos(maze, 3, 3, 0), 0x80);
  _qnddestroy(maze);
  _qnddestroy(nullptr);
}

TEST(MazeGrid, RefusesSizesWithoutAGrid) {
  EXPECT_EQ(_qndcreate(-1, 5, 1), nullptr);
  EXPECT_EQ(_qndcreate(5, 5, -2), nullptr);
  EXPECT_EQ(_qndcreate(0, 5, -1), nullptr);         // negative beside a zero size
  EXPECT_EQ(_qndcreate(65536, 32768, 1), nullptr);  // 2^31 positions
  EXPECT_EQ(_qndcreate(2, 2, INT32_MAX), nullptr);
  EXPECT_EQ(_qndcreate(INT32_MAX, INT32_MAX, 1), nullptr);  // the first product already overflows
  for (auto sizes :
       {std::array<int32_t, 3>{0, 7, 7}, {70000, 70000, 0}, {0, INT32_MAX, INT32_MAX}}) {
    MazeHandle *empty = _qndcreate(sizes[0], sizes[1], sizes[2]);  // no position, yet a maze
    EXPECT_NE(empty, nullptr);
    _qnddestroy(empty);
  }
}

TEST(MazeGeneration, WorkedExamplesWithSeedOne) {
  TestMaze small(5, 5, 1);
  RandomSource source{1};
  generatemaze(&small.handle, &source);
  EXPECT_EQ(picture(small),
            (std::vector<std::string>{"XXXXX", "OOOOX", "XXXOX", "XOXOX", "XOXXX"}));
  EXPECT_EQ(drawsbetween(1, source.state), 30);

  TestMaze wide(9, 7, 1);
  source.state = 1;
  generatemaze(&wide.handle, &source);
  EXPECT_EQ(picture(wide),
            (std::vector<std::string>{"XXXXXOXXX", "XOOOXOOOX", "XXXOXXXOX", "OOXOOOXOX",
                                      "XOXXXOXXX", "XOOOXOXOO", "XXXXXOXXX"}));
  EXPECT_EQ(drawsbetween(1, source.state), 67);

  TestMaze single(1, 1, 1);  // the scan finds the origin open: no draw
  source.state = 1;
  generatemaze(&single.handle, &source);
  EXPECT_EQ(source.state, 1u);
  EXPECT_EQ(single.bytes[0], 1);
}

TEST(MazeGeneration, SmallShapesHoldWhateverTheDraws) {
  for (uint32_t seed = 0; seed < 50; ++seed) {
    RandomSource source{seed};
    TestMaze line(3, 1, 1);
    generatemaze(&line.handle, &source);
    EXPECT_EQ(line.bytes[0], 0x07);
    TestMaze square(2, 2, 1);
    generatemaze(&square.handle, &source);
    EXPECT_EQ(square.bytes[0], 0x01);
    TestMaze tall(6, 3, 1);
    generatemaze(&tall.handle, &source);
    for (int32_t y = 0; y < 3; ++y) EXPECT_FALSE(tall.open(5, y, 0));
  }
}

TEST(MazeGeneration, EveryMazeIsPerfect) {
  std::mt19937 rng(12345);
  std::vector<std::array<int32_t, 3>> sizes;
  for (int32_t a : {0, 1, 2})
    for (int32_t b : {0, 1, 2, 5})
      for (int32_t c : {0, 1, 2}) sizes.push_back({a, b, c}), sizes.push_back({b, c, a});
  for (int i = 0; i < 60; ++i)
    sizes.push_back({int32_t(rng() % 60 + 1), int32_t(rng() % 60 + 1), 1});
  for (int i = 0; i < 30; ++i)
    sizes.push_back({int32_t(rng() % 14 + 1), int32_t(rng() % 14 + 1), int32_t(rng() % 14 + 1)});
  for (auto &s : sizes) {
    TestMaze m(s[0], s[1], s[2]);
    RandomSource source{uint32_t(rng())};
    generatemaze(&m.handle, &source);
    ASSERT_EQ(perfectmazeproblem(m.handle, m.bytes.size()), "")
        << s[0] << "x" << s[1] << "x" << s[2];
  }
}

TEST(MazeGeneration, EqualsTheStepByStepGeneratorBitForBit) {
  std::mt19937 rng(777);
  for (int i = 0; i < 200; ++i) {
    bool flat = i % 3 != 0;
    int32_t x = int32_t(rng() % 70), y = int32_t(rng() % 70), z = flat ? 1 : int32_t(rng() % 12);
    uint32_t seed = uint32_t(rng());
    TestMaze fast(x, y, z), plain(x, y, z);
    RandomSource a{seed}, b{seed};
    generatemaze(&fast.handle, &a);
    plaingeneratemaze(&plain.handle, &b);
    ASSERT_EQ(fast.bytes, plain.bytes) << x << "x" << y << "x" << z << " seed " << seed;
    ASSERT_EQ(a.state, b.state) << "different number of draws";
  }
}

TEST(MazeSeed, SameSeedSameMazeThroughTheEntryPoints) {
  ScopedSeed seed("1");
  MazeHandle *a = _qndcreate(5, 5, 1);
  MazeHandle *b = _qndcreate(5, 5, 1);
  ASSERT_TRUE(a && b);
  const char *expected[] = {"XXXXX", "OOOOX", "XXXOX", "XOXOX", "XOXXX"};
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      EXPECT_EQ(_qndgetpos(a, x, y, 0) != 0, expected[y][x] == 'X');
      EXPECT_EQ(_qndgetpos(a, x, y, 0), _qndgetpos(b, x, y, 0));
    }
  _qnddestroy(a);
  _qnddestroy(b);
}

// The bytes the C library's heap has handed out and not had back, or -1
// where that cannot be told.
long long heapinuse() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long long>(info.uordblks + info.hblkhd);
#else
  return -1;
#endif
}

void *volatile heapprobe;

// Plain mazes of every shape up to 39 x 17 x 3 and styled ones of every
// symmetry, with loops and straight corridors, each destroyed at once.
void createanddestroy() {
  for (int i = 0; i < 2000; ++i) {
    _qnddestroy(_qndcreate(i % 40, i % 17 + 1, i % 3 + 1));
    // Every symmetry fits 17 x 17.
    const QndStyle style = {sizeof(QndStyle), i % 6, i % 101, i % 71, 0, 0};
    _qnddestroy(_qndcreatestyled(17, 17, 1, &style));
  }
}

TEST(MazeGrid, ManyCreationsLeaveNothingBehind) {
  ScopedSeed seed("1");  // the same blocks in every round
  // The first round fills the C library's caches of freed blocks, which
  // count as in use; they hold a few blocks of each size, no more.
  createanddestroy();
  const long long before = heapinuse();
  // A sanitizer's allocator stands in for the C library's, whose heap then
  // does not show a block come and go; its own leak check covers this. (The
  // block is too large for the caches.)
  heapprobe = malloc(50000);
  const long long probed = heapinuse();
  free(heapprobe);
  if (before < 0 || probed < before + 50000) GTEST_SKIP() << "the heap in use cannot be measured";

  createanddestroy();
  // A block left behind by one creation in sixty (32 bytes at the least in
  // this heap) would add up to more.
  EXPECT_LT(heapinuse() - before, 2000);
}

}  // namespace
