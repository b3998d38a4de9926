// How large a map may be: every section's length is a 32-bit field, and the
// sections a run rebuilds grow with the map's width and height.
#ifndef TREVALK_MAPLIMITS_H
#define TREVALK_MAPLIMITS_H

#include <stdint.h>

// The lengths of the rebuilt sections of a width x height map, in 64 bits so
// that none wraps: "MASK" one byte a tile, "ISOM" (height + 1) rows of
// width * 2 + 4 words, "TILE" (and "MTXM") one word a tile.
struct MapLengths {
  uint64_t mask, isom, tile;
};

inline MapLengths maplengths(uint32_t width, uint32_t height) {
  const uint64_t tiles = uint64_t(width) * height;
  return {tiles, (uint64_t(width) * 4 + 8) * (uint64_t(height) + 1), tiles * 2};
}

// True when every section length of the map fits the 32-bit length field.
inline bool mapfits(uint32_t width, uint32_t height) {
  const MapLengths lengths = maplengths(width, height);
  return lengths.mask <= UINT32_MAX && lengths.isom <= UINT32_MAX && lengths.tile <= UINT32_MAX;
}

// The largest b from 0 to 65535 for which fits(b) holds, for a fits() that
// holds up to some point and fails beyond it.
template <typename Fits>
inline uint32_t largestfitting(Fits fits) {
  uint32_t low = 0, high = 65535;
  if (fits(high)) return high;
  while (high - low > 1) {
    const uint32_t middle = low + (high - low) / 2;
    (fits(middle) ? low : high) = middle;
  }
  return low;
}

// The largest height that fits with this width, and the largest width that
// fits with this height (each at most 65535).
inline uint32_t largestheight(uint32_t width) {
  return largestfitting([width](uint32_t height) { return mapfits(width, height); });
}

inline uint32_t largestwidth(uint32_t height) {
  return largestfitting([height](uint32_t width) { return mapfits(width, height); });
}

#endif
