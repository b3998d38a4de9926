// Fair maps through the real maze library, over many seeds, sizes and
// styles: the land exactly symmetric tile for tile and connected, the maze
// perfect without loops and without dead ends at loops=100, the starts on
// path tiles and in whole orbits, and every measure equal to a search of the
// test's own over the map's tiles.
#if defined(QUENDREL_LIBRARY_PATH) && !defined(_WIN32)
#include "fairness.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "binding.h"
#include "layout.h"
#include "mazegrid.h"
#include "perfectmaze.h"
#include "terrain.h"

namespace {

struct Map {
  uint32_t width, height;
  std::vector<uint8_t> bytes;
  bool land(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const uint8_t *at = &bytes[2 * (uint64_t(y) * width + uint64_t(x))];
    const int group = (at[0] | at[1] << 8) / 16;
    return group == 2 || group == 3;
  }
};

// The tile a symmetry's map g takes (x, y) to, written out per mode.
std::pair<int64_t, int64_t> mapped(Symmetry s, int g, const Map &m, int64_t x, int64_t y) {
  const int64_t mx = m.width - 1 - x, my = m.height - 1 - y;
  if (g == 0) return {x, y};
  switch (s) {
    case kLeftRight:
      return {mx, y};
    case kTopBottom:
      return {x, my};
    case kRotate180:
      return {mx, my};
    case kFourWay:
      return g == 1   ? std::make_pair(mx, y)
             : g == 2 ? std::make_pair(x, my)
                      : std::make_pair(mx, my);
    case kRotate90:
      return g == 1   ? std::make_pair(m.width - 1 - y, x)
             : g == 2 ? std::make_pair(mx, my)
                      : std::make_pair(y, m.height - 1 - x);
    default:
      return {x, y};
  }
}

// Fewest moves over land between edge-adjacent tiles from the sources.
std::vector<int64_t> search(const Map &m, const std::vector<std::pair<int64_t, int64_t>> &from) {
  std::vector<int64_t> d(size_t(m.width) * m.height, -1);
  std::deque<std::pair<int64_t, int64_t>> queue;
  for (auto s : from) {
    d[size_t(s.second * m.width + s.first)] = 0;
    queue.push_back(s);
  }
  while (!queue.empty()) {
    auto [x, y] = queue.front();
    queue.pop_front();
    const int64_t here = d[size_t(y * m.width + x)];
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
      if (!m.land(x + dx, y + dy) || d[size_t((y + dy) * m.width + x + dx)] >= 0) continue;
      d[size_t((y + dy) * m.width + x + dx)] = here + 1;
      queue.push_back({x + dx, y + dy});
    }
  }
  return d;
}

struct FairCase {
  Symmetry symmetry;
  uint32_t width, height;
  int32_t pathwidth, waterwidth, loops, straight;
  int players;
};

class FairMap : public testing::TestWithParam<FairCase> {
 protected:
  void SetUp() override {
    qndrelease();
    ASSERT_EQ(qndinitfile(QUENDREL_LIBRARY_PATH), kBindLoaded);
  }
  void TearDown() override {
    qndrelease();
    unsetenv("QUENDREL_SEED");
  }
};

