// Choosing the starts. The five measures are taken first on the maze's
// positions, a graph some nine times smaller than the map's tiles whose
// steps and areas follow the land's, and the starts moved, one orbit at a
// time, to wherever makes them more even: first keeping the starts apart in
// a straight line where the land allows it, then making the least fair
// measure fairer, then the nearest two starts farther apart. The best few
// ways found are measured on the tiles and the best of them kept. A maze
// with too few cells for the starts has them chosen the same way on the
// tiles.
#include "placement.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "randomsource.h"
#include "symmetrymaps.h"

namespace {

// Roughly how many steps of the searches the choice may take, over all the
// ways it tries: enough for thousands of ways on a map up to 512 x 512, a
// few on the largest, whose searches also wait for memory far more.
constexpr uint64_t kEffort = 40'000'000;
constexpr uint64_t kLargeEffort = 16'000'000;
constexpr uint64_t kLargeGrid = uint64_t(1) << 18;
// The ways measured on the tiles at most.
constexpr int kFinalists = 6;
// The times the best way is shaken and improved again at most.
constexpr int kShakes = 24;
// The candidates for each orbit at most: the cells (or tiles) on a coarser
// lattice beyond that.
constexpr size_t kMostCandidates = 900;

// A way of placing the starts: the first start of each orbit, and how it
// scores.
struct Arrangement {
  uint32_t first[kMostPlayers];
  bool apart;       // no two starts closer in a straight line than the distance asked for
  double fairness;  // the least of the five measures' fairness
  double closest;   // the straight-line distance of the nearest two starts
  double balance;   // how even all five measures are together (below)
  bool scored;
};

// Whether `a` is a better step than `b` for the search: starts kept apart
// first, then all five measures more even together. The least of them alone
// stays the same over most single moves; their sum of logarithms tells the
// moves that make the others more even too.
bool steers(const Arrangement &a, const Arrangement &b) {
  if (a.apart != b.apart) return a.apart;
  if (a.balance != b.balance) return a.balance > b.balance;
  return a.closest > b.closest;
}

// Whether `a` beats `b`: starts kept apart first, then fairer, then farther.
bool beats(const Arrangement &a, const Arrangement &b) {
  if (a.apart != b.apart) return a.apart;
  if (a.fairness != b.fairness) return a.fairness > b.fairness;
  return a.closest > b.closest;
}

struct Placer {
  PlaceGrid grid;  // the maze's positions, or the map's tiles
  bool onmaze;
  // A maze position's start tile: the middle of its block.
  int64_t left, top, step, corner;
  uint32_t width, height;
  const uint8_t *tiles;
  Symmetry symmetry;
  int order, orbits, players;
  int64_t apart;
  uint32_t *candidates;
  size_t ncandidates;
  uint32_t *fromcentre;              // each place's steps to the centre's places
  uint32_t *distance[kMostPlayers];  // each start's steps to each place
  uint32_t start[kMostPlayers];      // each start's place on the grid
  Search search;
  uint64_t work;                      // steps the searches may still take
  Arrangement finalists[kFinalists];  // the best ways found, best first
};

// The tile of a place's start: the middle of a maze position's block, or the
// tile itself.
void tileof(const Placer &p, uint32_t place, int64_t *x, int64_t *y) {
  *x = columnof(p.grid, place);
  *y = rowof(p.grid, place);
  if (!p.onmaze) return;
  *x = p.left + *x * p.step + p.corner;
  *y = p.top + *y * p.step + p.corner;
}

// Start k of an arrangement on the grid: image k % order of its orbit's first.
uint32_t startplace(const Placer &p, const Arrangement &a, int k) {
  const uint32_t first = a.first[k / p.order];
  int64_t gx, gy;
  imageof(p.symmetry, k % p.order, p.grid.columns, p.grid.rows, columnof(p.grid, first),
          rowof(p.grid, first), &gx, &gy);
  return placeat(p.grid, gx, gy);
}

// The tiles of an arrangement's starts, as they will be placed: exact images
// of each orbit's first start's tile.
void starttiles(const Placer &p, const Arrangement &a, int32_t tile[][2]) {
  for (int k = 0; k < p.players; ++k) {
    int64_t x, y, gx, gy;
    tileof(p, a.first[k / p.order], &x, &y);
    imageof(p.symmetry, k % p.order, p.width, p.height, x, y, &gx, &gy);
    tile[k][0] = int32_t(gx);
    tile[k][1] = int32_t(gy);
  }
}

double closestof(const Fairness &f) {
  double closest = INFINITY;
  for (int k = 0; k < f.players; ++k)
    if (f.separation[k] < closest) closest = f.separation[k];
  return f.players < 2 ? 0.0 : closest;
}

// Scores an arrangement with the measures taken on the grid. The searches
// of the starts that moved since the last arrangement scored are made anew.
bool score(Placer *p, Arrangement *a) {
  Fairness f = {};
  f.players = p->players;
  const uint64_t count = placecount(p->grid);
  for (int k = 0; k < p->players; ++k) {
    const uint32_t place = startplace(*p, *a, k);
    if (place == p->start[k]) continue;
    p->start[k] = place;
    if (!searchfrom(p->grid, &place, 1, p->distance[k], &p->search)) return false;
    p->work -= p->work < count ? p->work : count;
  }
  // The pass over the places below.
  p->work -= p->work < count ? p->work : count;
  int32_t tiles[kMostPlayers][2];
  starttiles(*p, *a, tiles);
  uint64_t least = kUnreachable;
  for (int k = 0; k < p->players; ++k) {
    f.nearest[k] = kUnreachable;
    double nearest = INFINITY;
    for (int l = 0; l < p->players; ++l) {
      if (l == k) continue;
      const uint32_t d = p->distance[k][p->start[l]];
      if (d < kUnreached && d < f.nearest[k]) f.nearest[k] = d;
      const double dx = tiles[k][0] - tiles[l][0], dy = tiles[k][1] - tiles[l][1];
      if (sqrt(dx * dx + dy * dy) < nearest) nearest = sqrt(dx * dx + dy * dy);
    }
    f.separation[k] = p->players < 2 ? 0.0 : round(nearest * 100.0) / 100.0;
    const uint32_t c = p->fromcentre[p->start[k]];
    f.centre[k] = c >= kUnreached ? kUnreachable : c;
    if (f.nearest[k] < least) least = f.nearest[k];
  }
  const uint64_t radius = least == kUnreachable ? kUnreachable : least / 2;
  // The territories and the rooms, in one pass over the places. A place
  // the same number of steps from several starts is theirs together here,
  // but on the tiles one of them is nearer by a tile or two, and it takes
  // all the land beyond: each player's territory counts from what is its
  // own alone to that and all it shares.
  uint64_t shared[kMostPlayers] = {};
  for (uint64_t place = 0; place < count; ++place) {
    uint32_t best = kUnreached;
    unsigned owners = 0;
    for (int k = 0; k < p->players; ++k) {
      const uint32_t d = p->distance[k][place];
      if (d >= kUnreached) continue;
      if (d <= radius) f.room[k]++;
      if (d < best)
        best = d, owners = 1u << k;
      else if (d == best)
        owners |= 1u << k;
    }
    if (owners == 0) continue;
    const bool alone = (owners & (owners - 1)) == 0;
    for (int k = 0; k < p->players; ++k)
      if (owners & (1u << k)) (alone ? f.territory[k] : shared[k])++;
  }
  judge(&f);
  if (p->players > 1) {
    uint64_t alone = UINT64_MAX, most = 0;
    for (int k = 0; k < p->players; ++k) {
      if (f.territory[k] < alone) alone = f.territory[k];
      if (f.territory[k] + shared[k] > most) most = f.territory[k] + shared[k];
    }
    f.measure[kTerritory] = most == 0 ? 1.0 : double(alone) / double(most);
    for (int m = 0; m < kMeasureCount; ++m)
      if (f.measure[m] < f.fairness) f.fairness = f.measure[m];
  }
  a->fairness = f.fairness;
  a->balance = 0;
  for (double m : f.measure) a->balance += log(m > 1e-3 ? m : 1e-3);
  a->closest = closestof(f);
  a->apart = p->players < 2 || a->closest >= double(p->apart);
  a->scored = true;
  return true;
}

bool samearrangement(const Placer &p, const Arrangement &a, const Arrangement &b) {
  return memcmp(a.first, b.first, size_t(p.orbits) * sizeof a.first[0]) == 0;
}

// Keeps `a` among the finalists when it beats one of them.
void consider(Placer *p, const Arrangement &a) {
  for (int i = 0; i < kFinalists; ++i) {
    const Arrangement &f = p->finalists[i];
    if (f.scored && samearrangement(*p, f, a)) return;
    if (!f.scored || beats(a, f)) {
      memmove(&p->finalists[i + 1], &p->finalists[i], size_t(kFinalists - 1 - i) * sizeof a);
      p->finalists[i] = a;
      return;
    }
  }
}

// The places that may hold the first start of an orbit: open cells (or land
// tiles) whose start tile is land, moved by every map of the symmetry but
// the identity (by more than two steps on tiles, whose axes run between
// them), the first of their orbit in scan order; on a coarser lattice when
// there are more than kMostCandidates.
bool findcandidates(Placer *p) {
  const int64_t unit = p->onmaze ? 2 : 1;
  const int64_t slack = p->onmaze ? 0 : 2;
  const PlaceGrid &g = p->grid;
  const PlaceGrid land = landplaces(p->tiles, p->width, p->height);
  for (int64_t lattice = unit;; lattice *= 2) {
    free(p->candidates);
    p->candidates = nullptr;
    p->ncandidates = 0;
    size_t capacity = 0;
    for (int64_t y = 0; y < g.rows; y += lattice)
      for (int64_t x = 0; x < g.columns; x += lattice) {
        if (!isopenplace(g, x, y)) continue;
        int64_t tx, ty;
        tileof(*p, placeat(g, x, y), &tx, &ty);
        if (tx < 0 || ty < 0 || tx >= p->width || ty >= p->height || !isopenplace(land, tx, ty))
          continue;
        bool keep = true;
        for (int k = 1; k < p->order && keep; ++k) {
          int64_t gx, gy;
          imageof(p->symmetry, k, g.columns, g.rows, x, y, &gx, &gy);
          const int64_t moved = (gx > x ? gx - x : x - gx) + (gy > y ? gy - y : y - gy);
          keep = moved > slack && (gy > y || (gy == y && gx > x));
        }
        if (!keep) continue;
        if (p->ncandidates == capacity) {
          capacity = capacity ? 2 * capacity : 256;
          uint32_t *more = static_cast<uint32_t *>(realloc(p->candidates, capacity * 4));
          if (more == nullptr) return false;
          p->candidates = more;
        }
        p->candidates[p->ncandidates++] = placeat(g, x, y);
      }
    if (p->ncandidates <= kMostCandidates || lattice > g.columns + g.rows) return true;
  }
}

// The centre's places on the grid: the land tiles nearest the map's middle,
// or on the maze the open positions whose blocks hold them.
bool searchcentre(Placer *p) {
  const PlaceGrid land = landplaces(p->tiles, p->width, p->height);
  uint32_t *tiles = nullptr;
  size_t count = 0;
  if (!centretiles(land, p->width, p->height, &tiles, &count)) return false;
  if (p->onmaze) {
    // A tile lies in the blocks of the positions up to a block's side before it.
    size_t kept = 0;
    const PlaceGrid &g = p->grid;
    const int64_t side = 2 * p->corner + 2;
    for (size_t t = 0; t < count; ++t) {
      const int64_t tx = columnof(land, tiles[t]), ty = rowof(land, tiles[t]);
      for (int64_t y = (ty - p->top - side) / p->step; y <= (ty - p->top) / p->step; ++y)
        for (int64_t x = (tx - p->left - side) / p->step; x <= (tx - p->left) / p->step; ++x) {
          const int64_t bx = p->left + x * p->step, by = p->top + y * p->step;
          if (x < 0 || y < 0 || x >= g.columns || y >= g.rows || !isopenplace(g, x, y) || tx < bx ||
              ty < by || tx >= bx + side || ty >= by + side || kept == t + 1)
            continue;
          tiles[kept++] = placeat(g, x, y);
        }
    }
    count = kept;
  }
  const bool ok = searchfrom(p->grid, tiles, count, p->fromcentre, &p->search);
  free(tiles);
  return ok;
}

// How far apart, in a straight line, the images of a start's tile lie;
// for no symmetry, 0.
double imagesapart(const Placer &p, uint32_t place) {
  int64_t x, y;
  tileof(p, place, &x, &y);
  double apart = 0;
  for (int g = 1; g < p.order; ++g) {
    int64_t gx, gy;
    imageof(p.symmetry, g, p.width, p.height, x, y, &gx, &gy);
    const double d = sqrt(double((gx - x) * (gx - x) + (gy - y) * (gy - y)));
    if (g == 1 || d < apart) apart = d;
  }
  return apart;
}

// The first way: each orbit's first start as far, in steps, from the starts
// before it as it gets; the very first as far from the centre, or with a
// symmetry, from its own images.
bool spread(Placer *p, Arrangement *a) {
  for (int r = 0; r < p->orbits; ++r) {
    uint64_t top = 0;
    size_t best = 0;
    for (size_t c = 0; c < p->ncandidates; ++c) {
      const uint32_t place = p->candidates[c];
      uint64_t far = 0;
      if (r == 0 && p->order > 1)
        far = uint64_t(imagesapart(*p, place) * 100.0) + 1;
      else if (r == 0)
        far = p->fromcentre[place] >= kUnreached ? 0 : uint64_t(p->fromcentre[place]) + 1;
      for (int k = 0; k < r * p->order; ++k) {
        const uint32_t d = p->distance[k][place];
        const uint64_t steps = d >= kUnreached ? 0 : uint64_t(d) + 1;
        if (k == 0 || steps < far) far = steps;
      }
      if (far > top) top = far, best = c;
    }
    a->first[r] = p->candidates[best];
    // One orbit of a symmetry is fair by its symmetry wherever it lies: it
    // needs no search, and is scored by its straight lines alone.
    if (p->orbits == 1 && p->order > 1) {
      int32_t tiles[kMostPlayers][2];
      starttiles(*p, *a, tiles);
      a->fairness = 1;
      a->balance = 0;
      a->closest = INFINITY;
      for (int k = 0; k < p->players; ++k)
        for (int l = 0; l < k; ++l) {
          const double dx = tiles[k][0] - tiles[l][0], dy = tiles[k][1] - tiles[l][1];
          a->closest = fmin(a->closest, round(sqrt(dx * dx + dy * dy) * 100.0) / 100.0);
        }
      a->apart = a->closest >= double(p->apart);
      a->scored = true;
      return true;
    }
    // The searches of the orbit's starts, for the next orbit's choice.
    for (int g = 0; g < p->order; ++g) {
      const int k = r * p->order + g;
      p->start[k] = startplace(*p, *a, k);
      if (!searchfrom(p->grid, &p->start[k], 1, p->distance[k], &p->search)) return false;
    }
  }
  return score(p, a);
}

// Moves each orbit, in turn, to the candidate that makes the arrangement
// best, for as long as a move improves it and the effort allows.
bool improve(Placer *p, Arrangement *a) {
  const uint64_t count = placecount(p->grid);
  for (bool moved = true; moved;) {
    moved = false;
    for (int r = 0; r < p->orbits; ++r) {
      Arrangement best = *a;
      for (size_t c = 0; c < p->ncandidates; ++c) {
        if (p->work < uint64_t(p->order) * count) return true;
        Arrangement trial = *a;
        trial.first[r] = p->candidates[c];
        bool taken = false;
        for (int o = 0; o < p->orbits; ++o) taken |= o != r && trial.first[o] == trial.first[r];
        if (taken || trial.first[r] == a->first[r]) continue;
        if (!score(p, &trial)) return false;
        consider(p, trial);
        if (steers(trial, best)) best = trial;
      }
      if (steers(best, *a)) *a = best, moved = true;
    }
  }
  return true;
}

// Tries the two orbits' firsts at every pair of candidates spaced so that
// the pairs take about half the effort; keeps the best pair in *a when it
// beats it.
bool trypairs(Placer *p, Arrangement *a) {
  const uint64_t count = placecount(p->grid);
  const uint64_t each = (uint64_t(p->order) + 2 * uint64_t(p->players)) * count;
  const double most = sqrt(double(p->work) / double(each));
  const size_t stride =
      most >= double(p->ncandidates) ? 1 : size_t(double(p->ncandidates) / most) + 1;
  for (size_t i = 0; i < p->ncandidates; i += stride)
    for (size_t j = i + stride; j < p->ncandidates; j += stride) {
      Arrangement trial = *a;
      trial.first[0] = p->candidates[i];
      trial.first[1] = p->candidates[j];
      if (!score(p, &trial)) return false;
      consider(p, trial);
      if (beats(trial, *a)) *a = trial;
    }
  return true;
}

void release(Placer *p) {
  free(p->candidates);
  free(p->fromcentre);
  for (uint32_t *d : p->distance) free(d);
  freesearch(&p->search);
}

}  // namespace

