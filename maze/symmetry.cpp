#include "symmetry.h"

#include <stdlib.h>

#include "quendrel.h"
#include "regionwalk.h"

static_assert(kLeftRight == QND_SYMMETRY_LEFT_RIGHT && kTopBottom == QND_SYMMETRY_TOP_BOTTOM &&
                  kRotate180 == QND_SYMMETRY_ROTATE_180 && kFourWay == QND_SYMMETRY_FOUR_WAY &&
                  kRotate90 == QND_SYMMETRY_ROTATE_90,
              "the shared numbering of the symmetries is the library's");

namespace {

// Where a fundamental region's own grid lies in the maze's.
struct Offset {
  int32_t dx, dy;
};

// Where the fundamental region is walked, and how it becomes the maze.
struct SymmetryPlan {
  bool local;     // walked in a grid of its own, whose origin lies at `base`
  Offset base;    // of the region's grid in the maze's
  int32_t width;  // the region's grid, when local
  int32_t height;
  Region region;
  unsigned lines;    // corridors open from the start (regionwalk.h)
  bool centre;       // the passage at the centre joins the images
  bool crossing;     // one passage, in a drawn cell row or column, crosses the axis
  bool crossesrows;  // that passage crosses a horizontal axis (else a vertical one)
};

bool odd(int32_t n) { return (n & 1) != 0; }

// A half side: the centre's coordinate along a mirrored axis.
int32_t half(int32_t size) { return (size - 1) / 2; }

SymmetryPlan planfor(Symmetry mode, int32_t xsize, int32_t ysize) {
  const int32_t cx = half(xsize), cy = half(ysize);
  SymmetryPlan plan = {};
  plan.base = {0, 0};
  plan.local = true;
  switch (mode) {
    case kLeftRight:
      // The right half, from the axis or from the column after it.
      plan.base = {odd(cx) ? cx + 1 : cx, 0};
      plan.width = xsize - plan.base.dx;
      plan.height = ysize;
      plan.lines = odd(cx) ? kNoLine : kColumnZero;
      plan.crossing = odd(cx);
      break;
    case kTopBottom:
      plan.base = {0, odd(cy) ? cy + 1 : cy};
      plan.width = xsize;
      plan.height = ysize - plan.base.dy;
      plan.lines = odd(cy) ? kNoLine : kRowZero;
      plan.crossing = odd(cy);
      plan.crossesrows = true;
      break;
    case kFourWay:
      // The lower right quarter; at least one axis runs through cells, and
      // the centre is a passage when the other does not.
      plan.base = {odd(cx) ? cx + 1 : cx, odd(cy) ? cy + 1 : cy};
      plan.width = xsize - plan.base.dx;
      plan.height = ysize - plan.base.dy;
      plan.lines = (odd(cx) ? kNoLine : kColumnZero) | (odd(cy) ? kNoLine : kRowZero);
      plan.centre = odd(cx) || odd(cy);
      break;
    case kRotate180:
      // The rows above the centre, and the centre row up to the centre.
      plan.local = false;
      plan.region = {uint32_t(xsize), uint32_t(odd(cy) ? cy : cy + 1),
                     uint32_t(odd(cx) ? cx : cx + 1)};
      if (odd(cy)) plan.region.lastwidth = uint32_t(xsize);
      plan.centre = odd(cx) || odd(cy);
      break;
    case kRotate90:
      // A quarter turned about the centre cell, and the centre.
      plan.local = false;
      plan.region = {uint32_t(cx), uint32_t(cy + 1), uint32_t(cx + 1)};
      break;
    default:
      break;
  }
  if (plan.local) plan.region = {uint32_t(plan.width), uint32_t(plan.height), uint32_t(plan.width)};
  return plan;
}

// Opens every image of every open position of `from`, whose origin lies at
// `base` in the maze. `from` may be the maze itself: an image of an image is
// one of the images.
void stamp(MazeHandle *maze, const MazeHandle &from, Offset base, Symmetry mode) {
  for (int32_t y = 0; y < from.ysize; ++y)
    for (int32_t x = 0; x < from.xsize; ++x) {
      if (!isopenxy(&from, x, y)) continue;
      for (int g = 0; g < symmetryorder(mode); ++g) {
        int64_t gx, gy;
        imageof(mode, g, maze->xsize, maze->ysize, x + base.dx, y + base.dy, &gx, &gy);
        openxy(maze, int32_t(gx), int32_t(gy));
      }
    }
}

}  // namespace

bool generatesymmetric(MazeHandle *maze, Symmetry mode, int32_t straight, RandomSource *source) {
  const SymmetryPlan plan = planfor(mode, maze->xsize, maze->ysize);
  if (plan.local) {
    MazeHandle part = {plan.width, plan.height, 1, nullptr};
    part.grid =
        static_cast<uint8_t *>(calloc(size_t(int64_t(plan.width) * plan.height / 8 + 1), 1));
    if (part.grid == nullptr) return false;
    walkregion(&part, plan.region, plan.lines, straight, source);
    stamp(maze, part, plan.base, mode);
    free(part.grid);
  } else {
    // Walked in place: until the images come, only the region is open, and
    // an image of an image is one of the images, so the maze can be read
    // and written at once.
    walkregion(maze, plan.region, kNoLine, straight, source);
    stamp(maze, *maze, {0, 0}, mode);
  }
  const int32_t cx = half(maze->xsize), cy = half(maze->ysize);
  if (plan.centre) openxy(maze, cx, cy);
  if (plan.crossing) {
    // One passage across the axis, in a cell row (or column) of its own.
    const int32_t cells = ((plan.crossesrows ? maze->xsize : maze->ysize) + 1) / 2;
    const int32_t at = 2 * int32_t(pickbelow(uint32_t(cells), source));
    if (plan.crossesrows)
      openxy(maze, at, cy);
    else
      openxy(maze, cx, at);
  }
  return true;
}
