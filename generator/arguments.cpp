#include "arguments.h"

#include <ctype.h>

#include "layout.h"

bool parsedecimal(const char *text, int32_t *value) {
  const unsigned char *c = reinterpret_cast<const unsigned char *>(text);
  while (isspace(*c)) ++c;
  bool negative = *c == '-';
  if (*c == '-' || *c == '+') ++c;
  if (!isdigit(*c)) return false;
  int64_t magnitude = 0;
  for (; isdigit(*c); ++c) {
    magnitude = magnitude * 10 + (*c - '0');
    if (magnitude > int64_t(INT32_MAX) + 1) return false;
  }
  int64_t result = negative ? -magnitude : magnitude;
  if (result > INT32_MAX) return false;
  *value = static_cast<int32_t>(result);
  return true;
}

bool isseedtext(const char *text) {
  uint64_t value = 0;
  for (const char *c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + uint64_t(*c - '0');
    if (value > UINT32_MAX) return false;
  }
  return text[0] != '\0';
}

MapLengths maplengths(uint32_t width, uint32_t height) {
  uint64_t tiles = uint64_t(width) * height;
  return {tiles, (uint64_t(width) * 4 + 8) * (uint64_t(height) + 1), tiles * 2};
}

bool mapfits(uint32_t width, uint32_t height) {
  MapLengths lengths = maplengths(width, height);
  return lengths.mask <= UINT32_MAX && lengths.isom <= UINT32_MAX && lengths.tile <= UINT32_MAX;
}

namespace {

// Largest b from 0 to 65535 with fits(b), for a fits() that holds up to some
// point and fails beyond it.
template <typename Fits>
uint32_t largest(Fits fits) {
  uint32_t low = 0, high = 65535;
  if (fits(high)) return high;
  while (high - low > 1) {
    uint32_t middle = low + (high - low) / 2;
    (fits(middle) ? low : high) = middle;
  }
  return low;
}

// a * b, or UINT64_MAX when that does not fit.
uint64_t saturatingproduct(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

}  // namespace

uint32_t largestheight(uint32_t width) {
  return largest([width](uint32_t height) { return mapfits(width, height); });
}

uint32_t largestwidth(uint32_t height) {
  return largest([height](uint32_t width) { return mapfits(width, height); });
}

uint64_t paintingdraws(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth) {
  const MazeLayout layout = mazelayout(width, height, pathwidth, waterwidth);
  if (layout.columns <= 0 || layout.rows <= 0 || layout.blockpairs == 0) return 0;
  uint64_t draws = saturatingproduct(uint64_t(layout.columns), uint64_t(layout.rows));
  draws = saturatingproduct(draws, uint64_t(layout.blockrows));
  return saturatingproduct(draws, uint64_t(layout.blockpairs));
}

uint64_t paintinglimit(uint32_t width, uint32_t height) {
  uint64_t tiles = uint64_t(width) * height;
  return 4 * (tiles > (1u << 20) ? tiles : (1u << 20));
}
