// The five measures of starts on small maps drawn by hand, each value
// worked out below from the measures' definitions (README, "What the
// measures mean for a player"): '#' is land, '.' water; a step is a move
// between land tiles side by side.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fairness.h"
#include "fairreport.h"
#include "littleendian.h"

namespace {

struct Drawn {
  std::vector<std::string> rows;
  std::vector<std::pair<int, int>> starts;
  std::vector<uint64_t> rival, centre, territory, room;
  double separation;  // every start's, here
  uint64_t contested;
  double fairness;
  const char *verdict;
};

TEST(Measures, OfStartsOnMapsDrawnByHand) {
  const Drawn table[] = {
      // A corridor of 10: the starts 9 steps apart at its ends. The centre
      // point (5, 0.5) is as near to tile 4 as to tile 5: 4 steps from each
      // start. Tiles 0-4 are nearer to the first start, 5-9 to the second;
      // the room radius is 9 / 2 = 4, so each room is 5 tiles.
      {{"##########"},
       {{0, 0}, {9, 0}},
       {9, 9},
       {4, 4},
       {5, 5},
       {5, 5},
       9.0,
       0,
       1.0,
       "Even: every measure within 10 %."},
      // A corridor of 19 with one tile hanging below column 12: the starts
      // 18 steps apart, tile 9 as near to both (contested); the centre point
      // (9.5, 1) is nearest tile (9, 0), 9 steps from each. Territory: 9
      // tiles (0-8) against 10 (10-18 and the hanging one): 0.9, even at
      // its bound. Rooms within 9 steps: 10 (0-9) against 11 (9-18 and the
      // hanging tile, 7 steps away).
      {{"###################", "............#......"},
       {{0, 0}, {18, 0}},
       {18, 18},
       {9, 9},
       {9, 10},
       {10, 11},
       18.0,
       1,
       0.9,
       "Even: every measure within 10 %."},
      // A corridor of 11, the starts at 3 and 10, 7 steps apart. The centre
      // point (5.5, 0.5) is tile 5: 2 steps from the first, 5 from the
      // second, 0.4. Tiles 0-6 are the first's (7), 7-10 the second's (4);
      // within 3 steps, the same.
      {{"###########"},
       {{3, 0}, {10, 0}},
       {7, 7},
       {2, 5},
       {7, 4},
       {7, 4},
       7.0,
       0,
       0.4,
       "Uneven: player 2 is 2.5 times farther from the centre than player 1."},
  };
  for (const Drawn &d : table) {
    SCOPED_TRACE(d.rows[0]);
    const uint32_t width = uint32_t(d.rows[0].size()), height = uint32_t(d.rows.size());
    std::vector<uint8_t> tiles(size_t(width) * height * 2);
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x)
        writele16(&tiles[2 * (size_t(y) * width + x)], d.rows[y][x] == '#' ? 0x20 : 0x60);
    Fairness f = {};
    f.players = int(d.starts.size());
    for (int k = 0; k < f.players; ++k) {
      f.start[k][0] = d.starts[size_t(k)].first;
      f.start[k][1] = d.starts[size_t(k)].second;
    }
    ASSERT_TRUE(measurestarts(tiles.data(), width, height, kNoSymmetry, &f));
    for (int k = 0; k < f.players; ++k) {
      EXPECT_EQ(f.nearest[k], d.rival[size_t(k)]) << k;
      EXPECT_EQ(f.centre[k], d.centre[size_t(k)]) << k;
      EXPECT_EQ(f.territory[k], d.territory[size_t(k)]) << k;
      EXPECT_EQ(f.room[k], d.room[size_t(k)]) << k;
      EXPECT_DOUBLE_EQ(f.separation[k], d.separation) << k;
    }
    EXPECT_EQ(f.contested, d.contested);
    EXPECT_DOUBLE_EQ(f.fairness, d.fairness);
    EXPECT_EQ(verdicttext(f), d.verdict);
  }
}

}  // namespace
