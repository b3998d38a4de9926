#include "placegrid.h"

#include <stdlib.h>
#include <string.h>

#include "littleendian.h"
#include "tilegroups.h"

PlaceGrid mazeplaces(int64_t columns, int64_t rows, const uint8_t *bits) {
  return {columns, rows, columns + 2, bits, nullptr};
}

PlaceGrid landplaces(const uint8_t *tiles, uint32_t width, uint32_t height) {
  return {width, height, int64_t(width) + 2, nullptr, tiles};
}

bool isopenplace(const PlaceGrid &g, int64_t x, int64_t y) {
  const uint64_t i = uint64_t(y) * uint64_t(g.columns) + uint64_t(x);
  if (g.bits != nullptr) return (g.bits[i >> 3] >> (i & 7)) & 1;
  return ispathtile(uint16_t(readle16(g.tiles + 2 * i)));
}

void freesearch(Search *search) {
  free(search->front);
  free(search->next);
  free(search->blank);
  free(search->marks);
  free(search->blankmarks);
  *search = {};
}

namespace {

// The distance of an open place a search has not reached (yet), and of a
// closed one or the border.
constexpr uint32_t kOpen = kUnreached;
constexpr uint32_t kClosed = kUnreached + 1;

// Sets every open place's distance to kOpen, every other's to kClosed: a
// copy of the grid's blank distances, made once.
bool fillplaces(const PlaceGrid &g, uint32_t *distance, Search *s) {
  const uint64_t count = placecount(g);
  const uint8_t *of = g.bits != nullptr ? g.bits : g.tiles;
  if (s->blankof != of || s->blank == nullptr) {
    uint32_t *blank = static_cast<uint32_t *>(realloc(s->blank, count * sizeof *blank));
    if (blank == nullptr) return false;
    s->blank = blank;
    s->blankof = of;
    for (int64_t p = 0; p < g.stride; ++p) blank[p] = blank[count - 1 - p] = kClosed;
    for (int64_t y = 0; y < g.rows; ++y) {
      uint32_t *row = blank + placeat(g, 0, y);
      row[-1] = row[g.columns] = kClosed;
      if (g.tiles != nullptr) {
        const uint8_t *tile = g.tiles + 2 * uint64_t(y) * uint64_t(g.columns);
        for (int64_t x = 0; x < g.columns; ++x)
          row[x] = ispathtile(uint16_t(readle16(tile + 2 * x))) ? kOpen : kClosed;
      } else {
        for (int64_t x = 0; x < g.columns; ++x) row[x] = isopenplace(g, x, y) ? kOpen : kClosed;
      }
    }
  }
  memcpy(distance, s->blank, count * sizeof *distance);
  return true;
}

// Room in both fronts for `wanted` places.
bool room(Search *s, size_t wanted) {
  if (wanted <= s->capacity) return true;
  const size_t larger = wanted > 2 * s->capacity ? wanted : 2 * s->capacity;
  uint32_t *a = static_cast<uint32_t *>(realloc(s->front, larger * sizeof *a));
  if (a == nullptr) return false;
  s->front = a;
  uint32_t *b = static_cast<uint32_t *>(realloc(s->next, larger * sizeof *b));
  if (b == nullptr) return false;
  s->next = b;
  s->capacity = larger;
  return true;
}

// A search level by level from the sources, calling arrive(place, from,
// level) for every place as it is first reached (from: the place it was
// reached from) and again(place, from) when it is reached once more at the
// same level; a source is neither. Ends once done() says so after a level.
template <typename Arrive, typename Again, typename Done>
bool levelsearch(const PlaceGrid &g, const uint32_t *sources, size_t nsources, uint32_t *distance,
                 Search *s, Arrive arrive, Again again, Done done) {
  if (!fillplaces(g, distance, s) || !room(s, nsources > 4096 ? nsources : 4096)) return false;
  size_t fronts = 0;
  for (size_t k = 0; k < nsources; ++k) {
    const uint32_t place = sources[k];
    if (distance[place] != kOpen) continue;
    distance[place] = 0;
    s->front[fronts++] = place;
  }
  const int64_t around[4] = {1, -1, g.stride, -g.stride};
  for (uint32_t level = 1; fronts > 0 && !done(); ++level) {
    if (!room(s, 4 * fronts)) return false;
    size_t nexts = 0;
    for (size_t k = 0; k < fronts; ++k) {
      const uint32_t from = s->front[k];
      for (int64_t step : around) {
        const uint32_t place = uint32_t(int64_t(from) + step);
        const uint32_t d = distance[place];
        if (d == kOpen) {
          distance[place] = level;
          s->next[nexts++] = place;
          arrive(place, from);
        } else if (d == level) {
          again(place, from);
        }
      }
    }
    uint32_t *swap = s->front;
    s->front = s->next;
    s->next = swap;
    fronts = nexts;
  }
  return true;
}

}  // namespace

