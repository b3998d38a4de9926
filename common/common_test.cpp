// The shared rules against what the README and the manual pages state.
#include <gtest/gtest.h>

#include "maplimits.h"
#include "randomsource.h"
#include "seedtext.h"
#include "tilegroups.h"

namespace {

TEST(SeedText, TakesWholeNumbersFromZeroTo32BitsAndNothingElse) {
  const struct {
    const char *text;
    bool seed;
    uint32_t value;
  } cases[] = {
      {"0", true, 0},
      {"4294967295", true, 4294967295u},
      {"007", true, 7},
      {"", false, 0},
      {"4294967296", false, 0},
      {"-1", false, 0},
      {"+1", false, 0},
      {" 1", false, 0},
      {"1 ", false, 0},
      {"0x10", false, 0},
      {"12abc", false, 0},
      {"99999999999999999999", false, 0},
      // The characters on either side of the digits.
      {"1/", false, 0},
      {"1:", false, 0},
      {"/1", false, 0},
      {":", false, 0},
  };
  for (const auto &c : cases) {
    uint32_t seed = 12345;
    EXPECT_EQ(parseseedtext(c.text, &seed), c.seed) << c.text;
    EXPECT_EQ(seed, c.seed ? c.value : 12345u) << c.text;
  }
  uint32_t seed = 0;
  EXPECT_FALSE(parseseedtext(nullptr, &seed));
}

TEST(RandomSource, StepsAndJumpsAlike) {
  // The first draws from state 1: 1 * 214013 + 2531011 = 2745024, >> 16 = 41.
  RandomSource source{1};
  EXPECT_EQ(nextdraw(&source), 41u);
  EXPECT_EQ(nextdraw(&source), 18467u);
  EXPECT_EQ(nextdraw(&source), 6334u);
  RandomSource stepped{12345};
  for (uint32_t steps = 0; steps < 300; ++steps) {
    EXPECT_EQ(jumpfrom(12345, randomjump(steps)), stepped.state) << steps;
    nextdraw(&stepped);
  }
  EXPECT_EQ(scaledraw(6, 32767), 6);
  EXPECT_EQ(scaledraw(6, 32766), 5);
}

TEST(MapLimits, SectionLengthsFitTheirFieldWithoutWrapping) {
  const MapLengths lengths = maplengths(64, 64);
  EXPECT_EQ(lengths.mask, 64u * 64);
  EXPECT_EQ(lengths.isom, 264u * 65);
  EXPECT_EQ(lengths.tile, 64u * 64 * 2);
  EXPECT_TRUE(mapfits(65535, 0));
  EXPECT_TRUE(mapfits(0, 65535));
  EXPECT_FALSE(mapfits(32767, 32767));  // "ISOM" passes 2^32 first
  EXPECT_FALSE(mapfits(65535, 65535));
  // 16382 is the widest map that may be 65534 tiles high, not 65535.
  for (uint32_t side : {1u, 100u, 16382u, 32767u, 40000u, 65535u}) {
    uint32_t h = largestheight(side), w = largestwidth(side);
    EXPECT_TRUE(mapfits(side, h));
    EXPECT_TRUE(h == 65535 || !mapfits(side, h + 1));
    EXPECT_TRUE(mapfits(w, side));
    EXPECT_TRUE(w == 65535 || !mapfits(w + 1, side));
  }
  EXPECT_EQ(largestheight(0), 65535u);
}

TEST(TileGroups, PairsAndGroupsAsTheMapsHoldThem) {
  EXPECT_EQ(firsttileof(kPathGroup), 32u);
  EXPECT_EQ(firsttileof(kWaterGroup), 96u);
  EXPECT_EQ(firsttileof(kPathGroup) + kPartnerOffset, firsttileof(kPathPartnerGroup));
  EXPECT_EQ(firsttileof(kWaterGroup) + kPartnerOffset, firsttileof(kWaterPartnerGroup));
  EXPECT_TRUE(ispathtile(32) && ispathtile(56) && ispathtile(63));
  EXPECT_FALSE(ispathtile(31) || ispathtile(64) || ispathtile(96));
  EXPECT_EQ(groupof(117), 7);
  EXPECT_EQ(variantof(117), 5u);
}

}  // namespace
