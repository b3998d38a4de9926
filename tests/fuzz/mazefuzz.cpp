// Fuzz target for the maze library: small arbitrary sizes and seeds. Every
// maze must be perfect, equal the step-by-step reference generator bit for
// bit, and leave the grid's unused bits alone; the entry points must refuse
// sizes without a grid.
//
// Input: a mode byte, three size bytes, four seed bytes (little-endian). Mode
// bit 0 instead reads three raw 32-bit sizes for _qndcreate; mode bit 2 asks
// _qndcreatestyled for a flat maze of two size bytes in the style of three
// more (symmetry, loops, straightness), which must be made exactly when the
// sizes allow the symmetry, and then be symmetric, perfect without loops and
// without dead ends at loops=100; with five bytes more, a re-roll of a box of
// it (x0, y0, width, height, keep), which must leave it symmetric, whole,
// and perfect without loops.
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "fuzzcheck.h"
#include "generate.h"
#include "mazegrid.h"
#include "perfectmaze.h"
#include "plaingenerate.h"
#include "quendrel.h"

namespace {

uint32_t le32(const uint8_t *bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

bool openat(const MazeHandle &m, int32_t x, int32_t y, int32_t z) {
  return isopen(m.grid, positionindex(&m, x, y, z));
}

// Every cell open, passages only between two cells, nothing on the last line
// of an even axis, one passage fewer than cells, and all of it connected.
void checkperfect(const MazeHandle &m, size_t bytes) {
  FUZZ_CHECK(perfectmazeproblem(m, bytes).empty());
}

// Raw sizes through the entry points: refused exactly when a size is negative
// or the product passes the signed 32-bit range; small accepted ones checked.
void fuzzentrypoints(const uint8_t *data, size_t size) {
  if (size < 12) return;
  int32_t x = int32_t(le32(data)), y = int32_t(le32(data + 4)), z = int32_t(le32(data + 8));
  // The product of all three sizes counts: one size of 0 makes any other
  // size fit, however large.
  bool empty = x == 0 || y == 0 || z == 0;
  bool valid = x >= 0 && y >= 0 && z >= 0 &&
               (empty || (int64_t(x) * y <= INT32_MAX && int64_t(x) * y * z <= INT32_MAX));
  if (!valid) {
    FUZZ_CHECK(_qndcreate(x, y, z) == nullptr);
    return;
  }
  // Large valid grids cost time and memory without reaching new code.
  if (!empty && (int64_t(x) * y * z > 4096 || x > 4096 || y > 4096 || z > 4096)) return;
  if (empty) {
    MazeHandle *maze = _qndcreate(x, y, z);
    FUZZ_CHECK(maze != nullptr);
    checkperfect(*maze, 1);
    _qnddestroy(maze);
    return;
  }
  MazeHandle *maze = _qndcreate(x, y, z);
  FUZZ_CHECK(maze != nullptr);
  checkperfect(*maze, size_t(int64_t(x) * y * z / 8 + 1));
  for (int32_t k = 0; k < z; ++k)
    for (int32_t j = 0; j < y; ++j)
      for (int32_t i = 0; i < x; ++i)
        FUZZ_CHECK((_qndgetpos(maze, i, j, k) != 0) == openat(*maze, i, j, k));
  _qnddestroy(maze);
}

// True when the position's images under the symmetry are open as it is:
// the mirrors and turns written out on the grid.
bool symmetricat(const MazeHandle &m, int32_t mode, int32_t x, int32_t y) {
  const int32_t mx = m.xsize - 1 - x, my = m.ysize - 1 - y;
  const bool here = openat(m, x, y, 0);
  const bool lr = mode == QND_SYMMETRY_LEFT_RIGHT || mode == QND_SYMMETRY_FOUR_WAY;
  const bool tb = mode == QND_SYMMETRY_TOP_BOTTOM || mode == QND_SYMMETRY_FOUR_WAY;
  const bool half = mode >= QND_SYMMETRY_ROTATE_180;
  return (!lr || openat(m, mx, y, 0) == here) && (!tb || openat(m, x, my, 0) == here) &&
         (!half || openat(m, mx, my, 0) == here) &&
         (mode != QND_SYMMETRY_ROTATE_90 || openat(m, my, x, 0) == here);
}

void fuzzstyled(const uint8_t *data, size_t size) {
  if (size < 5) return;
  const int32_t x = data[0] % 64, y = data[1] % 64;
  const QndStyle style = {sizeof(QndStyle), data[2] % 7, data[3] % 102, data[4] % 102, 0, 0};
  const int32_t hx = (x - 1) / 2, hy = (y - 1) / 2;
  const bool odd = x % 2 == 1 && y % 2 == 1, centre = hx % 2 == 0 || hy % 2 == 0;
  bool fits[] = {true,          x % 2 == 1,    y % 2 == 1,
                 odd && centre, odd && centre, odd && x == y && hx % 2 == 0,
                 false};
  const bool made = fits[style.symmetry] && style.loops <= 100 && style.straight <= 100;
  MazeHandle *maze = _qndcreatestyled(x, y, 1, &style);
  FUZZ_CHECK((maze != nullptr) == made);
  if (maze == nullptr) return;
  const size_t bytes = size_t(int64_t(x) * y / 8 + 1);
  // A re-roll opens loops in its own cells only; the cells beside them may
  // be left as dead ends.
  const bool reroll = size >= 10 && x > 0 && y > 0;
  if (reroll) {
    const int32_t x0 = data[5] % 70 - 3, y0 = data[6] % 70 - 3;
    const int32_t x1 = x0 + data[7] % 70, y1 = y0 + data[8] % 70;
    const bool holds = std::max(x0, 0) <= std::min(x1, x - 1) - (std::max(x0, 0) & 1) &&
                       std::max(y0, 0) <= std::min(y1, y - 1) - (std::max(y0, 0) & 1);
    FUZZ_CHECK(_qndreroll(maze, x0, y0, x1, y1, data[9] & 1, le32(data + 5)) == (holds ? 1 : 0));
  }
  if (style.loops == 0) checkperfect(*maze, bytes);
  for (int32_t j = 0; j < y; ++j)
    for (int32_t i = 0; i < x; ++i) {
      FUZZ_CHECK(symmetricat(*maze, style.symmetry, i, j));
      if (style.loops < 100 || reroll || i % 2 != 0 || j % 2 != 0 || x < 3 || y < 3) continue;
      const int ways =
          (i > 0 && openat(*maze, i - 1, j, 0)) + (i + 1 < x && openat(*maze, i + 1, j, 0)) +
          (j > 0 && openat(*maze, i, j - 1, 0)) + (j + 1 < y && openat(*maze, i, j + 1, 0));
      FUZZ_CHECK(ways != 1);
    }
  _qnddestroy(maze);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool seeded = false;
  if (!seeded) {
    // _qndcreate reads its seed from here; a fixed one keeps runs repeatable.
    setenv("QUENDREL_SEED", "1", 1);
    seeded = true;
  }
  if (size < 1) return 0;
  if (data[0] & 1) {
    fuzzentrypoints(data + 1, size - 1);
    return 0;
  }
  if (data[0] & 4) {
    fuzzstyled(data + 1, size - 1);
    return 0;
  }
  if (size < 8) return 0;
  // Flat mazes are what the map generator asks for; three dimensions get
  // smaller sides so each run stays quick.
  bool flat = (data[0] & 2) == 0;
  int32_t x = flat ? data[1] % 80 : data[1] % 20;
  int32_t y = flat ? data[2] % 80 : data[2] % 20;
  int32_t z = flat ? data[3] % 2 : data[3] % 12;
  uint32_t seed = le32(data + 4);

  size_t bytes = size_t(int64_t(x) * y * z / 8 + 1);
  std::vector<uint8_t> fast(bytes), plain(bytes);
  MazeHandle a = {x, y, z, fast.data()}, b = {x, y, z, plain.data()};
  RandomSource sa{seed}, sb{seed};
  generatemaze(&a, &sa);
  plaingeneratemaze(&b, &sb);
  FUZZ_CHECK(fast == plain);
  FUZZ_CHECK(sa.state == sb.state);
  checkperfect(a, bytes);
  return 0;
}
