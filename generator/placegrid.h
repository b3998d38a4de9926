// The places a fair map's starts are chosen and measured on, and the
// searches over them: the maze's positions (open where the maze's picture
// has its bit set) or the map's tiles (open on land), joined edge to edge.
// A place is numbered in a grid one larger on every side, whose border is
// closed, so that a search looks at the four neighbours of a place without
// testing the edges.
#ifndef TREVALK_PLACEGRID_H
#define TREVALK_PLACEGRID_H

#include <stddef.h>
#include <stdint.h>

struct PlaceGrid {
  int64_t columns, rows, stride;
  const uint8_t *bits;   // the maze's picture (row-major bits), or null
  const uint8_t *tiles;  // the map's tiles (little-endian words), or null
};

PlaceGrid mazeplaces(int64_t columns, int64_t rows, const uint8_t *bits);
PlaceGrid landplaces(const uint8_t *tiles, uint32_t width, uint32_t height);

inline uint32_t placeat(const PlaceGrid &g, int64_t x, int64_t y) {
  return uint32_t((y + 1) * g.stride + x + 1);
}
inline int64_t columnof(const PlaceGrid &g, uint32_t place) { return place % g.stride - 1; }
inline int64_t rowof(const PlaceGrid &g, uint32_t place) { return place / g.stride - 1; }
inline uint64_t placecount(const PlaceGrid &g) { return uint64_t(g.stride) * uint64_t(g.rows + 2); }

// Whether place (x, y), inside the grid, is open.
bool isopenplace(const PlaceGrid &g, int64_t x, int64_t y);

// Distances of kUnreached and above: a place no search reached (an open one
// it did not get to, or a closed one).
constexpr uint32_t kUnreached = UINT32_MAX - 1;

// Scratch for the searches: the fronts of one level and the next, grown as
// they need, and the distances every search of one grid starts from.
// Release it with freesearch.
struct Search {
  uint32_t *front, *next;
  size_t capacity;
  uint32_t *blank;
  const uint8_t *blankof;  // the grid's bits or tiles that `blank` is of
  uint8_t *marks;          // a byte a place, for the searches that keep no distances
  uint8_t *blankmarks;
  const uint8_t *marksof;
};
void freesearch(Search *search);

// Fewest moves between open places from the nearest of the sources to each
// place, in distance[placecount] (kUnreached and above where none leads).
// With targets, the search ends once it has reached them all, and only
// their distances are known. Returns false when memory runs out.
bool searchfrom(const PlaceGrid &g, const uint32_t *sources, size_t nsources, uint32_t *distance,
                Search *search, const uint32_t *targets = nullptr, size_t ntargets = 0);

// The fewest moves from the nearest of the sources to each target, in
// found[ntargets] (kUnreached where none leads), keeping no distances but
// theirs. Returns false when memory runs out.
bool stepsto(const PlaceGrid &g, const uint32_t *sources, size_t nsources, const uint32_t *targets,
             size_t ntargets, uint32_t *found, Search *search);

// The places each of up to 8 sources is nearest to: territory[k], those
// nearer to source k than to any other; contested, those as near to two or
// more; room[k], those within `radius` moves of source k that are no nearer
// to another. Returns false when memory runs out.
bool claimfrom(const PlaceGrid &g, const uint32_t *sources, int nsources, uint64_t radius,
               uint64_t *territory, uint64_t *room, uint64_t *contested, Search *search);

// The land tiles (of a grid of tiles) whose middles lie nearest the middle
// of the width x height map, in *places (count of them; release with
// free()). Returns false when memory runs out.
bool centretiles(const PlaceGrid &land, uint32_t width, uint32_t height, uint32_t **places,
                 size_t *count);

#endif
