#include "terrain.h"

#include <stdint.h>
#include <stdlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "binding.h"

namespace {

// A maze as rows of "X" (open) and "O" (closed), row y = maze position y.
using Picture = std::vector<std::string>;

// The test's own maze library: hands the layout whatever picture the test
// set, and records how it was called.
struct FakeLibrary {
  Picture picture;
  bool yields = true;
  uint8_t openanswer = 0;  // nonzero: every open position answers with it
  int creates = 0;
  int destroys = 0;
  int setposcalls = 0;
  int32_t xsize = -1;
  int32_t ysize = -1;
  int32_t zsize = -1;
  bool live = false;
  bool misuse = false;  // a query outside the maze, a dead or foreign handle
  std::vector<std::pair<int32_t, int32_t>> queries;
};

FakeLibrary fake;

MazeHandle *fakehandle() { return reinterpret_cast<MazeHandle *>(&fake); }

MazeHandle *fakecreate(int32_t xsize, int32_t ysize, int32_t zsize) {
  ++fake.creates;
  fake.xsize = xsize;
  fake.ysize = ysize;
  fake.zsize = zsize;
  if (!fake.yields) return nullptr;
  fake.live = true;
  return fakehandle();
}

uint8_t fakegetpos(MazeHandle *maze, int32_t x, int32_t y, int32_t z) {
  fake.queries.emplace_back(x, y);
  if (maze != fakehandle() || !fake.live || z != 0 || x < 0 || y < 0 || x >= fake.xsize ||
      y >= fake.ysize || static_cast<size_t>(y) >= fake.picture.size() ||
      static_cast<size_t>(x) >= fake.picture[y].size()) {
    fake.misuse = true;
    return 0;
  }
  if (fake.picture[y][x] != 'X') return 0;
  if (fake.openanswer != 0) return fake.openanswer;
  // As the real grid answers: the position's own bit within its byte.
  uint32_t index =
      static_cast<uint32_t>(y) * static_cast<uint32_t>(fake.xsize) + static_cast<uint32_t>(x);
  return static_cast<uint8_t>(1u << (index % 8));
}

uint8_t fakesetpos(MazeHandle *, int32_t, int32_t, int32_t) {
  ++fake.setposcalls;
  return 0;
}

void fakedestroy(MazeHandle *maze) {
  ++fake.destroys;
  if (maze != fakehandle() || !fake.live) fake.misuse = true;
  fake.live = false;
}

// A perfect maze of m x n positions (cells at even coordinates), carved by a
// depth-first walk with a fixed seed, so every run gets the same one.
Picture perfectmaze(int64_t m, int64_t n, uint32_t seed) {
  if (m <= 0 || n <= 0) return Picture(n > 0 ? n : 0, std::string());
  Picture picture(n, std::string(m, 'O'));
  std::mt19937 random(seed);
  const int dx[4] = {2, -2, 0, 0};
  const int dy[4] = {0, 0, 2, -2};
  std::vector<std::pair<int64_t, int64_t>> trail{{0, 0}};
  picture[0][0] = 'X';
  while (!trail.empty()) {
    auto [x, y] = trail.back();
    int choices[4];
    int count = 0;
    for (int d = 0; d < 4; ++d) {
      int64_t nx = x + dx[d], ny = y + dy[d];
      if (nx >= 0 && nx < m && ny >= 0 && ny < n && picture[ny][nx] == 'O') choices[count++] = d;
    }
    if (count == 0) {
      trail.pop_back();
      continue;
    }
    int d = choices[random() % count];
    picture[y + dy[d] / 2][x + dx[d] / 2] = 'X';
    picture[y + dy[d]][x + dx[d]] = 'X';
    trail.emplace_back(x + dx[d], y + dy[d]);
  }
  return picture;
}

std::string sizeline(int64_t m, int64_t n, int32_t p, int32_t w) {
  return std::to_string(m) + "x" + std::to_string(n) + " p" + std::to_string(p) + " w" +
         std::to_string(w) + "\n";
}

int64_t mazesize(int64_t tiles, int32_t p, int32_t w) {
  return 2 * tiles / (static_cast<int64_t>(p) + w);
}

// The layout's steps, transcribed one pair at a time with nothing clever, as
// the yardstick for the real one. Starts from a fresh random source.
struct Expected {
  std::vector<uint16_t> tiles;
  std::string printed;
  uint32_t state;
};

Expected modellayout(int64_t width, int64_t height, int32_t p, int32_t w, const Picture &picture) {
  Expected expected;
  RandomSource source{1};
  const int64_t count = width * height;
  expected.tiles.assign(count, 0);
  for (int64_t i = 0; i < count; i += 2) {
    uint32_t tile = 96 + 6 * nextdraw(&source) / 32767;
    expected.tiles[i] = static_cast<uint16_t>(tile);
    if (i + 1 < count) expected.tiles[i + 1] = static_cast<uint16_t>(tile + 16);
  }
  const int64_t e = static_cast<int64_t>(p) + w;
  const int64_t m = 2 * width / e;
  const int64_t n = 2 * height / e;
  expected.printed = sizeline(m, n, p, w);
  int64_t rows = p, columns = p, shift = 0;
  if (width % 2 != 0) {
    columns = w;
    shift = 1;
  } else if (height % 2 != 0) {
    rows = w;
  }
  for (int64_t i = 0; i < n; ++i) {
    for (int64_t j = 0; j < m; ++j) {
      bool open = picture[i][j] == 'X';
      expected.printed += open ? "X" : "O";
      if (!open) continue;
      for (int64_t k = 0; k < rows; ++k) {
        for (int64_t l = 0; l < columns; l += 2) {
          uint32_t tile = 32 + 8 * nextdraw(&source) / 32767;
          int64_t index = (i * e / 2 + k) * width + j * e / 2 + shift + l;
          if (index < count) expected.tiles[index] = static_cast<uint16_t>(tile);
          if (index + 1 < count) expected.tiles[index + 1] = static_cast<uint16_t>(tile + 16);
        }
      }
    }
    expected.printed += "\n";
  }
  expected.state = source.state;
  return expected;
}

// What one call of the layout did.
struct Outcome {
  TerrainResult result = TerrainResult(-1);  // no result yet
  std::string printed;
  std::vector<uint16_t> tiles;
  bool guardsintact = true;
  uint32_t state = 0;
};

const size_t kGuardBytes = 64;
const uint8_t kGuardFill = 0xEE;
const uint8_t kTileFill = 0xAB;

// Runs the layout on an array with guard bytes on either side, decoding the
// little-endian tile values afterwards.
Outcome runlayout(int32_t width, int32_t height, int32_t p, int32_t w) {
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<uint8_t> bytes(2 * count + 2 * kGuardBytes, kGuardFill);
  std::fill(bytes.begin() + kGuardBytes, bytes.end() - kGuardBytes, kTileFill);

  Outcome outcome;
  testing::internal::CaptureStdout();
  outcome.result = layterrain(width, height, p, w, 4, bytes.data() + kGuardBytes);
  outcome.printed = testing::internal::GetCapturedStdout();
  outcome.state = terrainrandom.state;

  for (size_t i = 0; i < kGuardBytes; ++i) {
    if (bytes[i] != kGuardFill || bytes[bytes.size() - 1 - i] != kGuardFill) {
      outcome.guardsintact = false;
    }
  }
  outcome.tiles.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t *at = &bytes[kGuardBytes + 2 * i];
    outcome.tiles[i] = static_cast<uint16_t>(at[0] | (at[1] << 8));
  }
  return outcome;
}