bool searchfrom(const PlaceGrid &g, const uint32_t *sources, size_t nsources, uint32_t *distance,
                Search *search, const uint32_t *targets, size_t ntargets) {
  if (targets == nullptr)
    return levelsearch(
        g, sources, nsources, distance, search, [](uint32_t, uint32_t) {},
        [](uint32_t, uint32_t) {}, [] { return false; });
  // The targets still unreached after each level: few, and looked at once a level.
  return levelsearch(
      g, sources, nsources, distance, search, [](uint32_t, uint32_t) {}, [](uint32_t, uint32_t) {},
      [&] {
        for (size_t t = 0; t < ntargets; ++t)
          if (distance[targets[t]] >= kUnreached) return false;
        return true;
      });
}

namespace {

// The marks of the searches that keep no distances; a target is an open
// place the search is to tell of.
enum : uint8_t { kMarkOpen, kMarkReached, kMarkClosed, kMarkTarget };

// Sets s->marks to kMarkOpen for every open place, kMarkClosed for every
// other: a copy of the grid's blank marks, made once.
bool fillmarks(const PlaceGrid &g, Search *s) {
  const uint64_t count = placecount(g);
  const uint8_t *of = g.bits != nullptr ? g.bits : g.tiles;
  if (s->marksof != of || s->blankmarks == nullptr) {
    uint8_t *blank = static_cast<uint8_t *>(realloc(s->blankmarks, count));
    uint8_t *marks = blank != nullptr ? static_cast<uint8_t *>(realloc(s->marks, count)) : nullptr;
    if (blank != nullptr) s->blankmarks = blank;
    if (marks == nullptr) return false;
    s->marks = marks;
    s->marksof = of;
    memset(blank, kMarkClosed, count);
    for (int64_t y = 0; y < g.rows; ++y)
      for (int64_t x = 0; x < g.columns; ++x)
        if (isopenplace(g, x, y)) blank[placeat(g, x, y)] = kMarkOpen;
  }
  memcpy(s->marks, s->blankmarks, count);
  return true;
}

// A search level by level that marks the places it reaches, calling
// visit(level, front, count) with each level's places (the sources are level
// 0) and arrive(place, from, target) for each place as it is first reached
// (target: it was marked kMarkTarget), and again(place, from) when it is
// reached once more at the same level. Ends once visit returns true. The
// marks must have been filled (fillmarks).
template <typename Visit, typename Arrive, typename Again>
bool marksearch(const PlaceGrid &g, const uint32_t *sources, size_t nsources, Search *s,
                Visit visit, Arrive arrive, Again again) {
  if (!room(s, nsources > 4096 ? nsources : 4096)) return false;
  uint8_t *marks = s->marks;
  size_t fronts = 0;
  for (size_t k = 0; k < nsources; ++k) {
    const uint8_t mark = marks[sources[k]];
    if (mark != kMarkOpen && mark != kMarkTarget) continue;
    marks[sources[k]] = kMarkReached;
    s->front[fronts++] = sources[k];
    arrive(sources[k], sources[k], mark == kMarkTarget);
  }
  // A place of the next level is marked reached; one of this level or an
  // earlier one done, so that it is told apart from the next level's.
  const int64_t around[4] = {1, -1, g.stride, -g.stride};
  for (uint32_t level = 0; fronts > 0; ++level) {
    if (visit(level, s->front, fronts)) break;
    if (!room(s, 4 * fronts)) return false;
    for (size_t k = 0; k < fronts; ++k) marks[s->front[k]] = kMarkClosed;
    size_t nexts = 0;
    for (size_t k = 0; k < fronts; ++k) {
      const uint32_t from = s->front[k];
      for (int64_t step : around) {
        const uint32_t place = uint32_t(int64_t(from) + step);
        const uint8_t mark = marks[place];
        if (mark == kMarkOpen || mark == kMarkTarget) {
          marks[place] = kMarkReached;
          s->next[nexts++] = place;
          arrive(place, from, mark == kMarkTarget);
        } else if (mark == kMarkReached) {
          again(place, from);
        }
      }
    }
    uint32_t *swap = s->front;
    s->front = s->next;
    s->next = swap;
    fronts = nexts;
  }
  return true;
}

}  // namespace

