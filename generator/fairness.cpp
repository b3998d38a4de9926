// A fair map's starts: placed (placement.cpp) and measured (measures.cpp),
// with what the maze in the picture holds.
#include "fairness.h"

#include <string.h>

#include "placegrid.h"
#include "placement.h"
#include "symmetrymaps.h"

namespace {

bool openat(const PlaceGrid &maze, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x < maze.columns && y < maze.rows && isopenplace(maze, x, y);
}

int waysout(const PlaceGrid &maze, int64_t x, int64_t y) {
  return openat(maze, x - 1, y) + openat(maze, x + 1, y) + openat(maze, x, y - 1) +
         openat(maze, x, y + 1);
}

}  // namespace

void countmaze(const MazePicture &picture, uint64_t *cells, uint64_t *deadends, int64_t *cycles) {
  const PlaceGrid maze = mazeplaces(picture.columns, picture.rows, picture.bits);
  uint64_t passages = 0;
  *cells = *deadends = 0;
  for (int64_t y = 0; y < maze.rows; ++y)
    for (int64_t x = 0; x < maze.columns; ++x) {
      if ((x + y) % 2 == 1) {
        passages += openat(maze, x, y);
        continue;
      }
      if (x % 2 != 0) continue;
      ++*cells;
      *deadends += waysout(maze, x, y) == 1;
    }
  *cycles = int64_t(passages) - int64_t(*cells) + 1;
}

uint64_t deadendorbits(const MazePicture &picture, Symmetry symmetry) {
  const PlaceGrid maze = mazeplaces(picture.columns, picture.rows, picture.bits);
  uint64_t orbits = 0;
  for (int64_t y = 0; y < maze.rows; y += 2)
    for (int64_t x = 0; x < maze.columns; x += 2) {
      if (waysout(maze, x, y) != 1) continue;
      // Counted at the image that comes first in scan order.
      bool first = true;
      for (int g = 1; g < symmetryorder(symmetry) && first; ++g) {
        int64_t gx, gy;
        imageof(symmetry, g, maze.columns, maze.rows, x, y, &gx, &gy);
        first = gy > y || (gy == y && gx >= x);
      }
      orbits += first;
    }
  return orbits;
}

FairnessResult measurefairness(const uint8_t *tiles, uint32_t width, uint32_t height,
                               const MazeLayout &layout, int32_t pathwidth,
                               const MazePicture &picture, Symmetry symmetry, int players,
                               Fairness *fairness) {
  Fairness *f = fairness;
  memset(f, 0, sizeof *f);
  f->players = players;
  const PlaceGrid maze = mazeplaces(picture.columns, picture.rows, picture.bits);
  countmaze(picture, &f->cells, &f->deadends, &f->cycles);
  // On the maze's cells when it has enough of them, else on the land's tiles.
  FairnessResult placed =
      placeon(maze, true, layout, pathwidth, tiles, width, height, symmetry, players, f);
  if (placed == kFairnessNoRoom)
    placed = placeon(landplaces(tiles, width, height), false, layout, pathwidth, tiles, width,
                     height, symmetry, players, f);
  return placed;
}