std::vector<uint16_t> rowof(const Outcome &outcome, int32_t width, int32_t row) {
  return std::vector<uint16_t>(outcome.tiles.begin() + row * width,
                               outcome.tiles.begin() + (row + 1) * width);
}

bool island(uint16_t tile) { return tile >> 4 == 2 || tile >> 4 == 3; }

bool iswater(uint16_t tile) { return tile >> 4 == 6 || tile >> 4 == 7; }

// Number of 4-connected regions of land tiles, edges not wrapping.
int landregions(const std::vector<uint16_t> &tiles, int32_t width, int32_t height) {
  std::vector<char> seen(tiles.size(), 0);
  int regions = 0;
  for (int64_t start = 0; start < static_cast<int64_t>(tiles.size()); ++start) {
    if (seen[start] || !island(tiles[start])) continue;
    ++regions;
    std::vector<int64_t> todo{start};
    seen[start] = 1;
    while (!todo.empty()) {
      int64_t at = todo.back();
      todo.pop_back();
      int64_t x = at % width, y = at / width;
      const int64_t next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
      for (const auto &n : next) {
        if (n[0] < 0 || n[0] >= width || n[1] < 0 || n[1] >= height) continue;
        int64_t index = n[1] * width + n[0];
        if (!seen[index] && island(tiles[index])) {
          seen[index] = 1;
          todo.push_back(index);
        }
      }
    }
  }
  return regions;
}

