// Starts are chosen on the maze itself (its open positions, a graph some
// nine times smaller than the map's tiles) and measured on the tiles. With a
// symmetry, one start is chosen for each orbit, as far as it gets from the
// positions the symmetry holds in place (its axes, its centre), so that its
// images are far from it and from each other; the other orbits keep away
// from the starts chosen before. Without one, starts are spread by taking
// each time the cell farthest from those chosen, and then moved, one at a
// time, to where their nearest rival is farthest, while that makes the
// nearest-rival distances larger and more equal.
#include "fairness.h"

#include <stdlib.h>
#include <string.h>

#include "littleendian.h"
#include "tilegroups.h"

namespace {

// ---- a growing array of indexes, for breadth-first fronts

struct Indexes {
  uint64_t *items;
  size_t count, capacity;
};

bool push(Indexes *list, uint64_t item) {
  if (list->count == list->capacity) {
    const size_t capacity = list->capacity ? 2 * list->capacity : 1024;
    uint64_t *more = static_cast<uint64_t *>(realloc(list->items, capacity * sizeof *more));
    if (more == nullptr) return false;
    list->items = more;
    list->capacity = capacity;
  }
  list->items[list->count++] = item;
  return true;
}

bool testbit(const uint8_t *bits, uint64_t i) { return (bits[i >> 3] >> (i & 7)) & 1; }

// ---- breadth-first distances on a grid of open places (positions or tiles)

struct Places {
  int64_t columns, rows;
  const void *context;
  bool (*open)(const void *context, uint64_t index);
};

bool openposition(const void *context, uint64_t index) {
  return testbit(static_cast<const uint8_t *>(context), index);
}

bool pathtile(const void *context, uint64_t index) {
  return ispathtile(readle16(static_cast<const uint8_t *>(context) + 2 * index));
}

// A place that no path reaches. Grids hold fewer than 2^32 places, so every
// distance fits 32 bits.
constexpr uint32_t kFar = UINT32_MAX;

// Fewest moves between edge-adjacent open places from the nearest source to
// each place. `distance` holds one entry a place; kFar where none leads.
// Stops as soon as every target has its distance (none: all places).
bool distances(const Places &places, const uint64_t *sources, size_t nsources,
               const uint64_t *targets, int ntargets, uint32_t *distance) {
  const uint64_t count = uint64_t(places.columns) * uint64_t(places.rows);
  for (uint64_t i = 0; i < count; ++i) distance[i] = kFar;
  Indexes front = {nullptr, 0, 0}, next = {nullptr, 0, 0};
  bool ok = true;
  for (size_t s = 0; s < nsources && ok; ++s) {
    if (distance[sources[s]] == 0) continue;
    distance[sources[s]] = 0;
    ok = push(&front, sources[s]);
  }
  int found = 0;
  for (int t = 0; t < ntargets; ++t) found += distance[targets[t]] == 0;
  for (uint32_t level = 1; ok && front.count > 0 && (ntargets == 0 || found < ntargets); ++level) {
    next.count = 0;
    for (size_t k = 0; k < front.count && ok; ++k) {
      const uint64_t at = front.items[k];
      const int64_t x = int64_t(at % uint64_t(places.columns)),
                    y = int64_t(at / uint64_t(places.columns));
      const uint64_t around[4] = {at - 1, at + 1, at - uint64_t(places.columns),
                                  at + uint64_t(places.columns)};
      const bool inside[4] = {x > 0, x + 1 < places.columns, y > 0, y + 1 < places.rows};
      for (int d = 0; d < 4 && ok; ++d) {
        const uint64_t n = around[d];
        if (!inside[d] || distance[n] != kFar || !places.open(places.context, n)) continue;
        distance[n] = level;
        for (int t = 0; t < ntargets; ++t) found += targets[t] == n;
        ok = push(&next, n);
      }
    }
    Indexes swap = front;
    front = next;
    next = swap;
  }
  free(front.items);
  free(next.items);
  return ok;
}

// ---- the symmetry's maps, on a grid of any size

// Image number g (0: the place itself) of (x, y) under the symmetry, on a
// grid of columns x rows.
void imageof(Symmetry symmetry, int g, int64_t columns, int64_t rows, int64_t x, int64_t y,
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
      // A quarter turn g times: (x, y) -> (columns - 1 - y, x).
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

// The image number that undoes image g.
int inverseof(Symmetry symmetry, int g) { return symmetry == kRotate90 && g != 0 ? 4 - g : g; }

// True when an image of (x, y) under the symmetry lies within `slack` moves
// of it: the place is on the symmetry's axes or centre (slack 0, on the
// maze), or beside them (slack 1, on tiles, whose axes run between them).
bool heldinplace(Symmetry symmetry, int64_t columns, int64_t rows, int64_t x, int64_t y,
                 int64_t slack) {
  for (int g = 1; g < symmetryorder(symmetry); ++g) {
    int64_t gx, gy;
    imageof(symmetry, g, columns, rows, x, y, &gx, &gy);
    if ((gx > x ? gx - x : x - gx) + (gy > y ? gy - y : y - gy) <= slack) return true;
  }
  return false;
}

// ---- choosing the starts' places

struct Chooser {
  Places places;       // the maze's positions, or the map's tiles
  bool cellsonly;      // on the maze, only cells are starts
  int64_t slack;       // of heldinplace
  uint64_t centre;     // the place where the spread's first search starts
  uint32_t *distance;  // scratch: one entry a place
  uint32_t *held;      // distances from the places the symmetry holds in place
  Symmetry symmetry;
  uint64_t chosen[kMostPlayers];  // the chosen places, by index
  int count;
};

bool candidate(const Chooser &c, uint64_t index) {
  if (!c.cellsonly) return true;
  const uint64_t columns = uint64_t(c.places.columns);
  return (index % columns) % 2 == 0 && (index / columns) % 2 == 0;
}

// The place with the largest score, the first in scan order among equals;
// false when no place has a score above 0.
template <typename Score>
bool bestplace(const Chooser &c, Score score, uint64_t *best) {
  uint64_t top = 0;
  const uint64_t count = uint64_t(c.places.columns) * uint64_t(c.places.rows);
  for (uint64_t i = 0; i < count; ++i) {
    if (!candidate(c, i)) continue;
    const uint64_t s = score(i);
    if (s != kFar && s > top) top = s, *best = i;
  }
  return top > 0;
}

// The index of (x, y) among the places.
uint64_t indexof(const Places &places, int64_t x, int64_t y) {
  return uint64_t(y) * uint64_t(places.columns) + uint64_t(x);
}

// Symmetric: each orbit's first place as far from the held places, and from
// the starts before, as it gets; the orbit's other places are its images.
bool chooseorbits(Chooser *c, int orbits) {
  const Places &places = c->places;
  const uint64_t count = uint64_t(places.columns) * uint64_t(places.rows);
  Indexes sources = {nullptr, 0, 0};
  bool ok = true;
  for (uint64_t i = 0; i < count && ok; ++i)
    if (places.open(places.context, i) &&
        heldinplace(c->symmetry, places.columns, places.rows, int64_t(i % uint64_t(places.columns)),
                    int64_t(i / uint64_t(places.columns)), c->slack))
      ok = push(&sources, i);
  if (ok) ok = distances(places, sources.items, sources.count, nullptr, 0, c->held);
  free(sources.items);
  if (!ok) return false;
  for (int o = 0; o < orbits; ++o) {
    if (c->count > 0 && !distances(places, c->chosen, size_t(c->count), nullptr, 0, c->distance))
      return false;
    const uint32_t *held = c->held, *apart = c->count > 0 ? c->distance : nullptr;
    uint64_t first = 0;
    const auto score = [&](uint64_t i) {
      // An image lies about twice as far as the held places.
      const uint64_t own = held[i] == kFar ? 0 : 2 * uint64_t(held[i]);
      return apart != nullptr && apart[i] < own ? uint64_t(apart[i]) : own;
    };
    if (!bestplace(*c, score, &first)) return false;
    const int64_t x = int64_t(first % uint64_t(places.columns));
    const int64_t y = int64_t(first / uint64_t(places.columns));
    for (int g = 0; g < symmetryorder(c->symmetry); ++g) {
      int64_t gx, gy;
      imageof(c->symmetry, g, places.columns, places.rows, x, y, &gx, &gy);
      c->chosen[c->count++] = indexof(places, gx, gy);
    }
  }
  return true;
}

// The smallest and the largest nearest-rival distance of the chosen places,
// from their pairwise distances.
struct Spread {
  uint64_t least, most;
};

Spread spreadof(const uint64_t pair[kMostPlayers][kMostPlayers], int n) {
  Spread spread = {kUnreachable, 0};
  for (int k = 0; k < n; ++k) {
    uint64_t nearest = kUnreachable;
    for (int l = 0; l < n; ++l)
      if (l != k && pair[k][l] < nearest) nearest = pair[k][l];
    if (nearest < spread.least) spread.least = nearest;
    if (nearest > spread.most) spread.most = nearest;
  }
  return spread;
}

// Larger nearest-rival distances first, then more equal ones.
bool better(Spread a, Spread b) {
  return a.least > b.least || (a.least == b.least && a.most - a.least < b.most - b.least);
}

// Fills row and column k of the pairwise distances of the chosen places.
bool measurerow(Chooser *c, int k, uint64_t pair[kMostPlayers][kMostPlayers]) {
  if (!distances(c->places, &c->chosen[k], 1, c->chosen, c->count, c->distance)) return false;
  for (int l = 0; l < c->count; ++l) pair[k][l] = pair[l][k] = c->distance[c->chosen[l]];
  return true;
}

// Without a symmetry: the place farthest from those chosen each time (from
// the centre for the first), then the moves.
bool choosespread(Chooser *c, int players) {
  uint64_t from[kMostPlayers] = {c->centre};
  size_t nfrom = 1;
  for (int k = 0; k < players; ++k) {
    if (!distances(c->places, from, nfrom, nullptr, 0, c->distance)) return false;
    uint64_t place = 0;
    if (!bestplace(
            *c, [&](uint64_t i) { return uint64_t(c->distance[i]); }, &place))
      return false;
    c->chosen[c->count++] = place;
    for (int l = 0; l < c->count; ++l) from[l] = c->chosen[l];
    nfrom = size_t(c->count);
  }
  if (players < 2) return true;
  uint64_t pair[kMostPlayers][kMostPlayers];
  for (int k = 0; k < players; ++k)
    if (!measurerow(c, k, pair)) return false;
  for (int round = 0; round < 3; ++round) {
    bool moved = false;
    for (int k = 0; k < players; ++k) {
      uint64_t others[kMostPlayers];
      size_t n = 0;
      for (int l = 0; l < players; ++l)
        if (l != k) others[n++] = c->chosen[l];
      if (!distances(c->places, others, n, nullptr, 0, c->distance)) return false;
      uint64_t place = c->chosen[k];
      bestplace(
          *c, [&](uint64_t i) { return uint64_t(c->distance[i]); }, &place);
      if (place == c->chosen[k]) continue;
      const uint64_t was = c->chosen[k];
      uint64_t before[kMostPlayers][kMostPlayers];
      memcpy(before, pair, sizeof pair);
      c->chosen[k] = place;
      if (!measurerow(c, k, pair)) return false;
      if (better(spreadof(pair, players), spreadof(before, players))) {
        moved = true;
      } else {
        c->chosen[k] = was;
        memcpy(pair, before, sizeof pair);
      }
    }
    if (!moved) break;
  }
  return true;
}

// Chooses the starts' places; false when they cannot all be had apart
// (scratch memory, or too few places).
bool choose(Chooser *c, int players) {
  const uint64_t count = uint64_t(c->places.columns) * uint64_t(c->places.rows);
  c->distance = static_cast<uint32_t *>(malloc(count * sizeof(uint32_t)));
  c->held = static_cast<uint32_t *>(malloc(count * sizeof(uint32_t)));
  bool ok = c->distance != nullptr && c->held != nullptr && count > 0;
  if (ok)
    ok = c->symmetry != kNoSymmetry ? chooseorbits(c, players / symmetryorder(c->symmetry))
                                    : choosespread(c, players);
  free(c->distance);
  free(c->held);
  return ok;
}

// ---- what the maze in the picture holds

void countmaze(const Places &maze, Fairness *f) {
  uint64_t passages = 0;
  f->cells = f->deadends = 0;
  for (int64_t y = 0; y < maze.rows; ++y)
    for (int64_t x = 0; x < maze.columns; ++x) {
      const uint64_t i = uint64_t(y) * uint64_t(maze.columns) + uint64_t(x);
      if ((x + y) % 2 == 1) {
        passages += maze.open(maze.context, i);
        continue;
      }
      if (x % 2 != 0) continue;
      f->cells++;
      int ways = 0;
      ways += x > 0 && maze.open(maze.context, i - 1);
      ways += x + 1 < maze.columns && maze.open(maze.context, i + 1);
      ways += y > 0 && maze.open(maze.context, i - uint64_t(maze.columns));
      ways += y + 1 < maze.rows && maze.open(maze.context, i + uint64_t(maze.columns));
      f->deadends += ways == 1;
    }
  f->cycles = int64_t(passages) - int64_t(f->cells) + 1;
}

}  // namespace

bool measurefairness(const uint8_t *tiles, uint32_t width, uint32_t height,
                     const MazeLayout &layout, int32_t pathwidth, const MazePicture &picture,
                     Symmetry symmetry, int players, Fairness *fairness) {
  Fairness *f = fairness;
  memset(f, 0, sizeof *f);
  f->players = players;
  const Places maze = {picture.columns, picture.rows, picture.bits, openposition};
  countmaze(maze, f);

  // The starts: on the maze's cells, in the middle of each chosen cell's
  // block (with a symmetry, of each orbit's first cell, and exact images of
  // that tile); on the map's tiles themselves when the maze has too few
  // cells to keep them apart.
  const int order = symmetryorder(symmetry);
  const Places land = {width, height, tiles, pathtile};
  const int64_t step = layout.pitch / 2, corner = pathwidth / 2 - 1;
  const uint64_t middle =
      uint64_t((picture.rows - 1) / 2 & ~int64_t(1)) * uint64_t(picture.columns) +
      uint64_t((picture.columns - 1) / 2 & ~int64_t(1));
  Chooser c = {maze, true, 0, middle, nullptr, nullptr, symmetry, {}, 0};
  if (choose(&c, players)) {
    for (int k = 0; k < players; ++k) {
      const uint64_t cell = c.chosen[k - k % order];
      const int64_t x = layout.left + int64_t(cell % uint64_t(picture.columns)) * step + corner;
      const int64_t y = layout.top + int64_t(cell / uint64_t(picture.columns)) * step + corner;
      int64_t gx, gy;
      imageof(symmetry, k % order, width, height, x, y, &gx, &gy);
      f->start[k][0] = int32_t(gx);
      f->start[k][1] = int32_t(gy);
    }
  } else {
    uint64_t centre = 0;
    const uint64_t count = uint64_t(width) * height;
    for (uint64_t i = 0, best = UINT64_MAX; i < count; ++i) {
      const int64_t dx = 2 * int64_t(i % width) + 1 - int64_t(width);
      const int64_t dy = 2 * int64_t(i / width) + 1 - int64_t(height);
      if (pathtile(tiles, i) && uint64_t(dx * dx + dy * dy) < best)
        best = uint64_t(dx * dx + dy * dy), centre = i;
    }
    c = {land, false, 1, centre, nullptr, nullptr, symmetry, {}, 0};
    if (!choose(&c, players)) return false;
    for (int k = 0; k < players; ++k) {
      f->start[k][0] = int32_t(c.chosen[k] % width);
      f->start[k][1] = int32_t(c.chosen[k] / width);
    }
  }
  bool ok = true;

  // The distances, on the tiles: from the first start of each orbit, since
  // the land is the same seen from any start of one orbit.
  const uint64_t count = uint64_t(width) * height;
  uint32_t *distance = static_cast<uint32_t *>(malloc(count * sizeof(uint32_t)));
  if (distance == nullptr) return false;
  uint64_t starts[kMostPlayers] = {};
  for (int k = 0; k < players; ++k)
    starts[k] = uint64_t(f->start[k][1]) * width + uint64_t(f->start[k][0]);
  for (int first = 0; first < players && ok; first += order) {
    ok = distances(land, &starts[first], 1, starts, players, distance);
    for (int g = 0; g < order && ok; ++g)
      for (int l = 0; l < players; ++l) {
        // From image g of the first start to start l: from the first start
        // to the image of start l under g's inverse.
        int64_t bx, by;
        imageof(symmetry, inverseof(symmetry, g), width, height, f->start[l][0], f->start[l][1],
                &bx, &by);
        const uint32_t d = distance[uint64_t(by) * width + uint64_t(bx)];
        f->steps[first + g][l] = d == kFar ? kUnreachable : d;
      }
  }
  // The centre: the path tiles whose middles lie nearest the map's middle.
  uint64_t nearest = UINT64_MAX, centre[64] = {};
  int ncentre = 0;
  for (uint64_t i = 0; i < count && ok; ++i) {
    if (!pathtile(tiles, i)) continue;
    const int64_t dx = 2 * int64_t(i % width) + 1 - int64_t(width);
    const int64_t dy = 2 * int64_t(i / width) + 1 - int64_t(height);
    const uint64_t d = uint64_t(dx * dx + dy * dy);
    if (d < nearest) nearest = d, ncentre = 0;
    if (d == nearest && ncentre < 64) centre[ncentre++] = i;
  }
  if (ok) ok = distances(land, centre, size_t(ncentre), starts, players, distance);
  for (int k = 0; k < players && ok; ++k)
    f->centre[k] = distance[starts[k]] == kFar ? kUnreachable : distance[starts[k]];
  free(distance);
  if (!ok) return false;

  uint64_t least = kUnreachable, most = 0;
  for (int k = 0; k < players; ++k) {
    f->nearest[k] = kUnreachable;
    for (int l = 0; l < players; ++l)
      if (l != k && f->steps[k][l] < f->nearest[k]) f->nearest[k] = f->steps[k][l];
    if (f->nearest[k] < least) least = f->nearest[k];
    if (f->nearest[k] > most) most = f->nearest[k];
  }
  f->fairness = players < 2                          ? 1.0
                : most == 0 || least == kUnreachable ? 0.0
                                                     : double(least) / double(most);
  return true;
}
