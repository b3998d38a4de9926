#include "layout.h"

#include "maplimits.h"
#include "runoptions.h"

MazeLayout mazelayout(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth) {
  MazeLayout layout = {};
  layout.pitch = int64_t(pathwidth) + waterwidth;
  if (layout.pitch == 0) return layout;
  layout.columns = 2 * int64_t(width) / layout.pitch;
  layout.rows = 2 * int64_t(height) / layout.pitch;
  layout.blockrows = pathwidth;
  layout.blockcolumns = pathwidth;
  if (width % 2 != 0) {
    layout.blockcolumns = waterwidth;
    layout.shift = 1;
  } else if (height % 2 != 0) {
    layout.blockrows = waterwidth;
  }
  if (layout.blockrows > 0 && layout.blockcolumns > 0)
    layout.blockpairs = (layout.blockcolumns + 1) / 2;
  else
    layout.blockrows = 0;
  return layout;
}

FairFit fairfit(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth,
                bool quarterturn) {
  if (width % 2 != 0 || height % 2 != 0 || width < kFairSide || height < kFairSide ||
      (quarterturn && width != height))
    return kFairSizeRefused;
  if (!(pathwidth > waterwidth && waterwidth > 0)) return kFairWidthsRefused;
  return kFairFits;
}

namespace {

constexpr uint32_t kLargestEvenSide = 65534;

uint32_t evenbelow(uint32_t side) {
  side -= side % 2;
  return side < kFairSide ? kFairSide : side > kLargestEvenSide ? kLargestEvenSide : side;
}

uint32_t evenabove(uint32_t side) {
  side += side % 2;
  return side < kFairSide ? kFairSide : side > kLargestEvenSide ? kLargestEvenSide : side;
}

// The most positions along a side of `length` tiles whose p-tile blocks at a
// step of `step` tiles fit it: an odd count, at least 1.
int64_t fittingcount(int64_t length, int64_t p, int64_t step) {
  int64_t count = length >= p ? (length - p) / step + 1 : 1;
  if (count % 2 == 0) count--;
  return count;
}

}  // namespace

void nearestfairsizes(uint32_t width, uint32_t height, bool quarterturn, uint32_t sizes[2][2],
                      int *count) {
  if (quarterturn) {
    const uint32_t small = evenbelow(width < height ? width : height);
    const uint32_t large = evenabove(width > height ? width : height);
    sizes[0][0] = sizes[0][1] = small;
    sizes[1][0] = sizes[1][1] = large;
  } else {
    sizes[0][0] = evenbelow(width);
    sizes[0][1] = evenbelow(height);
    sizes[1][0] = evenabove(width);
    sizes[1][1] = evenabove(height);
  }
  // The larger suggestion may pass the sections' limit; the smaller fits
  // whenever the map asked for did.
  *count = (sizes[0][0] == sizes[1][0] && sizes[0][1] == sizes[1][1]) ||
                   !mapfits(sizes[1][0], sizes[1][1])
               ? 1
               : 2;
}

MazeLayout fairlayout(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth,
                      int symmetry) {
  MazeLayout layout = {};
  layout.pitch = int64_t(pathwidth) + waterwidth;
  const int64_t step = layout.pitch / 2, p = pathwidth;
  layout.columns = fittingcount(width, p, step);
  layout.rows = fittingcount(height, p, step);
  // The counts are odd, so the mirrors fit; a half turn, or both mirrors,
  // need a cell or a passage at the centre, a quarter turn a cell: the
  // longer side gives up a cell where the maze does not fit.
  const Symmetry mode = Symmetry(symmetry);
  if (mode == kRotate90) {
    if (!symmetryfits(mode, layout.columns, layout.columns)) layout.columns -= 2;
    layout.rows = layout.columns;
  } else if (!symmetryfits(mode, layout.columns, layout.rows)) {
    (layout.columns >= layout.rows ? layout.columns : layout.rows) -= 2;
  }
  layout.blockrows = p;
  layout.blockcolumns = p;
  layout.blockpairs = (p + 1) / 2;
  layout.centred = true;
  layout.left = (int64_t(width) - p - (layout.columns - 1) * step) / 2;
  layout.top = (int64_t(height) - p - (layout.rows - 1) * step) / 2;
  return layout;
}

namespace {

int64_t floordiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The positions 0 to count - 1 whose blocks (`size` tiles from origin +
// k * step) meet the tiles from..from + length - 1: *first to *last.
bool meeting(int64_t origin, int64_t step, int64_t size, int64_t count, int64_t from,
             int64_t length, int64_t *first, int64_t *last) {
  if (step <= 0 || size <= 0 || count <= 0 || length <= 0) return false;
  // origin + k * step + size > from, and origin + k * step < from + length.
  const int64_t low = floordiv(from - size - origin, step) + 1;
  const int64_t high = -floordiv(-(from + length - origin), step) - 1;
  *first = low > 0 ? low : 0;
  *last = high < count - 1 ? high : count - 1;
  // Some even position among them: a cell.
  return *first + (*first & 1) <= *last;
}

}  // namespace

bool cellsmeeting(const MazeLayout &layout, int64_t x, int64_t y, int64_t width, int64_t height,
                  MazeEdit *edit) {
  const int64_t step = layout.pitch / 2;
  const int64_t across = layout.centred ? layout.blockcolumns : 2 * layout.blockpairs;
  int64_t x0, x1, y0, y1;
  if (layout.blockrows <= 0 ||
      !meeting(layout.centred ? layout.left : layout.shift, step, across, layout.columns, x, width,
               &x0, &x1) ||
      !meeting(layout.top, step, layout.blockrows, layout.rows, y, height, &y0, &y1))
    return false;
  edit->x0 = int32_t(x0), edit->y0 = int32_t(y0), edit->x1 = int32_t(x1), edit->y1 = int32_t(y1);
  return true;
}
