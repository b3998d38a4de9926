#include "symmetry.h"

#include <stdlib.h>

#include "regionwalk.h"

namespace {

constexpr Affine kIdentity = {1, 0, 0, 0, 1, 0};

Affine translation(int32_t dx, int32_t dy) { return {1, 0, dx, 0, 1, dy}; }

// Where the fundamental region is walked, and how it becomes the maze.
struct SymmetryPlan {
  bool local;     // walked in a grid of its own, whose origin lies at `base`
  Affine base;    // from the region's grid to the maze's
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

SymmetryPlan planfor(int32_t mode, int32_t xsize, int32_t ysize) {
  const int32_t cx = half(xsize), cy = half(ysize);
  SymmetryPlan plan = {};
  plan.base = kIdentity;
  plan.local = true;
  switch (mode) {
    case kSymmetryLeftRight:
      // The right half, from the axis or from the column after it.
      plan.base = translation(odd(cx) ? cx + 1 : cx, 0);
      plan.width = xsize - plan.base.x0;
      plan.height = ysize;
      plan.lines = odd(cx) ? kNoLine : kColumnZero;
      plan.crossing = odd(cx);
      break;
    case kSymmetryTopBottom:
      plan.base = translation(0, odd(cy) ? cy + 1 : cy);
      plan.width = xsize;
      plan.height = ysize - plan.base.y0;
      plan.lines = odd(cy) ? kNoLine : kRowZero;
      plan.crossing = odd(cy);
      plan.crossesrows = true;
      break;
    case kSymmetryFourWay:
      // The lower right quarter; at least one axis runs through cells, and
      // the centre is a passage when the other does not.
      plan.base = translation(odd(cx) ? cx + 1 : cx, odd(cy) ? cy + 1 : cy);
      plan.width = xsize - plan.base.x0;
      plan.height = ysize - plan.base.y0;
      plan.lines = (odd(cx) ? kNoLine : kColumnZero) | (odd(cy) ? kNoLine : kRowZero);
      plan.centre = odd(cx) || odd(cy);
      break;
    case kSymmetryRotate180:
      // The rows above the centre, and the centre row up to the centre.
      plan.local = false;
      plan.region = {uint32_t(xsize), uint32_t(odd(cy) ? cy : cy + 1),
                     uint32_t(odd(cx) ? cx : cx + 1)};
      if (odd(cy)) plan.region.lastwidth = uint32_t(xsize);
      plan.centre = odd(cx) || odd(cy);
      break;
    case kSymmetryRotate90:
      // A quarter turned about the centre cell, and the centre.
      plan.local = false;
      plan.region = {uint32_t(cx), uint32_t(cy + 1), uint32_t(cx + 1)};
      break;
  }
  if (plan.local) plan.region = {uint32_t(plan.width), uint32_t(plan.height), uint32_t(plan.width)};
  return plan;
}

void openat(MazeHandle *maze, int32_t x, int32_t y) {
  openposition(maze->grid, positionindex(maze, x, y, 0));
}

// Opens every image of every open position of `from`, whose origin lies at
// `base` in the maze.
void stamp(MazeHandle *maze, const MazeHandle &from, const Affine &base,
           const SymmetryGroup &group) {
  for (int32_t y = 0; y < from.ysize; ++y)
    for (int32_t x = 0; x < from.xsize; ++x) {
      if (!isopen(from.grid, positionindex(&from, x, y, 0))) continue;
      int32_t bx, by;
      applyaffine(base, x, y, &bx, &by);
      for (int g = 0; g < group.count; ++g) {
        int32_t gx, gy;
        applyaffine(group.maps[g], bx, by, &gx, &gy);
        openat(maze, gx, gy);
      }
    }
}

}  // namespace

bool symmetryfits(int32_t mode, int32_t xsize, int32_t ysize) {
  const bool cellcentre = !(odd(half(xsize)) && odd(half(ysize)));
  switch (mode) {
    case kSymmetryNone:
      return true;
    case kSymmetryLeftRight:
      return odd(xsize);
    case kSymmetryTopBottom:
      return odd(ysize);
    case kSymmetryRotate180:
    case kSymmetryFourWay:
      return odd(xsize) && odd(ysize) && cellcentre;
    case kSymmetryRotate90:
      return odd(xsize) && xsize == ysize && !odd(half(xsize));
    default:
      return false;
  }
}

SymmetryGroup symmetrygroup(int32_t mode, int32_t xsize, int32_t ysize) {
  const int32_t mx = xsize - 1, my = ysize - 1, cx = half(xsize), cy = half(ysize);
  const Affine leftright = {-1, 0, mx, 0, 1, 0};
  const Affine topbottom = {1, 0, 0, 0, -1, my};
  const Affine halfturn = {-1, 0, mx, 0, -1, my};
  // A quarter turn about (cx, cy): (x, y) -> (cx + cy - y, cy - cx + x).
  const Affine quarter = {0, -1, cx + cy, 1, 0, cy - cx};
  const Affine threequarters = {0, 1, cx - cy, -1, 0, cx + cy};
  switch (mode) {
    case kSymmetryLeftRight:
      return {2, {kIdentity, leftright}};
    case kSymmetryTopBottom:
      return {2, {kIdentity, topbottom}};
    case kSymmetryRotate180:
      return {2, {kIdentity, halfturn}};
    case kSymmetryFourWay:
      return {4, {kIdentity, leftright, topbottom, halfturn}};
    case kSymmetryRotate90:
      return {4, {kIdentity, quarter, halfturn, threequarters}};
    default:
      return {1, {kIdentity}};
  }
}

bool generatesymmetric(MazeHandle *maze, int32_t mode, int32_t straight, RandomSource *source) {
  const SymmetryPlan plan = planfor(mode, maze->xsize, maze->ysize);
  const SymmetryGroup group = symmetrygroup(mode, maze->xsize, maze->ysize);
  if (plan.local) {
    MazeHandle part = {plan.width, plan.height, 1, nullptr};
    part.grid =
        static_cast<uint8_t *>(calloc(size_t(int64_t(plan.width) * plan.height / 8 + 1), 1));
    if (part.grid == nullptr) return false;
    walkregion(&part, plan.region, plan.lines, straight, source);
    stamp(maze, part, plan.base, group);
    free(part.grid);
  } else {
    // Walked in place: until the images come, only the region is open, and
    // an image of an image is one of the images, so the maze can be read
    // and written at once.
    walkregion(maze, plan.region, kNoLine, straight, source);
    stamp(maze, *maze, kIdentity, group);
  }
  const int32_t cx = half(maze->xsize), cy = half(maze->ysize);
  if (plan.centre) openat(maze, cx, cy);
  if (plan.crossing) {
    // One passage across the axis, in a cell row (or column) of its own.
    const int32_t cells = ((plan.crossesrows ? maze->xsize : maze->ysize) + 1) / 2;
    const int32_t at = 2 * int32_t(pickbelow(uint32_t(cells), source));
    if (plan.crossesrows)
      openat(maze, at, cy);
    else
      openat(maze, cx, at);
  }
  return true;
}
