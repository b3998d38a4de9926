// Where a maze lies on a map: how many maze positions fit across and down,
// and the block of path tiles that each open position becomes.
#ifndef TREVALK_LAYOUT_H
#define TREVALK_LAYOUT_H

#include <stdint.h>

// Every figure in 64 bits: pathwidth + waterwidth alone can pass the 32-bit
// range.
struct MazeLayout {
  int64_t pitch;         // pathwidth + waterwidth: tiles from one maze cell to the next
  int64_t columns;       // maze positions across, 2 * width / pitch (negative for a negative pitch)
  int64_t rows;          // maze positions down, 2 * height / pitch
  int64_t blockrows;     // tile rows of a block; 0 when a block draws nothing
  int64_t blockcolumns;  // tile columns of a block
  int64_t shift;         // columns every block is moved right by
  int64_t blockpairs;    // tile pairs in each block row; 0 when a block draws nothing
  bool centred;          // a fair map's layout: the maze centred, blocks clipped to the map
  int64_t left, top;     // the tile of position (0, 0)'s block, when centred (may be < 0)
};

// The layout of a maze on a width x height map. The block's shape follows the
// parity of the map's sides: pathwidth square on an even map; an odd width
// makes the blocks waterwidth columns wide and moves them one column right,
// otherwise an odd height makes them waterwidth rows high. An odd column
// count paints one column more. A pitch of 0 gives a layout without
// positions.
MazeLayout mazelayout(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth);

// Whether a map can be a fair map (a symmetric one, or one with start
// positions): even sides of at least kFairSide tiles (a square for
// rotate-90) and a path wider than the water, which makes its land one
// connected maze of corridors.
constexpr uint32_t kFairSide = 32;
enum FairFit { kFairFits, kFairSizeRefused, kFairWidthsRefused };
FairFit fairfit(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth,
                bool quarterturn);

// The sizes nearest to width x height that fit: up to two, the smaller
// first; *count is 1 when both are the same.
void nearestfairsizes(uint32_t width, uint32_t height, bool quarterturn, uint32_t sizes[2][2],
                      int *count);

// The layout of a fair map (fairfit): p x p blocks, the maze centred on the
// map with an odd number of positions on each axis, as many as fit with
// their blocks inside the map, so that the land is symmetric about the map's
// centre tile for tile whenever the maze is. `symmetry` (runoptions.h)
// narrows the counts to those its maze needs: for the rotations and four-way
// not both (count - 1) / 2 odd, for rotate-90 (count - 1) / 2 even.
MazeLayout fairlayout(uint32_t width, uint32_t height, int32_t pathwidth, int32_t waterwidth,
                      int symmetry);

// An edit of a maze in its own positions: the cells in x0..x1, y0..y1 (both
// ends included) re-rolled with `seed`, or with `keep` every other cell, as
// _qndreroll does it.
struct MazeEdit {
  int32_t x0, y0, x1, y1;
  int32_t keep;
  uint32_t seed;
};

// The box of maze positions whose blocks (as layterrain paints them, a
// block that passes the right edge of a plain layout taken where it
// starts) meet the tiles of columns x to x + width - 1 and rows y to
// y + height - 1, in *edit's x0, y0, x1, y1. False when no cell's block (a
// position with both coordinates even) meets them.
bool cellsmeeting(const MazeLayout &layout, int64_t x, int64_t y, int64_t width, int64_t height,
                  MazeEdit *edit);

// True when the maze library refuses the layout's maze by its sizes alone:
// negative sizes, or more positions than a signed 32-bit count holds.
inline bool mazerefused(const MazeLayout &layout) {
  return layout.columns < 0 || layout.rows < 0 ||
         (layout.rows != 0 && layout.columns > INT32_MAX / layout.rows);
}

#endif
