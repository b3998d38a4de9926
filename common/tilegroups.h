// Tile values: group * 16 + variant. The map generator lays its tiles in
// pairs, the first from an even group and its partner the same variant one
// group higher; the preview colours each group. Both read the groups here.
#ifndef TREVALK_TILEGROUPS_H
#define TREVALK_TILEGROUPS_H

#include <stdint.h>

constexpr uint32_t kVariantsPerGroup = 16;

// Path: groups 2 and 3; the first tile of a pair is one of 8 variants.
constexpr int kPathGroup = 2;
constexpr int kPathPartnerGroup = 3;
constexpr uint32_t kPathVariants = 8;

// Water: groups 6 and 7; the first tile of a pair is one of 6 variants.
constexpr int kWaterGroup = 6;
constexpr int kWaterPartnerGroup = 7;
constexpr uint32_t kWaterVariants = 6;

constexpr uint32_t firsttileof(int group) { return uint32_t(group) * kVariantsPerGroup; }

// A pair's second tile: the first one's value one group higher.
constexpr uint32_t kPartnerOffset = kVariantsPerGroup;

constexpr int groupof(uint16_t tile) { return tile / kVariantsPerGroup; }
constexpr unsigned variantof(uint16_t tile) { return tile % kVariantsPerGroup; }

// True for a tile the generator lays as land (either tile of a path pair).
constexpr bool ispathtile(uint16_t tile) {
  return groupof(tile) == kPathGroup || groupof(tile) == kPathPartnerGroup;
}

#endif