class TerrainTest : public testing::Test {
 protected:
  void SetUp() override {
    fake = FakeLibrary();
    terrainrandom.state = 1;
    qndcreateref = fakecreate;
    qndgetposref = fakegetpos;
    qndsetposref = fakesetpos;
    qnddestroyref = fakedestroy;
  }
  void TearDown() override {
    EXPECT_FALSE(fake.misuse);
    EXPECT_EQ(fake.setposcalls, 0);
    EXPECT_FALSE(fake.live) << "maze not destroyed";
    qndcreateref = nullptr;
    qndgetposref = nullptr;
    qndsetposref = nullptr;
    qnddestroyref = nullptr;
  }

  // Lays out the map over a picture and checks it against the model: tiles,
  // printed text, the random source afterwards, and no write outside.
  Outcome layandcompare(int32_t width, int32_t height, int32_t p, int32_t w,
                        const Picture &picture) {
    fake.picture = picture;
    Outcome outcome = runlayout(width, height, p, w);
    Expected expected = modellayout(width, height, p, w, picture);
    EXPECT_EQ(outcome.result, kTerrainLaid);
    EXPECT_TRUE(outcome.guardsintact);
    EXPECT_EQ(outcome.printed, expected.printed);
    EXPECT_EQ(outcome.tiles, expected.tiles);
    EXPECT_EQ(outcome.state, expected.state);
    EXPECT_EQ(fake.creates, 1);
    EXPECT_EQ(fake.destroys, 1);
    return outcome;
  }
};

TEST_F(TerrainTest, TwoByTwo) {
  fake.picture = {"X"};
  Outcome outcome = runlayout(2, 2, 2, 2);
  EXPECT_EQ(outcome.result, kTerrainLaid);
  EXPECT_EQ(outcome.printed, "1x1 p2 w2\nX\n");
  EXPECT_EQ(outcome.tiles, (std::vector<uint16_t>{33, 49, 38, 54}));
  EXPECT_TRUE(outcome.guardsintact);
  EXPECT_EQ(fake.creates, 1);
  EXPECT_EQ(fake.xsize, 1);
  EXPECT_EQ(fake.ysize, 1);
  EXPECT_EQ(fake.zsize, 1);
  EXPECT_EQ(fake.destroys, 1);
}

TEST_F(TerrainTest, TwoByTwoWaterFillTakesTheFirstDraws) {
  fake.picture = {"O"};
  Outcome outcome = runlayout(2, 2, 2, 2);
  EXPECT_EQ(outcome.printed, "1x1 p2 w2\nO\n");
  EXPECT_EQ(outcome.tiles, (std::vector<uint16_t>{96, 112, 99, 115}));
}

TEST_F(TerrainTest, SixByTwoAllPath) {
  fake.picture = {"XXX"};
  Outcome outcome = runlayout(6, 2, 2, 2);
  EXPECT_EQ(outcome.printed, "3x1 p2 w2\nXXX\n");
  EXPECT_EQ(rowof(outcome, 6, 0), (std::vector<uint16_t>{34, 50, 38, 54, 33, 49}));
  EXPECT_EQ(rowof(outcome, 6, 1), (std::vector<uint16_t>{39, 55, 37, 53, 38, 54}));
}

TEST_F(TerrainTest, FourByTwoZeroPathWidthLeavesWater) {
  fake.picture = {"XXXO", "OOOO"};
  Outcome outcome = runlayout(4, 2, 0, 2);
  EXPECT_EQ(outcome.result, kTerrainLaid);
  EXPECT_EQ(outcome.printed, "4x2 p0 w2\nXXXO\nOOOO\n");
  EXPECT_EQ(outcome.tiles, (std::vector<uint16_t>{96, 112, 99, 115, 97, 113, 100, 116}));
  EXPECT_EQ(fake.queries.size(), 8u);
}

TEST_F(TerrainTest, ThreeByThreeOddTileCount) {
  fake.picture = {"X"};
  Outcome outcome = runlayout(3, 3, 2, 2);
  EXPECT_EQ(outcome.printed, "1x1 p2 w2\nX\n");
  EXPECT_EQ(rowof(outcome, 3, 0), (std::vector<uint16_t>{96, 35, 51}));
  EXPECT_EQ(rowof(outcome, 3, 1), (std::vector<uint16_t>{115, 34, 50}));
  EXPECT_EQ(rowof(outcome, 3, 2), (std::vector<uint16_t>{100, 116, 99}));
  EXPECT_TRUE(outcome.guardsintact);
}