FairnessResult placeon(const PlaceGrid &grid, bool onmaze, const MazeLayout &layout,
                       int32_t pathwidth, const uint8_t *tiles, uint32_t width, uint32_t height,
                       Symmetry symmetry, int players, Fairness *f) {
  Placer p = {};
  p.grid = grid;
  p.onmaze = onmaze;
  p.left = layout.left;
  p.top = layout.top;
  p.step = layout.pitch / 2;
  p.corner = pathwidth / 2 - 1;
  p.width = width;
  p.height = height;
  p.tiles = tiles;
  p.symmetry = symmetry;
  p.order = symmetryorder(symmetry);
  p.orbits = players / p.order;
  p.players = players;
  p.apart = apartdistance(width, height, players);
  const uint64_t count = placecount(grid);
  p.work = count > kLargeGrid ? kLargeEffort : kEffort;
  for (int i = 0; i < kFinalists; ++i) p.finalists[i].scored = false;
  for (int k = 0; k < kMostPlayers; ++k) p.start[k] = kUnreached;
  bool ok = (p.fromcentre = static_cast<uint32_t *>(malloc(count * 4))) != nullptr;
  for (int k = 0; k < players && ok; ++k)
    ok = (p.distance[k] = static_cast<uint32_t *>(malloc(count * 4))) != nullptr;
  // The centre counts for the choice unless one orbit of a symmetry, fair
  // wherever it lies, is all there is to place.
  ok = ok && findcandidates(&p) && (p.orbits == 1 && p.order > 1 ? true : searchcentre(&p));
  if (ok && p.ncandidates < size_t(p.orbits)) {
    release(&p);
    return kFairnessNoRoom;
  }
  Arrangement a = {};
  ok = ok && spread(&p, &a);
  if (ok) consider(&p, a);
  // One orbit is fair by its symmetry wherever it lies (and one player
  // alone): the spread has put it where its starts are farthest apart.
  if (p.orbits == 1) p.work = 0;
  // Two orbits want each other's moves: every pair of a share of the
  // candidates is tried first, and the best of them improved.
  if (ok && p.orbits == 2) ok = trypairs(&p, &a);
  ok = ok && improve(&p, &a);
  // Moving one orbit at a time ends where no single move helps: the best
  // way is shaken (one or two orbits moved to other candidates, drawn from a
  // source of its own, so that the same map places the same starts) and
  // improved again, while the effort allows.
  RandomSource shake = {1};
  const uint64_t round = uint64_t(p.orbits) * p.ncandidates * (uint64_t(p.order) + 2) * count;
  for (int again = 0; ok && again < kShakes && p.work > round; ++again) {
    Arrangement trial = p.finalists[0];
    for (int moves = 0; moves < (p.orbits > 1 ? 2 : 1); ++moves) {
      const int r = int(scaledraw(p.orbits - 1, nextdraw(&shake)));
      const uint32_t to = p.candidates[scaledraw(int64_t(p.ncandidates) - 1, nextdraw(&shake))];
      bool taken = false;
      for (int o = 0; o < p.orbits; ++o) taken |= trial.first[o] == to;
      if (!taken) trial.first[r] = to;
    }
    ok = score(&p, &trial) && improve(&p, &trial);
    if (ok) consider(&p, trial);
  }
  // The finalists measured on the tiles; the best kept. The largest maps
  // measure one way only.
  const int measured = count > kLargeGrid ? 1 : kFinalists;
  Fairness best = {};
  Arrangement bestway = {};
  for (int i = 0; i < measured && ok && p.finalists[i].scored; ++i) {
    Fairness trial = *f;
    starttiles(p, p.finalists[i], trial.start);
    ok = measurestarts(tiles, width, height, symmetry, &trial);
    Arrangement way = p.finalists[i];
    way.fairness = trial.fairness;
    way.closest = trial.closest;
    way.apart = players < 2 || trial.closest >= double(p.apart);
    if (ok && (i == 0 || beats(way, bestway))) best = trial, bestway = way;
  }
  release(&p);
  if (!ok) return kFairnessNoMemory;
  *f = best;
  f->apart = p.apart;
  return kFairnessMeasured;
}
