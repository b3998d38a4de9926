// The five measures of placed starts, on the map's tiles: a search from
// each start (from the first of each orbit only with a symmetry, whose
// images see the same land) to the others and the centre, and one from all
// starts at once for the territories and the rooms.
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "fairness.h"
#include "placegrid.h"
#include "symmetrymaps.h"

const char *const kMeasureNames[kMeasureCount] = {"rival", "centre", "territory", "room",
                                                  "separation"};

int64_t apartdistance(uint32_t width, uint32_t height, int players) {
  const double shorter = width < height ? width : height;
  return int64_t(ceil(shorter / (2.0 * sqrt(double(players))) - 1e-9));
}

namespace {

// The least value over the largest; 1 when they are the same (one player,
// or all 0: no value is below 0), 0 when the largest is unreachable and the
// least is not.
double evenness(const double *values, int count) {
  double least = values[0], most = values[0];
  for (int k = 1; k < count; ++k) {
    if (values[k] < least) least = values[k];
    if (values[k] > most) most = values[k];
  }
  if (least == most) return 1.0;
  if (isinf(most)) return 0.0;
  return least / most;
}

double asvalue(uint64_t steps) { return steps == kUnreachable ? INFINITY : double(steps); }

}  // namespace

void judge(Fairness *f) {
  const int n = f->players;
  double values[kMeasureCount][kMostPlayers];
  for (int k = 0; k < n; ++k) {
    values[kRival][k] = asvalue(f->nearest[k]);
    values[kCentre][k] = asvalue(f->centre[k]);
    values[kTerritory][k] = double(f->territory[k]);
    values[kRoom][k] = double(f->room[k]);
    values[kSeparation][k] = f->separation[k];
  }
  f->fairness = 1.0;
  f->worst = kRival;
  for (int m = 0; m < kMeasureCount; ++m) {
    f->measure[m] = n < 2 ? 1.0 : evenness(values[m], n);
    if (f->measure[m] < f->fairness) f->fairness = f->measure[m], f->worst = Measure(m);
  }
}

bool measurestarts(const uint8_t *tiles, uint32_t width, uint32_t height, Symmetry symmetry,
                   Fairness *f) {
  const int n = f->players;
  const PlaceGrid land = landplaces(tiles, width, height);
  uint32_t starts[kMostPlayers];
  for (int k = 0; k < n; ++k) starts[k] = placeat(land, f->start[k][0], f->start[k][1]);

  // The straight lines, rounded to hundredths of a tile.
  f->closest = INFINITY;
  for (int k = 0; k < n; ++k) {
    double nearest = INFINITY;
    for (int l = 0; l < n; ++l) {
      if (l == k) continue;
      const double dx = f->start[k][0] - f->start[l][0], dy = f->start[k][1] - f->start[l][1];
      const double d = sqrt(dx * dx + dy * dy);
      if (d < nearest) nearest = d;
    }
    f->separation[k] = n < 2 ? 0.0 : round(nearest * 100.0) / 100.0;
    if (n > 1 && f->separation[k] < f->closest) f->closest = f->separation[k];
  }
  if (n < 2) f->closest = 0.0;

  uint32_t *centre = nullptr;
  size_t centres = 0;
  Search search = {};
  bool ok = centretiles(land, width, height, &centre, &centres);

  // The steps between starts and to the centre, from the first start of
  // each orbit until it has reached the others and the centre's tiles: image
  // g of it lies as far from start l as it does from the image of l under
  // g's inverse, another start, and as far from the centre.
  const int order = symmetryorder(symmetry);
  uint32_t *targets = ok ? static_cast<uint32_t *>(malloc((size_t(n) + centres) * 4)) : nullptr;
  uint32_t *found = ok ? static_cast<uint32_t *>(malloc((size_t(n) + centres) * 4)) : nullptr;
  ok = ok && targets != nullptr && found != nullptr;
  if (ok) {
    memcpy(targets, starts, size_t(n) * 4);
    memcpy(targets + n, centre, centres * 4);
  }
  for (int first = 0; first < n && ok; first += order) {
    ok = stepsto(land, &starts[first], 1, targets, size_t(n) + centres, found, &search);
    uint32_t tocentre = kUnreached;
    for (size_t c = 0; c < centres; ++c)
      if (found[n + c] < tocentre) tocentre = found[n + c];
    for (int g = 0; g < order && ok; ++g) {
      f->centre[first + g] = tocentre >= kUnreached ? kUnreachable : tocentre;
      for (int l = 0; l < n; ++l) {
        int64_t bx, by;
        imageof(symmetry, inverseof(symmetry, g), width, height, f->start[l][0], f->start[l][1],
                &bx, &by);
        int other = 0;
        while (starts[other] != placeat(land, bx, by)) ++other;
        f->steps[first + g][l] = found[other] >= kUnreached ? kUnreachable : found[other];
      }
    }
  }
  free(targets);
  free(found);
  uint64_t least = kUnreachable;
  for (int k = 0; k < n && ok; ++k) {
    f->nearest[k] = kUnreachable;
    for (int l = 0; l < n; ++l)
      if (l != k && f->steps[k][l] < f->nearest[k]) f->nearest[k] = f->steps[k][l];
    if (f->nearest[k] < least) least = f->nearest[k];
  }
  // Without two starts that reach each other, a room is all the land its
  // start reaches.
  f->roomradius = least == kUnreachable ? kUnreachable : least / 2;

  // The territories and the rooms, from one search out of all starts at
  // once. A tile within the room radius of a start lies no nearer to any
  // other (the radius is half the fewest steps between two), so its fewest
  // steps to a start are to that one: the rooms are the tiles that many
  // steps from the starts they are nearest to.
  if (ok)
    ok = claimfrom(land, starts, n, f->roomradius, f->territory, f->room, &f->contested, &search);
  freesearch(&search);
  free(centre);
  if (ok) judge(f);
  return ok;
}
