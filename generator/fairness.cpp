// Starts are chosen on the maze itself (its open positions, a graph some
// nine times smaller than the map's tiles) and measured on the tiles. With a
// symmetry, one start is chosen for each orbit, as far as it gets from the
// places the symmetry holds in place (its axes, its centre), so that its
// images are far from it and from each other; the other orbits keep away
// from the starts chosen before. Without one, starts are spread by taking
// each time the cell farthest from those chosen, and then moved, one at a
// time, to where their nearest rival is farthest, while that makes the
// nearest-rival distances larger and more equal. A maze with too few cells
// to keep the starts apart (paths nearly as wide as the map) has them
// chosen the same way on the tiles.
#include "fairness.h"

#include <stdlib.h>
#include <string.h>

#include "littleendian.h"
#include "tilegroups.h"

namespace {

// A place no path reaches. Grids hold fewer than 2^32 places, so every
// distance fits 32 bits, with room for the marks below.
constexpr uint32_t kFar = UINT32_MAX;

// ---- a grid of places (maze positions, or tiles), open or closed

// The distances a search leaves: kFar for an open place none leads to yet,
// kWall for a closed one, kTarget for an open one the search waits for.
constexpr uint32_t kWall = kFar - 1;
constexpr uint32_t kTarget = kFar - 2;

// A search's distances are kept for a grid one larger on every side, with
// the border closed, so that it looks at the four neighbours of a place
// without testing the edges. The places are the maze's positions (open
// where the picture's bit is set) or the map's tiles (open on land).
struct Grid {
  int64_t columns, rows, stride;
  const uint8_t *bits;   // the maze's picture, or null
  const uint8_t *tiles;  // the map's tiles, little-endian words, or null
};

uint64_t placeat(const Grid &g, int64_t x, int64_t y) {
  return uint64_t(y + 1) * uint64_t(g.stride) + uint64_t(x + 1);
}

int64_t columnof(const Grid &g, uint64_t place) { return int64_t(place % uint64_t(g.stride)) - 1; }
int64_t rowof(const Grid &g, uint64_t place) { return int64_t(place / uint64_t(g.stride)) - 1; }

uint64_t placecount(const Grid &g) { return uint64_t(g.stride) * uint64_t(g.rows + 2); }

Grid mazegrid(const MazePicture &picture) {
  return {picture.columns, picture.rows, picture.columns + 2, picture.bits, nullptr};
}

Grid landgrid(const uint8_t *tiles, uint32_t width, uint32_t height) {
  return {width, height, int64_t(width) + 2, nullptr, tiles};
}

// A tile of the land: either tile of a path pair.
bool landtile(const uint8_t *tile) { return ispathtile(readle16(tile)); }

bool isopenat(const Grid &g, int64_t x, int64_t y) {
  const uint64_t i = uint64_t(y) * uint64_t(g.columns) + uint64_t(x);
  return g.bits != nullptr ? (g.bits[i >> 3] >> (i & 7)) & 1 : landtile(g.tiles + 2 * i);
}

// Sets every place's distance to kFar when it is open, to kWall otherwise.
void fillplaces(const Grid &g, uint32_t *distance) {
  // The border: the first and last rows, and the two places between rows.
  for (int64_t p = 0; p < g.stride; ++p) distance[p] = distance[placecount(g) - 1 - p] = kWall;
  for (int64_t y = 0; y < g.rows; ++y) {
    uint32_t *row = distance + placeat(g, 0, y);
    row[-1] = row[g.columns] = kWall;
    if (g.tiles != nullptr) {
      const uint8_t *tile = g.tiles + 2 * uint64_t(y) * uint64_t(g.columns);
      for (int64_t x = 0; x < g.columns; ++x) row[x] = landtile(tile + 2 * x) ? kFar : kWall;
    } else {
      for (int64_t x = 0; x < g.columns; ++x) row[x] = isopenat(g, x, y) ? kFar : kWall;
    }
  }
}

// A growing list of places, for the fronts of a search.
struct Front {
  uint64_t *places;
  size_t count, capacity;
};

bool push(Front *front, uint64_t place) {
  if (front->count == front->capacity) {
    const size_t capacity = front->capacity ? 2 * front->capacity : 4096;
    uint64_t *more = static_cast<uint64_t *>(realloc(front->places, capacity * sizeof *more));
    if (more == nullptr) return false;
    front->places = more;
    front->capacity = capacity;
  }
  front->places[front->count++] = place;
  return true;
}

// Fewest moves between edge-adjacent open places from the nearest source to
// each place, in `distance` (one entry a place of the larger grid; kFar
// where none leads, kWall for closed places). Stops once every open target
// has its distance; with no targets, it reaches every place it can.
bool distances(const Grid &g, const uint64_t *sources, size_t nsources, const uint64_t *targets,
               int ntargets, uint32_t *distance) {
  fillplaces(g, distance);
  int waiting = 0;
  for (int t = 0; t < ntargets; ++t)
    if (distance[targets[t]] == kFar) distance[targets[t]] = kTarget, ++waiting;
  Front front = {nullptr, 0, 0}, next = {nullptr, 0, 0};
  bool ok = true;
  for (size_t s = 0; s < nsources && ok; ++s) {
    const uint32_t d = distance[sources[s]];
    if (d != kFar && d != kTarget) continue;
    waiting -= d == kTarget;
    distance[sources[s]] = 0;
    ok = push(&front, sources[s]);
  }
  const uint64_t around[4] = {1, uint64_t(-1), uint64_t(g.stride), uint64_t(-g.stride)};
  for (uint32_t level = 1; ok && front.count > 0 && (ntargets == 0 || waiting > 0); ++level) {
    next.count = 0;
    for (size_t k = 0; k < front.count && ok; ++k) {
      for (uint64_t step : around) {
        const uint64_t n = front.places[k] + step;
        const uint32_t d = distance[n];
        if (d != kFar && d != kTarget) continue;
        waiting -= d == kTarget;
        distance[n] = level;
        ok = push(&next, n);
      }
    }
    Front swap = front;
    front = next;
    next = swap;
  }
  // Targets never reached are as far as any other place.
  for (int t = 0; t < ntargets; ++t)
    if (distance[targets[t]] == kTarget) distance[targets[t]] = kFar;
  free(front.places);
  free(next.places);
  return ok;
}

// ---- the symmetry's maps (symmetrymaps.h)

// True when an image of (x, y) under the symmetry lies within `slack` moves
// of it: the place is on the symmetry's axes or centre (slack 0, on the
// maze), or beside them (slack 2, on tiles, whose axes run between them: a
// mirror's image of the tiles along its axis is 1 move away, a half turn's
// of the tiles about the centre 2).
bool heldinplace(Symmetry symmetry, int64_t columns, int64_t rows, int64_t x, int64_t y,
                 int64_t slack) {
  const int order = symmetryorder(symmetry);
  for (int g = 1; g < order; ++g) {
    int64_t gx, gy;
    imageof(symmetry, g, columns, rows, x, y, &gx, &gy);
    if ((gx > x ? gx - x : x - gx) + (gy > y ? gy - y : y - gy) <= slack) return true;
  }
  return false;
}

// ---- choosing the starts' places

struct Chooser {
  Grid grid;           // the maze's positions, or the map's tiles
  bool cellsonly;      // on the maze, only cells are starts
  int64_t slack;       // of heldinplace
  uint64_t centre;     // the place where the spread's first search starts
  uint32_t *distance;  // scratch: one entry a place
  uint32_t *held;      // distances from the places the symmetry holds in place
  Symmetry symmetry;
  uint64_t chosen[kMostPlayers];  // the chosen places
  int count;
  bool cramped;  // no place was left for a start: too few of them to keep starts apart
};

// The place with the largest score, the first in scan order among equals;
// false when no place has a score above 0.
template <typename Score>
bool bestplace(const Chooser &c, Score score, uint64_t *best) {
  uint64_t top = 0;
  const int64_t step = c.cellsonly ? 2 : 1;
  for (int64_t y = 0; y < c.grid.rows; y += step)
    for (int64_t x = 0; x < c.grid.columns; x += step) {
      const uint64_t place = placeat(c.grid, x, y);
      const uint64_t s = score(place);
      if (s > top) top = s, *best = place;
    }
  return top > 0;
}

// Symmetric: each orbit's first place as far from the held places, and from
// the starts before, as it gets; the orbit's other places are its images.
bool chooseorbits(Chooser *c, int orbits) {
  const Grid &g = c->grid;
  Front held = {nullptr, 0, 0};
  bool ok = true;
  for (int64_t y = 0; y < g.rows && ok; ++y)
    for (int64_t x = 0; x < g.columns && ok; ++x)
      if (isopenat(g, x, y) && heldinplace(c->symmetry, g.columns, g.rows, x, y, c->slack))
        ok = push(&held, placeat(g, x, y));
  if (ok) ok = distances(g, held.places, held.count, nullptr, 0, c->held);
  free(held.places);
  if (!ok) return false;
  for (int o = 0; o < orbits; ++o) {
    if (c->count > 0 && !distances(g, c->chosen, size_t(c->count), nullptr, 0, c->distance))
      return false;
    const uint32_t *fromheld = c->held, *apart = c->count > 0 ? c->distance : nullptr;
    const auto score = [&](uint64_t place) -> uint64_t {
      // An image lies about twice as far as the held places.
      if (fromheld[place] >= kTarget) return 0;
      const uint64_t own = 2 * uint64_t(fromheld[place]);
      if (apart == nullptr) return own;
      return apart[place] >= kTarget ? 0 : apart[place] < own ? apart[place] : own;
    };
    uint64_t first = 0;
    if (!bestplace(*c, score, &first)) {
      c->cramped = true;
      return false;
    }
    for (int k = 0; k < symmetryorder(c->symmetry); ++k) {
      int64_t gx, gy;
      imageof(c->symmetry, k, g.columns, g.rows, columnof(g, first), rowof(g, first), &gx, &gy);
      c->chosen[c->count++] = placeat(g, gx, gy);
    }
  }
  return true;
}

// The smallest and the largest nearest-rival distance of the chosen places,
// from their pairwise distances; each place's own into `nearest` when given.
struct Spread {
  uint64_t least, most;
};

Spread spreadof(const uint64_t pair[kMostPlayers][kMostPlayers], int n,
                uint64_t *nearest = nullptr) {
  Spread spread = {kUnreachable, 0};
  for (int k = 0; k < n; ++k) {
    uint64_t rival = kUnreachable;
    for (int l = 0; l < n; ++l)
      if (l != k && pair[k][l] < rival) rival = pair[k][l];
    if (nearest != nullptr) nearest[k] = rival;
    if (rival < spread.least) spread.least = rival;
    if (rival > spread.most) spread.most = rival;
  }
  return spread;
}

// Larger nearest-rival distances first, then more equal ones.
bool better(Spread a, Spread b) {
  return a.least > b.least || (a.least == b.least && a.most - a.least < b.most - b.least);
}

// Fills row and column k of the pairwise distances of the chosen places.
bool measurerow(Chooser *c, int k, uint64_t pair[kMostPlayers][kMostPlayers]) {
  if (!distances(c->grid, &c->chosen[k], 1, c->chosen, c->count, c->distance)) return false;
  for (int l = 0; l < c->count; ++l) {
    const uint32_t d = c->distance[c->chosen[l]];
    pair[k][l] = pair[l][k] = d >= kTarget ? kUnreachable : d;
  }
  return true;
}

// A place's distance from the last search, 0 where none leads.
uint64_t reached(const Chooser &c, uint64_t place) {
  return c.distance[place] >= kTarget ? 0 : c.distance[place];
}

// Without a symmetry: the place farthest from those chosen each time (from
// the centre for the first), then the moves.
bool choosespread(Chooser *c, int players) {
  uint64_t from[kMostPlayers] = {c->centre};
  size_t nfrom = 1;
  for (int k = 0; k < players; ++k) {
    if (!distances(c->grid, from, nfrom, nullptr, 0, c->distance)) return false;
    // The first start goes as far from the centre as it can, or on the
    // centre itself when nothing lies farther.
    uint64_t place = c->centre;
    if (!bestplace(
            *c, [&](uint64_t i) { return reached(*c, i); }, &place) &&
        (k > 0 || c->distance[place] != 0)) {
      c->cramped = true;
      return false;
    }
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
      if (!distances(c->grid, others, n, nullptr, 0, c->distance)) return false;
      uint64_t place = c->chosen[k];
      bestplace(
          *c, [&](uint64_t i) { return reached(*c, i); }, &place);
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
  const uint64_t count = placecount(c->grid);
  c->distance = static_cast<uint32_t *>(malloc(count * sizeof(uint32_t)));
  c->held = static_cast<uint32_t *>(malloc(count * sizeof(uint32_t)));
  bool ok = c->distance != nullptr && c->held != nullptr;
  if (ok)
    ok = c->symmetry != kNoSymmetry ? chooseorbits(c, players / symmetryorder(c->symmetry))
                                    : choosespread(c, players);
  free(c->distance);
  free(c->held);
  return ok;
}

// ---- what the maze in the picture holds

void countmaze(const Grid &maze, Fairness *f) {
  uint64_t passages = 0;
  f->cells = f->deadends = 0;
  for (int64_t y = 0; y < maze.rows; ++y)
    for (int64_t x = 0; x < maze.columns; ++x) {
      if ((x + y) % 2 == 1) {
        passages += isopenat(maze, x, y);
        continue;
      }
      if (x % 2 != 0) continue;
      f->cells++;
      const int ways =
          (x > 0 && isopenat(maze, x - 1, y)) + (x + 1 < maze.columns && isopenat(maze, x + 1, y)) +
          (y > 0 && isopenat(maze, x, y - 1)) + (y + 1 < maze.rows && isopenat(maze, x, y + 1));
      f->deadends += ways == 1;
    }
  f->cycles = int64_t(passages) - int64_t(f->cells) + 1;
}

bool landat(const uint8_t *tiles, uint32_t width, int64_t x, int64_t y) {
  return landtile(tiles + 2 * (uint64_t(y) * width + uint64_t(x)));
}

// Places the starts: on the maze's cells, in the middle of each chosen
// cell's block (with a symmetry, of each orbit's first cell, and exact
// images of that tile), or on the land's tiles when the maze has too few
// cells to keep them apart.
FairnessResult placestarts(const Grid &maze, const Grid &land, const uint8_t *tiles, uint32_t width,
                           uint32_t height, const MazeLayout &layout, int32_t pathwidth,
                           Symmetry symmetry, int players, Fairness *f) {
  const int order = symmetryorder(symmetry);
  const int64_t step = layout.pitch / 2, corner = pathwidth / 2 - 1;
  const uint64_t middle =
      placeat(maze, (maze.columns - 1) / 2 & ~int64_t(1), (maze.rows - 1) / 2 & ~int64_t(1));
  Chooser c = {maze, true, 0, middle, nullptr, nullptr, symmetry, {}, 0, false};
  if (choose(&c, players)) {
    for (int k = 0; k < players; ++k) {
      const uint64_t cell = c.chosen[k - k % order];
      const int64_t x = layout.left + columnof(maze, cell) * step + corner;
      const int64_t y = layout.top + rowof(maze, cell) * step + corner;
      int64_t gx, gy;
      imageof(symmetry, k % order, width, height, x, y, &gx, &gy);
      f->start[k][0] = int32_t(gx);
      f->start[k][1] = int32_t(gy);
    }
    return kFairnessMeasured;
  }
  // The land tile nearest the map's middle, where the spread starts.
  uint64_t centre = 0, best = UINT64_MAX;
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const int64_t dx = 2 * x + 1 - width, dy = 2 * y + 1 - height;
      if (landat(tiles, width, x, y) && uint64_t(dx * dx + dy * dy) < best)
        best = uint64_t(dx * dx + dy * dy), centre = placeat(land, x, y);
    }
  c = {land, false, 2, centre, nullptr, nullptr, symmetry, {}, 0, false};
  if (!choose(&c, players)) return c.cramped ? kFairnessNoRoom : kFairnessNoMemory;
  for (int k = 0; k < players; ++k) {
    f->start[k][0] = int32_t(columnof(land, c.chosen[k]));
    f->start[k][1] = int32_t(rowof(land, c.chosen[k]));
  }
  return kFairnessMeasured;
}

// Fewest moves over the land from `source` to each target, in found[]
// (kFar where none leads), with `seen` as scratch (a byte a place). The
// map's tiles are many, and only the targets' distances are wanted, so the
// search keeps a byte a place rather than a distance.
bool searchland(const Grid &land, uint64_t source, const uint64_t *targets, size_t ntargets,
                uint8_t *seen, uint32_t *found) {
  enum : uint8_t { kOpen = 0, kSeen = 1, kWaited = 2 };
  const int64_t stride = land.stride;
  // The border (the first and last rows, the ends of each row) and the sea.
  memset(seen, kSeen, size_t(stride));
  memset(seen + uint64_t(land.rows + 1) * uint64_t(stride), kSeen, size_t(stride));
  for (int64_t y = 0; y < land.rows; ++y) {
    uint8_t *row = seen + placeat(land, 0, y);
    const uint8_t *tile = land.tiles + 2 * uint64_t(y) * uint64_t(land.columns);
    for (int64_t x = 0; x < land.columns; ++x) row[x] = landtile(tile + 2 * x) ? kOpen : kSeen;
    row[-1] = row[land.columns] = kSeen;
  }
  size_t waiting = 0;
  for (size_t t = 0; t < ntargets; ++t) {
    found[t] = kFar;
    if (seen[targets[t]] == kOpen) seen[targets[t]] = kWaited, ++waiting;
  }
  // Level by level, with the places as 32-bit numbers: the larger grid of a
  // map that fits its sections holds fewer than 2^32.
  uint32_t *front = nullptr, *next = nullptr;
  size_t fronts = 0, nexts = 0, capacity = 0;
  const auto arrive = [&](uint64_t place, uint32_t level) {
    if (seen[place] == kWaited) {
      for (size_t t = 0; t < ntargets; ++t)
        if (targets[t] == place) found[t] = level, --waiting;
    }
    seen[place] = kSeen;
    next[nexts++] = uint32_t(place);
  };
  // Room for every place a front can hold: grown as the fronts grow.
  const auto room = [&](size_t wanted) {
    if (wanted <= capacity) return true;
    const size_t larger = wanted > 2 * capacity ? wanted : 2 * capacity;
    uint32_t *a = static_cast<uint32_t *>(realloc(front, larger * sizeof *a));
    if (a != nullptr) front = a;
    uint32_t *b =
        a != nullptr ? static_cast<uint32_t *>(realloc(next, larger * sizeof *b)) : nullptr;
    if (b != nullptr) next = b, capacity = larger;
    return b != nullptr;
  };
  bool ok = room(4096);
  if (ok && seen[source] != kSeen) arrive(source, 0);
  const uint64_t right = 1, down = uint64_t(stride);
  for (uint32_t level = 1; ok && nexts > 0 && waiting > 0; ++level) {
    uint32_t *swap = front;
    front = next;
    next = swap;
    fronts = nexts;
    nexts = 0;
    ok = room(4 * fronts);
    for (size_t k = 0; k < fronts && ok; ++k) {
      const uint64_t place = front[k];
      if (seen[place + right] != kSeen) arrive(place + right, level);
      if (seen[place - right] != kSeen) arrive(place - right, level);
      if (seen[place + down] != kSeen) arrive(place + down, level);
      if (seen[place - down] != kSeen) arrive(place - down, level);
    }
  }
  free(front);
  free(next);
  return ok;
}

// The distances between the starts and to the centre, on the land. The
// centre is the set of land tiles whose middles lie nearest the map's
// middle; each search from a start waits for them too.
bool measure(const Grid &land, const uint8_t *tiles, uint32_t width, uint32_t height,
             Symmetry symmetry, int players, Fairness *f) {
  Front targets = {nullptr, 0, 0};
  bool ok = true;
  for (int k = 0; k < players && ok; ++k)
    ok = push(&targets, placeat(land, f->start[k][0], f->start[k][1]));
  // Searched in squares about the middle, each twice the last, until the
  // nearest land found so far lies within the square's inscribed circle.
  uint64_t nearest = UINT64_MAX;
  for (int64_t reach = 8;; reach *= 2) {
    const int64_t x0 = width / 2 - reach > 0 ? width / 2 - reach : 0;
    const int64_t y0 = height / 2 - reach > 0 ? height / 2 - reach : 0;
    const int64_t x1 = width / 2 + reach < width ? width / 2 + reach : width;
    const int64_t y1 = height / 2 + reach < height ? height / 2 + reach : height;
    nearest = UINT64_MAX;
    targets.count = size_t(players);
    for (int64_t y = y0; y < y1 && ok; ++y)
      for (int64_t x = x0; x < x1 && ok; ++x) {
        if (!landat(tiles, width, x, y)) continue;
        const int64_t dx = 2 * x + 1 - width, dy = 2 * y + 1 - height;
        const uint64_t d = uint64_t(dx * dx + dy * dy);
        if (d < nearest) nearest = d, targets.count = size_t(players);
        if (d == nearest) ok = push(&targets, placeat(land, x, y));
      }
    const bool whole = x0 == 0 && y0 == 0 && x1 == width && y1 == height;
    // In half tiles, the circle of radius 2 * (reach - 1) lies in the square.
    const uint64_t inside = uint64_t(2 * (reach - 1)) * uint64_t(2 * (reach - 1));
    if (!ok || whole || nearest <= inside) break;
  }
  uint32_t *found = static_cast<uint32_t *>(malloc(targets.count * sizeof(uint32_t)));
  uint8_t *seen = static_cast<uint8_t *>(malloc(placecount(land)));
  ok = ok && found != nullptr && seen != nullptr;
  // From the first start of each orbit only: the land is the same seen from
  // any start of one orbit, and so is the centre.
  const int order = symmetryorder(symmetry);
  for (int first = 0; first < players && ok; first += order) {
    ok = searchland(land, targets.places[first], targets.places, targets.count, seen, found);
    uint64_t tocentre = kUnreachable;
    for (size_t c = size_t(players); c < targets.count; ++c)
      if (found[c] < tocentre) tocentre = found[c];
    for (int g = 0; g < order && ok; ++g) {
      f->centre[first + g] = tocentre;
      for (int l = 0; l < players; ++l) {
        // From image g of the first start to start l: from the first start
        // to the image of start l under g's inverse, another start.
        int64_t bx, by;
        imageof(symmetry, inverseof(symmetry, g), width, height, f->start[l][0], f->start[l][1],
                &bx, &by);
        int other = 0;
        while (targets.places[other] != placeat(land, bx, by)) ++other;
        f->steps[first + g][l] = found[other] == kFar ? kUnreachable : found[other];
      }
    }
  }
  free(found);
  free(seen);
  free(targets.places);
  return ok;
}

}  // namespace

FairnessResult measurefairness(const uint8_t *tiles, uint32_t width, uint32_t height,
                               const MazeLayout &layout, int32_t pathwidth,
                               const MazePicture &picture, Symmetry symmetry, int players,
                               Fairness *fairness) {
  Fairness *f = fairness;
  memset(f, 0, sizeof *f);
  f->players = players;
  const Grid maze = mazegrid(picture), land = landgrid(tiles, width, height);
  countmaze(maze, f);
  const FairnessResult placed =
      placestarts(maze, land, tiles, width, height, layout, pathwidth, symmetry, players, f);
  if (placed != kFairnessMeasured) return placed;
  if (!measure(land, tiles, width, height, symmetry, players, f)) return kFairnessNoMemory;

  const Spread spread = spreadof(f->steps, players, f->nearest);
  f->fairness = players < 2 ? 1.0
                : spread.most == 0 || spread.least == kUnreachable
                    ? 0.0
                    : double(spread.least) / double(spread.most);
  return kFairnessMeasured;
}
