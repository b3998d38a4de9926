// Choosing the starts of a fair map (placement.cpp).
#ifndef TREVALK_PLACEMENT_H
#define TREVALK_PLACEMENT_H

#include <stdint.h>

#include "fairness.h"
#include "placegrid.h"

// Places f->players starts on `grid`, the maze's positions laid out by
// `layout` (onmaze) or the map's tiles, in whole orbits of the symmetry, as
// evenly by the five measures as it can, and measures them on the tiles
// into *f (its maze counts kept). kFairnessNoRoom when the grid has too few
// places for the orbits.
FairnessResult placeon(const PlaceGrid &grid, bool onmaze, const MazeLayout &layout,
                       int32_t pathwidth, const uint8_t *tiles, uint32_t width, uint32_t height,
                       Symmetry symmetry, int players, Fairness *f);

#endif