TEST_P(FairMap, IsSymmetricConnectedAndMeasuredRight) {
  const FairCase c = GetParam();
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    setenv("QUENDREL_SEED", std::to_string(seed).c_str(), 1);
    Map m = {c.width, c.height, std::vector<uint8_t>(size_t(c.width) * c.height * 2)};
    const MazeLayout layout =
        c.symmetry != kNoSymmetry
            ? fairlayout(c.width, c.height, c.pathwidth, c.waterwidth, c.symmetry)
            : mazelayout(c.width, c.height, c.pathwidth, c.waterwidth);
    std::vector<uint8_t> bits(size_t(layout.columns * layout.rows / 8 + 1));
    const QndStyle style = {sizeof(QndStyle), c.symmetry, c.loops, c.straight, 0, 0};
    const TerrainStyle terrain = {layout, &style, bits.data(), nullptr, false, nullptr, 0};
    testing::internal::CaptureStdout();
    ASSERT_EQ(layterrain(int32_t(c.width), int32_t(c.height), c.pathwidth, c.waterwidth, 0,
                         m.bytes.data(), &terrain),
              kTerrainLaid);
    testing::internal::GetCapturedStdout();
    Fairness f;
    const MazePicture picture = {layout.columns, layout.rows, bits.data()};
    ASSERT_EQ(measurefairness(m.bytes.data(), c.width, c.height, layout, c.pathwidth, picture,
                              c.symmetry, c.players, &f),
              kFairnessMeasured);

    // The land: symmetric tile for tile, one piece.
    const int order = symmetryorder(c.symmetry);
    int64_t landtiles = 0;
    std::pair<int64_t, int64_t> someland = {-1, -1};
    for (int64_t y = 0; y < c.height; ++y)
      for (int64_t x = 0; x < c.width; ++x) {
        if (m.land(x, y)) landtiles++, someland = {x, y};
        for (int g = 1; g < order; ++g) {
          auto [gx, gy] = mapped(c.symmetry, g, m, x, y);
          ASSERT_EQ(m.land(gx, gy), m.land(x, y)) << x << "," << y << " map " << g;
        }
      }
    std::vector<int64_t> reach = search(m, {someland});
    EXPECT_EQ(landtiles,
              int64_t(std::count_if(reach.begin(), reach.end(), [](int64_t d) { return d >= 0; })));

    // The maze in the picture: perfect without loops, no dead end at 100.
    MazeHandle maze = {int32_t(layout.columns), int32_t(layout.rows), 1, bits.data()};
    if (c.loops == 0) {
      EXPECT_EQ(perfectmazeproblem(maze, bits.size()), "");
      EXPECT_EQ(f.cycles, 0);
    }
    if (c.loops == 100) {
      EXPECT_EQ(f.deadends, 0u);
    }

    // The starts: on land, distinct, whole orbits, and measured right.
    std::set<std::pair<int64_t, int64_t>> starts;
    for (int k = 0; k < c.players; ++k) {
      const std::pair<int64_t, int64_t> s = {f.start[k][0], f.start[k][1]};
      EXPECT_TRUE(m.land(s.first, s.second));
      starts.insert(s);
    }
    EXPECT_EQ(starts.size(), size_t(c.players));
    for (auto s : starts)
      for (int g = 1; g < order; ++g)
        EXPECT_EQ(starts.count(mapped(c.symmetry, g, m, s.first, s.second)), 1u);
    std::vector<std::pair<int64_t, int64_t>> centre;
    int64_t best = INT64_MAX;
    for (int64_t y = 0; y < c.height; ++y)
      for (int64_t x = 0; x < c.width; ++x) {
        if (!m.land(x, y)) continue;
        const int64_t dx = 2 * x + 1 - c.width, dy = 2 * y + 1 - c.height;
        if (dx * dx + dy * dy < best) best = dx * dx + dy * dy, centre.clear();
        if (dx * dx + dy * dy == best) centre.push_back({x, y});
      }
    const std::vector<int64_t> tocentre = search(m, centre);
    // Each start's search; the five measures from them.
    std::vector<std::vector<int64_t>> from;
    for (int k = 0; k < c.players; ++k) from.push_back(search(m, {{f.start[k][0], f.start[k][1]}}));
    std::vector<double> values[5];
    int64_t fewest = INT64_MAX;
    for (int k = 0; k < c.players; ++k)
      for (int l = 0; l < c.players; ++l)
        if (l != k)
          fewest = std::min(fewest, from[k][size_t(f.start[l][1] * c.width + f.start[l][0])]);
    const int64_t radius = c.players < 2 ? INT64_MAX : fewest / 2;
    uint64_t contested = 0;
    std::vector<uint64_t> territory(size_t(c.players)), room(size_t(c.players));
    for (size_t t = 0; t < from[0].size(); ++t) {
      int64_t nearest = INT64_MAX;
      int owners = 0, owner = -1;
      for (int k = 0; k < c.players; ++k) {
        const int64_t d = from[k][t];
        if (d < 0) continue;
        if (d < nearest)
          nearest = d, owners = 1, owner = k;
        else if (d == nearest)
          owners++;
      }
      if (owners == 0) continue;
      if (owners > 1)
        contested++;
      else
        territory[size_t(owner)]++;
      for (int k = 0; k < c.players; ++k)
        if (from[k][t] >= 0 && from[k][t] <= radius) room[size_t(k)]++;
    }
    EXPECT_EQ(f.contested, contested);
    for (int k = 0; k < c.players; ++k) {
      const std::vector<int64_t> &d = from[size_t(k)];
      uint64_t nearest = UINT64_MAX;
      double apart = INFINITY;
      for (int l = 0; l < c.players; ++l) {
        EXPECT_EQ(int64_t(f.steps[k][l]),
                  d[size_t(f.start[l][1] * int64_t(c.width) + f.start[l][0])]);
        if (l == k) continue;
        nearest = std::min(nearest, f.steps[k][l]);
        apart = std::min(apart, std::hypot(double(f.start[k][0] - f.start[l][0]),
                                           double(f.start[k][1] - f.start[l][1])));
      }
      EXPECT_EQ(f.nearest[k], nearest);
      EXPECT_EQ(int64_t(f.centre[k]),
                tocentre[size_t(f.start[k][1] * int64_t(c.width) + f.start[k][0])]);
      EXPECT_EQ(f.territory[k], territory[size_t(k)]);
      EXPECT_EQ(f.room[k], room[size_t(k)]);
      const double separation = c.players < 2 ? 0 : std::round(apart * 100) / 100;
      EXPECT_DOUBLE_EQ(f.separation[k], separation);
      values[0].push_back(double(nearest));
      values[1].push_back(double(f.centre[k]));
      values[2].push_back(double(territory[size_t(k)]));
      values[3].push_back(double(room[size_t(k)]));
      values[4].push_back(separation);
    }
    // Each measure's least over its most, and the least of them.
    double fairness = 1;
    for (int measure = 0; measure < 5; ++measure) {
      const auto [low, high] = std::minmax_element(values[measure].begin(), values[measure].end());
      const double even = c.players < 2 || *high == 0 ? 1.0 : *low / *high;
      EXPECT_DOUBLE_EQ(f.measure[measure], even) << measure;
      fairness = std::min(fairness, even);
    }
    EXPECT_DOUBLE_EQ(f.fairness, fairness);
    if (c.players == order && order > 1) {
      EXPECT_DOUBLE_EQ(f.fairness, 1.0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryMode, FairMap,
    testing::Values(
        FairCase{kNoSymmetry, 64, 48, 4, 2, 0, 0, 3},
        // Blocks of the last maze column pass the right edge.
        FairCase{kNoSymmetry, 60, 64, 6, 2, 0, 0, 4},
        FairCase{kNoSymmetry, 40, 40, 6, 2, 100, 50, 8},
        FairCase{kNoSymmetry, 32, 32, 4, 2, 30, 0, 1}, FairCase{kLeftRight, 64, 40, 4, 2, 0, 0, 2},
        FairCase{kLeftRight, 70, 34, 6, 2, 100, 0, 4}, FairCase{kTopBottom, 40, 64, 4, 2, 0, 40, 6},
        FairCase{kRotate180, 64, 64, 4, 2, 0, 0, 2}, FairCase{kRotate180, 52, 38, 8, 2, 50, 0, 8},
        FairCase{kFourWay, 64, 64, 4, 2, 0, 0, 4}, FairCase{kFourWay, 66, 50, 6, 4, 100, 70, 8},
        FairCase{kRotate90, 64, 64, 4, 2, 0, 0, 4}, FairCase{kRotate90, 46, 46, 10, 2, 60, 20, 8},
        // Paths wider than the map: one cell, whose block is all the land;
        // a half turn of it on tiles.
        FairCase{kRotate180, 32, 32, 30, 2, 0, 0, 2}, FairCase{kFourWay, 32, 32, 40, 2, 0, 0, 4},
        FairCase{kNoSymmetry, 32, 32, 40, 2, 0, 0, 8}));

}  // namespace
#endif