TEST_F(TerrainTest, EightByFiveEvenWidthOddHeight) {
  fake.picture = {"XO"};
  Outcome outcome = runlayout(8, 5, 4, 2);
  EXPECT_EQ(outcome.printed, "2x1 p4 w2\nXO\n");
  EXPECT_EQ(rowof(outcome, 8, 0), (std::vector<uint16_t>{39, 55, 35, 51, 97, 113, 100, 116}));
  EXPECT_EQ(rowof(outcome, 8, 1), (std::vector<uint16_t>{32, 48, 32, 48, 98, 114, 101, 117}));
  // Rows 2 to 4 keep the fill: draws 17 to 20.
  EXPECT_EQ(rowof(outcome, 8, 2), (std::vector<uint16_t>{100, 116, 100, 116, 97, 113, 101, 117}));
  EXPECT_EQ(rowof(outcome, 8, 3), (std::vector<uint16_t>{100, 116, 99, 115, 97, 113, 96, 112}));
  EXPECT_EQ(rowof(outcome, 8, 4), (std::vector<uint16_t>{96, 112, 98, 114, 96, 112, 96, 112}));
}

TEST_F(TerrainTest, SevenByFourPairsStraddleRows) {
  fake.picture = {"XO"};
  Outcome outcome = runlayout(7, 4, 4, 2);
  EXPECT_EQ(outcome.printed, "2x1 p4 w2\nXO\n");
  EXPECT_EQ(rowof(outcome, 7, 0), (std::vector<uint16_t>{96, 34, 50, 115, 97, 113, 100}));
  EXPECT_EQ(rowof(outcome, 7, 1), (std::vector<uint16_t>{116, 32, 48, 98, 114, 98, 114}));
  EXPECT_EQ(rowof(outcome, 7, 2), (std::vector<uint16_t>{101, 32, 48, 116, 100, 116, 97}));
  EXPECT_EQ(rowof(outcome, 7, 3), (std::vector<uint16_t>{113, 34, 50, 100, 116, 99, 115}));
}

TEST_F(TerrainTest, SixtyFourSquareEndsOnTheLastTile) {
  Picture picture = perfectmaze(21, 21, 7);
  Outcome outcome = layandcompare(64, 64, 4, 2, picture);
  EXPECT_EQ(outcome.printed.substr(0, 12), "21x21 p4 w2\n");
  // The corner cell's block covers tiles 60 to 63 both ways, the last ones.
  for (int y = 60; y < 64; ++y) {
    for (int x = 60; x < 64; ++x) EXPECT_TRUE(island(outcome.tiles[y * 64 + x])) << x << "," << y;
  }
  // Nothing passes the right edge: column 0 is land only where maze column 0
  // paints it.
  for (int y = 0; y < 64; ++y) {
    bool painted = false;
    for (int i = 0; i < 21; ++i) {
      if (picture[i][0] == 'X' && y >= i * 3 && y < i * 3 + 4) painted = true;
    }
    EXPECT_EQ(island(outcome.tiles[y * 64]), painted) << y;
  }
}

// A comb: the spine runs down maze column 14 and every even row is a tooth
// reaching left to column 0. Perfect, and (14, 1) is open while (0, 1) is not.
Picture combmaze() {
  Picture picture(16, std::string(15, 'O'));
  for (int i = 0; i < 15; ++i) {
    if (i % 2 == 0) picture[i] = std::string(15, 'X');
    picture[i][14] = 'X';
  }
  return picture;
}

TEST_F(TerrainTest, SixtyBySixtyFourWrapsPastTheRightEdge) {
  Picture picture = combmaze();
  ASSERT_EQ(picture[1][14], 'X');
  ASSERT_EQ(picture[1][0], 'O');
  Outcome outcome = layandcompare(60, 64, 6, 2, picture);
  EXPECT_EQ(outcome.printed.substr(0, 12), "15x16 p6 w2\n");
  // (14, 1) paints tile rows 4 to 9 at columns 56 to 61; columns 60 and 61 land
  // on columns 0 and 1 one row down, through the wall below maze cell (0, 0).
  for (int y = 6; y < 8; ++y) {
    EXPECT_TRUE(island(outcome.tiles[y * 60 + 0])) << y;
    EXPECT_TRUE(island(outcome.tiles[y * 60 + 1])) << y;
    EXPECT_TRUE(iswater(outcome.tiles[y * 60 + 2])) << y;
    EXPECT_TRUE(iswater(outcome.tiles[y * 60 + 5])) << y;
  }
}

