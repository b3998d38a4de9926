// Fair maps: start positions for the players, spread over the maze or laid
// in whole orbits of its symmetry, and the figures that show how fair they
// are, measured on the map's own tiles.
#ifndef TREVALK_FAIRNESS_H
#define TREVALK_FAIRNESS_H

#include <stdint.h>

#include "layout.h"
#include "runoptions.h"

constexpr int kMostPlayers = 8;

// A distance no path tile reaches.
constexpr uint64_t kUnreachable = UINT64_MAX;

struct Fairness {
  int players;
  int32_t start[kMostPlayers][2];  // tile column and row of each start, a path tile
  // Fewest moves between edge-adjacent path tiles from each start to each.
  uint64_t steps[kMostPlayers][kMostPlayers];
  // Fewest such moves from each start to the nearest of the path tiles
  // closest, in a straight line, to the map's centre point.
  uint64_t centre[kMostPlayers];
  uint64_t nearest[kMostPlayers];  // each player's fewest moves to a rival
  double fairness;                 // smallest nearest-rival distance over the largest; 1 alone
  // The maze in the picture: its cells, the cells with one way out, and the
  // open passages beyond the cells less one (0 for a perfect maze).
  uint64_t cells, deadends;
  int64_t cycles;
};

// The maze whose picture layterrain recorded: columns x rows bits.
struct MazePicture {
  int64_t columns, rows;
  const uint8_t *bits;
};

enum FairnessResult {
  kFairnessMeasured,  // the starts are placed and measured
  kFairnessNoMemory,  // memory ran out
  kFairnessNoRoom     // the land has too few places to keep the starts apart
};

// Places `players` starts on the map and measures them. The map is
// width x height tiles (little-endian words) laid out by `layout` (even
// sides, p x p blocks, pathwidth p) from the maze in `picture`; with a
// symmetry the starts come in whole orbits of it (players a multiple of its
// order). Each start lies in the middle of a chosen cell's block, or, when
// the maze has too few cells to keep them apart, on land tiles chosen the
// same way.
FairnessResult measurefairness(const uint8_t *tiles, uint32_t width, uint32_t height,
                               const MazeLayout &layout, int32_t pathwidth,
                               const MazePicture &picture, Symmetry symmetry, int players,
                               Fairness *fairness);

#endif
