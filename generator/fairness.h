// Fair maps: start positions for the players, placed to make five measures
// of them as even as the map allows (laid in whole orbits of a symmetry when
// the maze has one), and the figures that show how fair they are, measured
// on the map's own tiles.
#ifndef TREVALK_FAIRNESS_H
#define TREVALK_FAIRNESS_H

#include <stdint.h>

#include "layout.h"
#include "runoptions.h"

constexpr int kMostPlayers = 8;

// A distance no path tile reaches.
constexpr uint64_t kUnreachable = UINT64_MAX;

// What is measured of each start, on the land (the path tiles; a step is a
// move between edge-adjacent land tiles), in the report's order.
enum Measure {
  kRival,       // the fewest steps to another start
  kCentre,      // the fewest steps to the land nearest the map's centre point
  kTerritory,   // the land tiles strictly nearer (in steps) to it than to any other start
  kRoom,        // the land tiles within the room radius of it
  kSeparation,  // the straight-line distance in tiles to the nearest other start
  kMeasureCount
};

// The measures' names, as the report gives them.
extern const char *const kMeasureNames[kMeasureCount];

struct Fairness {
  int players;
  int32_t start[kMostPlayers][2];              // tile column and row of each start, a path tile
  uint64_t steps[kMostPlayers][kMostPlayers];  // fewest steps from each start to each
  uint64_t nearest[kMostPlayers];              // the rival measure
  uint64_t centre[kMostPlayers];
  uint64_t territory[kMostPlayers];
  uint64_t contested;  // reachable land tiles at the same fewest steps from two starts or more
  // The fewest steps between two starts, halved and rounded down;
  // kUnreachable when no two starts reach each other (a room is then all the
  // land its start reaches).
  uint64_t roomradius;
  uint64_t room[kMostPlayers];
  double separation[kMostPlayers];  // rounded to 2 decimals
  // Each measure's fairness: its least value over its largest (1 when the
  // largest is 0, or for one player); and the least of the five.
  double measure[kMeasureCount];
  double fairness;
  Measure worst;  // the measure with the least fairness (the first among equals)
  // How far apart the starts were to be kept in a straight line, and the
  // nearest two are.
  int64_t apart;
  double closest;
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
  kFairnessNoRoom     // the land has too few places for the starts
};

// Places `players` starts on the map and measures them. The map is
// width x height tiles (little-endian words) laid out by `layout` (even
// sides, p x p blocks, pathwidth p) from the maze in `picture`; with a
// symmetry the starts come in whole orbits of it (players a multiple of its
// order). Each start lies in the middle of a chosen cell's block, or, when
// the maze has too few cells for them, on land tiles chosen the same way.
FairnessResult measurefairness(const uint8_t *tiles, uint32_t width, uint32_t height,
                               const MazeLayout &layout, int32_t pathwidth,
                               const MazePicture &picture, Symmetry symmetry, int players,
                               Fairness *fairness);

// What the maze in the picture holds: its cells, the cells with one way
// out, and the open passages beyond the cells less one (0 for a perfect
// maze).
void countmaze(const MazePicture &picture, uint64_t *cells, uint64_t *deadends, int64_t *cycles);

// The maze's dead ends, counted once for each orbit of the symmetry, as
// loops are opened.
uint64_t deadendorbits(const MazePicture &picture, Symmetry symmetry);

// The straight-line distance the starts of `players` players are kept apart
// on a width x height map where the land allows it: the shorter side over
// twice the square root of the players, rounded up.
int64_t apartdistance(uint32_t width, uint32_t height, int players);

// The measures of starts already placed on the map's land (f->players and
// f->start set), with the centre of a width x height map. Returns false when
// memory runs out.
bool measurestarts(const uint8_t *tiles, uint32_t width, uint32_t height, Symmetry symmetry,
                   Fairness *f);

// Each measure's fairness, the least of them and the worst, from the
// measured values.
void judge(Fairness *f);

#endif