TEST_F(TerrainTest, SixtySquarePassesTheBottomWithinTheArray) {
  Picture picture = perfectmaze(15, 15, 3);
  Outcome outcome = layandcompare(60, 60, 6, 2, picture);
  EXPECT_EQ(outcome.printed.substr(0, 12), "15x15 p6 w2\n");
  // The corner block covers rows 56 to 59 of the map; 60 and 61 are not stored.
  for (int y = 56; y < 60; ++y) EXPECT_TRUE(island(outcome.tiles[y * 60 + 56])) << y;
  EXPECT_TRUE(outcome.guardsintact);
}

TEST_F(TerrainTest, DrawsForPairsOutsideTheArrayAreStillMade) {
  // Blocks of 6 rows on a map 5 rows high: each block's last row lies past the
  // end of the array, yet takes its draw before the next block's.
  Outcome outcome = layandcompare(16, 5, 2, 6, {"XOXO"});
  EXPECT_EQ(outcome.printed, "4x1 p2 w6\nXOXO\n");
  for (int y = 0; y < 5; ++y) {
    EXPECT_TRUE(island(outcome.tiles[y * 16 + 8])) << y;
    EXPECT_TRUE(iswater(outcome.tiles[y * 16 + 10])) << y;
  }
}

TEST_F(TerrainTest, ZeroMazeColumns) {
  fake.picture = {"", ""};
  Outcome outcome = runlayout(2, 8, 4, 2);
  EXPECT_EQ(outcome.result, kTerrainLaid);
  EXPECT_EQ(outcome.printed, "0x2 p4 w2\n\n\n");
  EXPECT_EQ(fake.xsize, 0);
  EXPECT_EQ(fake.ysize, 2);
  EXPECT_TRUE(fake.queries.empty());
  EXPECT_EQ(fake.destroys, 1);
  EXPECT_EQ(outcome.tiles, modellayout(2, 8, 4, 2, fake.picture).tiles);
}

TEST_F(TerrainTest, ZeroMazeRows) {
  Outcome outcome = runlayout(8, 2, 4, 2);
  EXPECT_EQ(outcome.result, kTerrainLaid);
  EXPECT_EQ(outcome.printed, "2x0 p4 w2\n");
  EXPECT_EQ(fake.xsize, 2);
  EXPECT_EQ(fake.ysize, 0);
  EXPECT_TRUE(fake.queries.empty());
  EXPECT_EQ(fake.destroys, 1);
  EXPECT_EQ(outcome.tiles, modellayout(8, 2, 4, 2, {}).tiles);
}

TEST_F(TerrainTest, NegativePitch) {
  Outcome outcome = runlayout(4, 4, 2, -4);
  EXPECT_EQ(outcome.result, kTerrainLaid);
  EXPECT_EQ(outcome.printed, "-4x-4 p2 w-4\n");
  EXPECT_EQ(fake.xsize, -4);
  EXPECT_EQ(fake.ysize, -4);
  EXPECT_EQ(fake.zsize, 1);
  EXPECT_TRUE(fake.queries.empty());
  EXPECT_EQ(fake.destroys, 1);
  EXPECT_EQ(outcome.tiles, (std::vector<uint16_t>{96, 112, 99, 115, 97, 113, 100, 116, 99, 115, 98,
                                                  114, 98, 114, 101, 117}));
}

TEST_F(TerrainTest, PitchBeyondThirtyTwoBitsDoesNotWrap) {
  Outcome outcome = runlayout(64, 64, 2147483646, 40);
  EXPECT_EQ(outcome.result, kTerrainLaid);
  EXPECT_EQ(outcome.printed, "0x0 p2147483646 w40\n");
  EXPECT_EQ(fake.xsize, 0);
  EXPECT_EQ(fake.ysize, 0);
}

TEST_F(TerrainTest, ZeroPitchIsRefusedUntouched) {
  const int32_t pairs[][2] = {{0, 0}, {2, -2}, {-4, 4}};
  for (const auto &pw : pairs) {
    Outcome outcome = runlayout(6, 4, pw[0], pw[1]);
    EXPECT_EQ(outcome.result, kTerrainNoPitch);
    EXPECT_EQ(outcome.printed, "");
    EXPECT_EQ(outcome.state, 1u);
    EXPECT_TRUE(outcome.guardsintact);
    for (uint16_t tile : outcome.tiles) EXPECT_EQ(tile, kTileFill * 0x101);
  }
  EXPECT_EQ(fake.creates, 0);
}

