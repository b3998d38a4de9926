// Edited maps through the real maze library: the land is exactly the blocks
// of the edited maze's open positions, and every tile outside the blocks of
// the positions an edit changed, and all water that stays water, is the
// unedited map's, byte for byte.
#if defined(QUENDREL_LIBRARY_PATH) && !defined(_WIN32)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding.h"
#include "layout.h"
#include "symmetrymaps.h"
#include "terrain.h"
#include "tilegroups.h"

namespace {

struct Laid {
  std::vector<uint8_t> tiles, picture;
};

Laid lay(uint32_t w, uint32_t h, int32_t path, int32_t water, const MazeLayout &layout,
         const QndStyle &style, const std::vector<MazeEdit> &edits) {
  Laid laid = {std::vector<uint8_t>(size_t(w) * h * 2),
               std::vector<uint8_t>(size_t(layout.columns * layout.rows / 8 + 1))};
  RandomSource random = {1};
  const TerrainStyle terrain = {layout, &style,       laid.picture.data(), &random,
                                true,   edits.data(), edits.size()};
  EXPECT_EQ(layterrain(int32_t(w), int32_t(h), path, water, 0, laid.tiles.data(), &terrain),
            kTerrainLaid);
  return laid;
}

bool bit(const std::vector<uint8_t> &bits, int64_t k) {
  return (bits[size_t(k >> 3)] >> (k & 7)) & 1;
}

// Marks the tiles of position (i, j)'s block as layout.h places it: p x p
// tiles clipped to the map when centred, otherwise blockrows runs of
// 2 * blockpairs tiles one map row apart, which pass the right edge into
// the next row.
void markblock(const MazeLayout &l, int64_t w, int64_t h, int64_t i, int64_t j,
               std::vector<char> *mark) {
  const int64_t step = l.pitch / 2;
  for (int64_t k = 0; k < l.blockrows; ++k) {
    const int64_t across = l.centred ? l.blockcolumns : 2 * l.blockpairs;
    for (int64_t c = 0; c < across; ++c) {
      const int64_t x = (l.centred ? l.left : l.shift) + j * step + c, y = l.top + i * step + k;
      if (l.centred && (x < 0 || x >= w || y < 0 || y >= h)) continue;
      const int64_t t = y * w + x;
      if (t >= 0 && t < w * h) (*mark)[size_t(t)] = 1;
    }
  }
}

TEST(EditedMap, ChangesOnlyTheBlocksOfWhatTheEditsChanged) {
  qndrelease();
  ASSERT_EQ(qndinitfile(QUENDREL_LIBRARY_PATH), kBindLoaded);
  const struct {
    Symmetry symmetry;
    uint32_t width, height;
    int32_t path, water, loops;
    std::vector<MazeEdit> edits;  // on maze positions
  } cases[] = {
      {kNoSymmetry, 48, 64, 4, 2, 0, {{4, 4, 9, 9, 0, 7}, {12, 0, 15, 20, 0, 1}}},
      {kNoSymmetry, 49, 33, 4, 2, 0, {{0, 0, 6, 6, 1, 3}}},
      {kNoSymmetry, 64, 64, 6, 2, 30, {{2, 2, 8, 8, 0, 11}}},
      {kFourWay, 64, 64, 4, 2, 0, {{2, 2, 6, 8, 0, 5}, {0, 0, 10, 10, 1, 9}}},
  };
  for (const auto &c : cases)
    for (uint32_t seed = 1; seed <= 4; ++seed) {
      SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " seed " +
                   std::to_string(seed));
      const MazeLayout layout = c.symmetry != kNoSymmetry
                                    ? fairlayout(c.width, c.height, c.path, c.water, c.symmetry)
                                    : mazelayout(c.width, c.height, c.path, c.water);
      const QndStyle style = {sizeof(QndStyle), int32_t(c.symmetry), c.loops, 0, 1, seed};
      const Laid made = lay(c.width, c.height, c.path, c.water, layout, style, {});
      const Laid edited = lay(c.width, c.height, c.path, c.water, layout, style, c.edits);
      const int64_t w = c.width, h = c.height;
      std::vector<char> land(size_t(w * h)), changed(size_t(w * h));
      for (int64_t i = 0; i < layout.rows; ++i)
        for (int64_t j = 0; j < layout.columns; ++j) {
          const int64_t k = i * layout.columns + j;
          if (bit(edited.picture, k)) markblock(layout, w, h, i, j, &land);
          if (bit(edited.picture, k) != bit(made.picture, k))
            markblock(layout, w, h, i, j, &changed);
        }
      EXPECT_NE(made.picture, edited.picture) << "the edits changed nothing";
      int wrongland = 0, moved = 0;
      for (int64_t t = 0; t < w * h; ++t) {
        const uint16_t tile = uint16_t(edited.tiles[2 * t] | edited.tiles[2 * t + 1] << 8);
        const uint16_t before = uint16_t(made.tiles[2 * t] | made.tiles[2 * t + 1] << 8);
        wrongland += ispathtile(tile) != (land[size_t(t)] != 0);
        // Water that stays water is the very tile it was, even in a changed block.
        const bool stays = !changed[size_t(t)] || (!ispathtile(tile) && !ispathtile(before));
        moved += stays && tile != before;
      }
      EXPECT_EQ(wrongland, 0) << "tiles whose land is not the edited maze's";
      EXPECT_EQ(moved, 0) << "tiles outside the changed blocks that changed";
    }
  qndrelease();
}

}  // namespace
#endif
