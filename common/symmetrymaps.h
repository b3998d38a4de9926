// The symmetries a maze and its map may have, numbered as the maze library
// numbers them (QND_SYMMETRY_... in quendrel.h), and the maps that make up
// each one's group: the library stamps a maze's images with them, the map
// generator finds the starts' images with them.
#ifndef TREVALK_SYMMETRYMAPS_H
#define TREVALK_SYMMETRYMAPS_H

#include <stdint.h>

enum Symmetry {
  kNoSymmetry = 0,
  kLeftRight = 1,  // mirrored about the vertical centre line
  kTopBottom = 2,  // mirrored about the horizontal centre line
  kRotate180 = 3,  // the same after half a turn about the centre
  kFourWay = 4,    // mirrored about both centre lines
  kRotate90 = 5,   // the same after a quarter turn about the centre
  kSymmetryCount = 6
};

// How many maps the symmetry's group holds, the identity included: 1, 2 or 4.
inline int symmetryorder(Symmetry symmetry) {
  return symmetry == kNoSymmetry ? 1 : symmetry == kFourWay || symmetry == kRotate90 ? 4 : 2;
}

// Image number g (0 to symmetryorder - 1; 0 is the place itself) of (x, y)
// on a grid of columns x rows (square for a quarter turn). Image 1 of four-way
// mirrors left and right, image 2 top and bottom, image 3 both; image g of
// rotate-90 turns a quarter g times, (x, y) -> (columns - 1 - y, x).
inline void imageof(Symmetry symmetry, int g, int64_t columns, int64_t rows, int64_t x, int64_t y,
                    int64_t *gx, int64_t *gy) {
  const int64_t mx = columns - 1 - x, my = rows - 1 - y;
  *gx = x;
  *gy = y;
  if (g == 0) return;
  switch (symmetry) {
    case kLeftRight:
      *gx = mx;
      break;
    case kTopBottom:
      *gy = my;
      break;
    case kRotate180:
      *gx = mx, *gy = my;
      break;
    case kFourWay:
      if (g != 2) *gx = mx;
      if (g != 1) *gy = my;
      break;
    case kRotate90:
      for (int k = 0; k < g; ++k) {
        const int64_t turned = columns - 1 - *gy;
        *gy = *gx;
        *gx = turned;
      }
      break;
    default:
      break;
  }
}

// True when a flat xsize x ysize grid can hold a perfect maze that is
// symmetric in `mode`: odd sides along every mirrored axis, a centre that is
// a cell or a passage for the rotations (not both half sides odd), a square
// with a cell at its centre for a quarter turn. The half sides are the
// centre's coordinates.
inline bool symmetryfits(Symmetry mode, int64_t xsize, int64_t ysize) {
  const auto odd = [](int64_t n) { return (n & 1) != 0; };
  const int64_t halfx = (xsize - 1) / 2, halfy = (ysize - 1) / 2;
  const bool cellcentre = !(odd(halfx) && odd(halfy));
  switch (mode) {
    case kNoSymmetry:
      return true;
    case kLeftRight:
      return odd(xsize);
    case kTopBottom:
      return odd(ysize);
    case kRotate180:
    case kFourWay:
      return odd(xsize) && odd(ysize) && cellcentre;
    case kRotate90:
      return odd(xsize) && xsize == ysize && !odd(halfx);
    default:
      return false;
  }
}

// The image number that undoes image g.
inline int inverseof(Symmetry symmetry, int g) {
  return symmetry == kRotate90 && g != 0 ? 4 - g : g;
}

#endif