TEST_F(TerrainTest, NoMazeLeavesWaterAndPrintsNothing) {
  fake.yields = false;
  Outcome outcome = runlayout(8, 5, 4, 2);
  EXPECT_EQ(outcome.result, kTerrainNoMaze);
  EXPECT_EQ(outcome.printed, "");
  EXPECT_EQ(fake.creates, 1);
  EXPECT_EQ(fake.xsize, 2);
  EXPECT_EQ(fake.ysize, 1);
  EXPECT_EQ(fake.zsize, 1);
  EXPECT_TRUE(fake.queries.empty());
  EXPECT_EQ(fake.destroys, 0);
  Expected water = modellayout(8, 5, 4, 2, {"OO"});
  EXPECT_EQ(outcome.tiles, water.tiles);
  EXPECT_EQ(outcome.state, water.state);
  for (uint16_t tile : outcome.tiles) EXPECT_TRUE(iswater(tile));
  // Sizes the library refuses (a negative pitch) tell the two apart.
  EXPECT_EQ(runlayout(8, 5, 2, -4).result, kTerrainRefused);
}

TEST_F(TerrainTest, EmptyMapDrawsNothing) {
  fake.picture = {};
  Outcome outcome = runlayout(0, 10, 2, 2);
  EXPECT_EQ(outcome.result, kTerrainLaid);
  EXPECT_EQ(outcome.printed, "0x5 p2 w2\n\n\n\n\n\n");
  EXPECT_EQ(outcome.state, 1u);
  EXPECT_TRUE(outcome.guardsintact);
}

TEST_F(TerrainTest, QueriesEveryPositionOnceInScanOrder) {
  Picture picture = perfectmaze(6, 4, 11);
  layandcompare(12, 8, 2, 2, picture);
  std::vector<std::pair<int32_t, int32_t>> order;
  for (int32_t i = 0; i < 4; ++i) {
    for (int32_t j = 0; j < 6; ++j) order.emplace_back(j, i);
  }
  EXPECT_EQ(fake.queries, order);
}

TEST_F(TerrainTest, AnyNonzeroAnswerIsOpen) {
  for (uint8_t answer : {0x01, 0x02, 0x80}) {
    SetUp();
    fake.openanswer = answer;
    layandcompare(18, 2, 2, 2, {"XXXXXXXXX"});
  }
}

TEST_F(TerrainTest, TilesAreStoredLittleEndian) {
  fake.picture = {"X"};
  std::vector<uint8_t> bytes(8, 0xFF);
  testing::internal::CaptureStdout();
  layterrain(2, 2, 2, 2, 0, bytes.data());
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(bytes, (std::vector<uint8_t>{33, 0, 49, 0, 38, 0, 54, 0}));
}

TEST_F(TerrainTest, RandomSourceCarriesOverBetweenLayouts) {
  fake.picture = {"X"};
  runlayout(2, 2, 2, 2);
  // A second layout goes on from draw 5 rather than starting over.
  fake = FakeLibrary();
  fake.picture = {"O"};
  Outcome outcome = runlayout(2, 2, 2, 2);
  EXPECT_NE(outcome.tiles, (std::vector<uint16_t>{96, 112, 99, 115}));
}

// Tiles, text and draws match the step-by-step model across the shapes, the
// edges, odd and negative widths.
struct ModelCase {
  int32_t width, height, p, w;
};

class TerrainModelTest : public TerrainTest, public testing::WithParamInterface<ModelCase> {};

TEST_P(TerrainModelTest, MatchesTheSteps) {
  const ModelCase c = GetParam();
  const int64_t e = static_cast<int64_t>(c.p) + c.w;
  Picture picture = perfectmaze(2 * int64_t{c.width} / e, 2 * int64_t{c.height} / e,
                                static_cast<uint32_t>(c.width * 31 + c.height));
  layandcompare(c.width, c.height, c.p, c.w, picture);
}