bool stepsto(const PlaceGrid &g, const uint32_t *sources, size_t nsources, const uint32_t *targets,
             size_t ntargets, uint32_t *found, Search *search) {
  if (!fillmarks(g, search)) return false;
  size_t waiting = 0;
  for (size_t t = 0; t < ntargets; ++t) {
    found[t] = kUnreached;
    if (search->marks[targets[t]] == kMarkOpen) search->marks[targets[t]] = kMarkTarget, ++waiting;
  }
  uint32_t depth = 0;
  return marksearch(
      g, sources, nsources, search,
      [&](uint32_t level, const uint32_t *, size_t) {
        depth = level;
        return waiting == 0;
      },
      [&](uint32_t place, uint32_t from, bool target) {
        if (!target) return;
        // A target reached from a source is one level deeper than it, one
        // that is a source itself at 0; targets are few.
        for (size_t t = 0; t < ntargets; ++t)
          if (targets[t] == place && found[t] == kUnreached)
            found[t] = place == from ? 0 : depth + 1, --waiting;
      },
      [](uint32_t, uint32_t) {});
}

bool claimfrom(const PlaceGrid &g, const uint32_t *sources, int nsources, uint64_t radius,
               uint64_t *territory, uint64_t *room, uint64_t *contested, Search *search) {
  const uint64_t count = placecount(g);
  uint8_t *owner = static_cast<uint8_t *>(calloc(count, 1));
  if (owner == nullptr) return false;
  for (int k = 0; k < nsources; ++k) {
    owner[sources[k]] |= uint8_t(1u << k);
    territory[k] = room[k] = 0;
  }
  *contested = 0;
  // A place reached at the same level from places of several owners is
  // theirs together; its owners are final once its level is visited.
  const bool ok = fillmarks(g, search) &&
                  marksearch(
                      g, sources, size_t(nsources), search,
                      [&](uint32_t level, const uint32_t *front, size_t n) {
                        for (size_t k = 0; k < n; ++k) {
                          const uint8_t o = owner[front[k]];
                          for (int p = 0; p < nsources && level <= radius; ++p)
                            if (o & (1u << p)) room[p]++;
                          if ((o & (o - 1)) != 0) {
                            ++*contested;
                          } else {
                            int p = 0;
                            while (!(o & (1u << p))) ++p;
                            territory[p]++;
                          }
                        }
                        return false;
                      },
                      [&](uint32_t place, uint32_t from, bool) {
                        if (place != from) owner[place] = owner[from];
                      },
                      [&](uint32_t place, uint32_t from) { owner[place] |= owner[from]; });
  free(owner);
  return ok;
}

bool centretiles(const PlaceGrid &land, uint32_t width, uint32_t height, uint32_t **places,
                 size_t *count) {
  *places = nullptr;
  *count = 0;
  size_t capacity = 0;
  for (int64_t reach = 8;; reach *= 2) {
    const int64_t x0 = width / 2 - reach > 0 ? width / 2 - reach : 0;
    const int64_t y0 = height / 2 - reach > 0 ? height / 2 - reach : 0;
    const int64_t x1 = width / 2 + reach < width ? width / 2 + reach : width;
    const int64_t y1 = height / 2 + reach < height ? height / 2 + reach : height;
    uint64_t nearest = UINT64_MAX;
    *count = 0;
    for (int64_t y = y0; y < y1; ++y)
      for (int64_t x = x0; x < x1; ++x) {
        if (!isopenplace(land, x, y)) continue;
        const int64_t dx = 2 * x + 1 - width, dy = 2 * y + 1 - height;
        const uint64_t d = uint64_t(dx * dx + dy * dy);
        if (d < nearest) nearest = d, *count = 0;
        if (d != nearest) continue;
        if (*count == capacity) {
          capacity = capacity ? 2 * capacity : 64;
          uint32_t *more = static_cast<uint32_t *>(realloc(*places, capacity * sizeof *more));
          if (more == nullptr) return false;
          *places = more;
        }
        (*places)[(*count)++] = placeat(land, x, y);
      }
    const bool whole = x0 == 0 && y0 == 0 && x1 == width && y1 == height;
    // In half tiles, the circle of radius 2 * (reach - 1) lies in the square.
    const uint64_t inside = uint64_t(2 * (reach - 1)) * uint64_t(2 * (reach - 1));
    if (whole || nearest <= inside) return true;
  }
}
