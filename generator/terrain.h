// Terrain layout: turns one maze of the maze library into the tile layer of
// a map. Water everywhere first, then a block of path tiles for every open
// maze position, with a picture of the maze on the run's text stream (runtext.h).
#ifndef TREVALK_TERRAIN_H
#define TREVALK_TERRAIN_H

#include <stddef.h>
#include <stdint.h>

#include "layout.h"
#include "quendrel.h"
#include "randomsource.h"

// The program's own random source: state 1 at program start, never reseeded,
// drawn from by layterrain alone, so a run's tiles repeat from run to run
// wherever the maze does.
extern RandomSource terrainrandom;

// Fills tiles, the tile layer of a width x height map (0 to 65535 each), with
// one tile value per tile: width * height 16-bit values, row-major, each
// stored little-endian. pathwidth and waterwidth (normally even) set the
// pitch e = pathwidth + waterwidth of the maze cells; tileset is not used.
//
// Creates a maze of M x N positions, M = 2 * width / e and N = 2 * height / e
// (layout.h), through qndcreateref, prints "MxN pP wW" and the maze's picture ("X" open,
// "O" closed, one line per maze row) on the run's text stream (runtext.h), paints each open
// position as a block of path tiles, and destroys the maze. The library must
// be bound (binding.h).
//
// Says how far the layout got. A layout without a maze was once 0 whatever
// the reason; the refused maze and the zero pitch now have values of their
// own, so that the driver tells a map of water alone that is finished from
// one the library could not make.
enum TerrainResult {
  kTerrainNoMaze = 0,   // the library returned no maze for sizes it takes: it ran out of
                        // memory. The tiles hold water alone; nothing is printed.
  kTerrainLaid = 1,     // the layout is complete
  kTerrainRefused = 2,  // the library refuses a maze of these sizes (mazerefused in
                        // layout.h): the tiles hold water alone, nothing is printed, and
                        // the map is finished as it is
  kTerrainNoPitch = 3   // e is 0: nothing is drawn, printed or written
};

// What a fair map asks of the layout beyond the plain one: a layout of its
// own (fairlayout in layout.h: the maze centred, its blocks clipped to the
// map), a style for the maze library (null: the plain maze of _qndcreate;
// otherwise made by _qndcreatestyled, which must be bound), and a grid of
// columns x rows bits, row-major and zero, to record the maze's open
// positions in (null when not wanted). A search among seeds lays maps side
// by side: each with its own random source starting where the program's
// does (null: the program's own) and without the picture and the size line
// (quiet). Edits (editcount of them, null for none) re-roll parts of the
// maze once it is made, through _qndreroll, which must be bound: the map is
// laid as the maze was made, and then the blocks of the positions they
// changed are laid anew; the picture, printed and recorded, is the edited
// maze's.
struct TerrainStyle {
  MazeLayout layout;
  const QndStyle *style;
  uint8_t *picture;
  RandomSource *random;
  bool quiet;
  const MazeEdit *edits;
  size_t editcount;
};

// Without `fair` (null), the plain layout described above; with it, the
// maze, its layout and its picture as `fair` asks.
TerrainResult layterrain(int32_t width, int32_t height, int32_t pathwidth, int32_t waterwidth,
                         int32_t tileset, uint8_t *tiles, const TerrainStyle *fair = nullptr);

#endif