INSTANTIATE_TEST_SUITE_P(
    TerrainShapes, TerrainModelTest,
    testing::Values(ModelCase{2, 2, 2, 2}, ModelCase{6, 2, 2, 2}, ModelCase{4, 2, 0, 2},
                    ModelCase{3, 3, 2, 2}, ModelCase{8, 5, 4, 2}, ModelCase{7, 4, 4, 2},
                    ModelCase{64, 64, 4, 2}, ModelCase{60, 64, 6, 2}, ModelCase{60, 60, 6, 2},
                    ModelCase{61, 60, 6, 2}, ModelCase{61, 61, 4, 6}, ModelCase{60, 61, 6, 2},
                    ModelCase{60, 61, 2, 6}, ModelCase{61, 40, 2, 6}, ModelCase{33, 17, 4, 2},
                    ModelCase{17, 33, 2, 4}, ModelCase{40, 30, 4, -2}, ModelCase{41, 30, 4, -2},
                    ModelCase{40, 31, -2, 6}, ModelCase{20, 20, 0, 4}, ModelCase{32, 32, 4, 0},
                    ModelCase{31, 32, 3, 3}, ModelCase{30, 31, 5, 1}, ModelCase{1, 1, 2, 2},
                    ModelCase{1, 7, 1, 1}, ModelCase{0, 10, 2, 2}, ModelCase{10, 0, 2, 2},
                    ModelCase{65, 3, 2, 2}, ModelCase{5, 1, 2, 0}, ModelCase{4, 4, 2, -4},
                    ModelCase{101, 67, 10, 4}, ModelCase{100, 67, 4, 10}));

// Geometry of even maps with even path and water widths.
class TerrainGeometryTest : public TerrainTest, public testing::WithParamInterface<ModelCase> {};

