#include "arguments.h"

#include <ctype.h>
#include <string.h>

#include "layout.h"

const ArgumentName kArgumentNames[kArgumentCount] = {
    {"xsize", ""},          {"ysize", ""},        {"pathwidth", "(4-)"},
    {"waterwidth", "(2-)"}, {"tileset", "(0-4)"}, {"outfile", ""},
};

namespace {

// Appends `text` to the synopsis being built in `out`, which has room for
// every name and range.
char *append(char *out, const char *text) {
  const size_t length = strlen(text);
  memcpy(out, text, length + 1);
  return out + length;
}

char *buildsynopsis(char *out, bool ranges) {
  char *end = out;
  for (int i = 0; i < kArgumentCount; ++i) {
    if (i > 0) end = append(end, " ");
    end = append(end, kArgumentNames[i].name);
    if (ranges) end = append(end, kArgumentNames[i].range);
  }
  return out;
}

}  // namespace

const char *argumentsynopsis(bool ranges) {
  static char plain[128], ranged[128];
  static const char *const texts[2] = {buildsynopsis(plain, false), buildsynopsis(ranged, true)};
  return texts[ranges ? 1 : 0];
}

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

namespace {

// a * b, or UINT64_MAX when that does not fit.
uint64_t saturatingproduct(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

}  // namespace

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