TEST_P(TerrainGeometryTest, WiderPathMakesOneConnectedLand) {
  const ModelCase c = GetParam();
  ASSERT_GT(c.p, c.w);
  const int64_t s = (c.p + c.w) / 2;
  const int64_t m = mazesize(c.width, c.p, c.w), n = mazesize(c.height, c.p, c.w);
  // Cases whose blocks stay inside the map, so the land is what the maze says.
  ASSERT_GE(c.width - m * s, m % 2 != 0 ? (c.p - c.w) / 2 : 0);
  ASSERT_GE(c.height - n * s, n % 2 != 0 ? (c.p - c.w) / 2 : 0);
  Picture picture = perfectmaze(m, n, 5);
  Outcome outcome = layandcompare(c.width, c.height, c.p, c.w, picture);
  ASSERT_TRUE(outcome.guardsintact);
  EXPECT_EQ(landregions(outcome.tiles, c.width, c.height), 1);

  auto tile = [&](int64_t x, int64_t y) { return outcome.tiles[y * c.width + x]; };
  // Walls: the w x w squares between four cells, and closed passages.
  for (int64_t i = 0; i < n; ++i) {
    for (int64_t j = 0; j < m; ++j) {
      const bool oddx = j % 2 != 0, oddy = i % 2 != 0;
      if (!oddx && !oddy) {
        EXPECT_TRUE(island(tile(j * s + c.p / 2, i * s + c.p / 2)));
        continue;
      }
      // The strip between the two cells (or four) that this position joins.
      int64_t x0 = oddx ? (j - 1) * s + c.p : j * s;
      int64_t x1 = oddx ? x0 + c.w : x0 + c.p;
      int64_t y0 = oddy ? (i - 1) * s + c.p : i * s;
      int64_t y1 = oddy ? y0 + c.w : y0 + c.p;
      if (j + (oddx ? 1 : 0) >= m || i + (oddy ? 1 : 0) >= n) continue;  // no cell beyond
      const bool water = (oddx && oddy) || picture[i][j] == 'O';
      for (int64_t y = y0; y < y1; ++y) {
        for (int64_t x = x0; x < x1; ++x) {
          EXPECT_EQ(iswater(tile(x, y)), water) << "position " << j << "," << i;
        }
      }
    }
  }
  // Margins right of and below the last cell stay water.
  const int64_t lastx = ((m % 2 == 0) ? m - 2 : m - 1) * s + c.p;
  const int64_t lasty = ((n % 2 == 0) ? n - 2 : n - 1) * s + c.p;
  for (int64_t y = 0; y < c.height; ++y) {
    for (int64_t x = 0; x < c.width; ++x) {
      if (x >= lastx || y >= lasty) {
        EXPECT_TRUE(iswater(tile(x, y))) << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TerrainEvenMaps, TerrainGeometryTest,
                         testing::Values(ModelCase{64, 64, 4, 2}, ModelCase{64, 64, 6, 2},
                                         ModelCase{62, 48, 8, 2}, ModelCase{52, 38, 10, 4},
                                         ModelCase{40, 40, 6, 4}));

// Equal widths: the land is the picture, each position a p x p square (moved
// one column right on maps of odd width).
class TerrainEnlargedTest : public TerrainTest, public testing::WithParamInterface<ModelCase> {};

TEST_P(TerrainEnlargedTest, LandIsThePictureEnlarged) {
  const ModelCase c = GetParam();
  ASSERT_EQ(c.p, c.w);
  const int64_t m = mazesize(c.width, c.p, c.w), n = mazesize(c.height, c.p, c.w);
  Picture picture = perfectmaze(m, n, 9);
  Outcome outcome = layandcompare(c.width, c.height, c.p, c.w, picture);
  const int64_t shift = c.width % 2 != 0 ? 1 : 0;
  ASSERT_LE(m * c.p + shift, c.width);
  ASSERT_LE(n * c.p, c.height);
  for (int64_t y = 0; y < c.height; ++y) {
    for (int64_t x = 0; x < c.width; ++x) {
      const int64_t j = (x - shift) / c.p, i = y / c.p;
      const bool land = x >= shift && j < m && i < n && picture[i][j] == 'X';
      EXPECT_EQ(island(outcome.tiles[y * c.width + x]), land) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TerrainEqualWidths, TerrainEnlargedTest,
                         testing::Values(ModelCase{64, 64, 4, 4}, ModelCase{30, 20, 2, 2},
                                         ModelCase{48, 36, 6, 6}, ModelCase{33, 32, 4, 4},
                                         ModelCase{31, 30, 2, 2}, ModelCase{32, 33, 4, 4}));

TEST_F(TerrainTest, NarrowerPathLeavesSeparateSquares) {
  Picture picture = perfectmaze(16, 16, 13);
  Outcome outcome = layandcompare(64, 64, 2, 6, picture);
  int open = 0;
  for (const std::string &row : picture)
    open += static_cast<int>(std::count(row.begin(), row.end(), 'X'));
  EXPECT_EQ(landregions(outcome.tiles, 64, 64), open);
}

TEST(TerrainFixtureMaze, IsPerfect) {
  const int64_t sizes[][2] = {{21, 21}, {16, 16}, {15, 10}, {9, 1}, {1, 9}, {8, 7}};
  for (const auto &size : sizes) {
    Picture picture = perfectmaze(size[0], size[1], 17);
    int64_t cells = 0, passages = 0;
    for (int64_t i = 0; i < size[1]; ++i) {
      for (int64_t j = 0; j < size[0]; ++j) {
        bool open = picture[i][j] == 'X';
        if (i % 2 == 0 && j % 2 == 0) {
          EXPECT_TRUE(open);
          ++cells;
        } else if ((i % 2) + (j % 2) == 1) {
          passages += open;
        } else {
          EXPECT_FALSE(open);
        }
      }
    }
    EXPECT_EQ(passages, cells - 1);
  }
}

#if defined(QUENDREL_LIBRARY_PATH) && !defined(_WIN32)
// The real library, bound by its path and with its seed fixed, drives the
// layout through the references.
TEST(TerrainRealLibrary, LaysOutTheSeededMaze) {
  const char *before = getenv("QUENDREL_SEED");
  std::string saved = before != nullptr ? before : "";
  setenv("QUENDREL_SEED", "1", 1);
  qndrelease();
  ASSERT_EQ(qndinitfile(QUENDREL_LIBRARY_PATH), 2);
  terrainrandom.state = 1;

  std::vector<uint8_t> bytes(10 * 10 * 2);
  testing::internal::CaptureStdout();
  TerrainResult result = layterrain(10, 10, 2, 2, 0, bytes.data());
  std::string printed = testing::internal::GetCapturedStdout();
  qndrelease();
  if (before != nullptr) {
    setenv("QUENDREL_SEED", saved.c_str(), 1);
  } else {
    unsetenv("QUENDREL_SEED");
  }

  Picture picture = {"XXXXX", "OOOOX", "XXXOX", "XOXOX", "XOXXX"};
  Expected expected = modellayout(10, 10, 2, 2, picture);
  EXPECT_EQ(result, kTerrainLaid);
  EXPECT_EQ(printed, expected.printed);
  std::vector<uint16_t> tiles(100);
  for (size_t i = 0; i < tiles.size(); ++i)
    tiles[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  EXPECT_EQ(tiles, expected.tiles);
}
#endif

}  // namespace
