#include "request.h"

#include <inttypes.h>
#include <stdio.h>

#include <new>

#include "layout.h"
#include "maplimits.h"

const char *const kFieldNames[kFieldCount] = {
    "",         "xsize", "ysize",    "pathwidth", "waterwidth", "tileset", "outfile", "seed",
    "symmetry", "loops", "straight", "players",   "report",     "tries",   "edits"};

const char *const kRefusalCodeNames[kRefusalCodeCount] = {
    "unknown-option", "no-value",     "given-twice", "bad-value", "orbits",
    "argument-count", "not-a-number", "no-pitch",    "too-large", "overlap",
    "fair-size",      "fair-widths",  "no-room",     "edit"};

namespace {

// The printf-style text of a refusal.
template <typename... Numbers>
std::string format(const char *form, Numbers... numbers) {
  const int length = snprintf(nullptr, 0, form, numbers...);
  std::string text(size_t(length), '\0');
  snprintf(&text[0], size_t(length) + 1, form, numbers...);
  return text;
}

std::string usage() { return format("USAGE: trevalk %s\n", argumentsynopsis(true)); }

void refuse(RequestCheck *check, RequestField field, RefusalCode code,
            std::initializer_list<int64_t> numbers, std::string message) {
  Refusal r = {field, code, 0, {}, std::move(message)};
  for (int64_t n : numbers) r.numbers[r.count++] = n;
  check->refusals.push_back(std::move(r));
}

// A fair map (a symmetric one, or one with starts) needs a size and widths
// that make its land one connected maze; says which sizes do when it has
// not.
void checkfairsize(RequestCheck *check) {
  const Request &r = check->request;
  const RunOptions &options = r.options;
  if (options.symmetry == kNoSymmetry && !wantsstarts(options)) return;
  const bool quarter = options.symmetry == kRotate90;
  const uint32_t w = r.width, h = r.height;
  const bool symmetric = options.symmetry != kNoSymmetry;
  const RequestField field = symmetric ? kFieldSymmetry : kFieldPlayers;
  const char *what = symmetric ? "a symmetric map" : "a map with starts";
  switch (fairfit(w, h, r.pathwidth, r.waterwidth, quarter)) {
    case kFairFits: {
      // A symmetric maze is fitted to the map; any other keeps the plain
      // layout, which may have no room for a single position.
      const MazeLayout plain = mazelayout(w, h, r.pathwidth, r.waterwidth);
      if (symmetric || (plain.columns > 0 && plain.rows > 0)) return;
      const uint32_t most = 2 * (w < h ? w : h);
      refuse(check, field, kRefusedNoRoom, {r.pathwidth, r.waterwidth, most},
             format("A path width of %d and a water width of %d leave no room for a maze on a "
                    "%" PRIu32 "x%" PRIu32 " map: together they may be at most %" PRIu32
                    " tiles, twice its smaller side.\n",
                    int(r.pathwidth), int(r.waterwidth), w, h, most));
      return;
    }
    case kFairSizeRefused: {
      uint32_t sizes[2][2];
      int count;
      nearestfairsizes(w, h, quarter, sizes, &count);
      std::string message =
          format("A map of %" PRIu32 "x%" PRIu32
                 " tiles cannot be %s: it needs an even width and height of at least %" PRIu32
                 " tiles%s. The nearest size%s that work%s: %" PRIu32 "x%" PRIu32,
                 w, h, what, kFairSide, quarter ? ", and the same for both (rotate-90)" : "",
                 count > 1 ? "s" : "", count > 1 ? "" : "s", sizes[0][0], sizes[0][1]);
      if (count > 1) message += format(" and %" PRIu32 "x%" PRIu32, sizes[1][0], sizes[1][1]);
      message += ".\n";
      if (count > 1)
        refuse(check, field, kRefusedFairSize,
               {w, h, sizes[0][0], sizes[0][1], sizes[1][0], sizes[1][1]}, message);
      else
        refuse(check, field, kRefusedFairSize, {w, h, sizes[0][0], sizes[0][1]}, message);
      return;
    }
    case kFairWidthsRefused:
      refuse(check, field, kRefusedFairWidths, {r.pathwidth, r.waterwidth},
             format("A path width of %d and a water width of %d (rounded to even numbers) cannot "
                    "make %s: its paths must be wider than the water between them, and the water "
                    "at least 2 tiles wide (for instance a path width of 4 and a water width of "
                    "2).\n",
                    int(r.pathwidth), int(r.waterwidth), what));
      return;
  }
}

// Each edit's rectangle must lie on the map and meet a cell of its maze.
void checkedits(RequestCheck *check) {
  Request &r = check->request;
  const MazeLayout layout = layoutof(r);
  const int64_t w = r.width, h = r.height;
  int number = 0;
  for (const MapEdit &e : r.options.edits) {
    ++number;
    MazeEdit edit = {0, 0, 0, 0, e.keep, e.seed};
    if (e.width < 1 || e.height < 1 || e.x + e.width > w || e.y + e.height > h)
      refuse(check, kFieldEdits, kRefusedEdit, {number, w, h},
             format("trevalk: %s: the rectangle must lie on the %" PRId64 "x%" PRId64
                    " map (columns 0 to %" PRId64 ", rows 0 to %" PRId64
                    "), at least 1 tile across and down.\n",
                    e.argument, w, h, w - 1, h - 1));
    else if (!cellsmeeting(layout, e.x, e.y, e.width, e.height, &edit))
      refuse(check, kFieldEdits, kRefusedEdit, {number, w, h},
             format("trevalk: %s: no cell of the maze lies under the rectangle on the %" PRId64
                    "x%" PRId64 " map.\n",
                    e.argument, w, h));
    else
      r.mazeedits.push_back(edit);
  }
}

// Why each symmetry cannot be chosen for a map of these numbers: its size,
// or else its widths. The players are no reason: choosing a symmetry sets
// them to its order when they are not whole orbits of it.
void choosesymmetries(Request *r, bool sized) {
  for (int s = 0; s < kSymmetryCount && sized; ++s) {
    const Symmetry symmetry = Symmetry(s);
    std::string &why = r->symmetrywhy[s];
    if (symmetry == kNoSymmetry) continue;
    const FairFit fit =
        fairfit(r->width, r->height, r->pathwidth, r->waterwidth, symmetry == kRotate90);
    if (fit == kFairSizeRefused && symmetry == kRotate90)
      why = fairfit(r->width, r->height, r->pathwidth, r->waterwidth, false) == kFairSizeRefused
                ? format("needs a square map, of an even side of at least %" PRIu32 " tiles",
                         kFairSide)
                : "needs a square map";
    else if (fit == kFairSizeRefused)
      why = format("needs an even width and height of at least %" PRIu32 " tiles", kFairSide);
    else if (fit == kFairWidthsRefused)
      why = "needs a path wider than the water, and water at least 2 tiles wide";
  }
}

void check(int argc, char **argv, RequestCheck *found) {
  RequestCheck &check = *found;
  Request &r = check.request;
  readoptions(argc, argv, &r.options, &r.first, &check.refusals);
  if (argc - r.first != kArgumentCount) {
    refuse(&check, kFieldNone, kRefusedArgumentCount, {argc - r.first}, usage());
    choosesymmetries(&r, false);
    return;
  }
  char **arguments = argv + r.first;
  r.outfile = arguments[kOutfile];
  r.numbers = true;
  for (int i = 0; i < kOutfile; ++i) {
    r.read[i] = parsedecimal(arguments[i], &r.values[i]);
    if (r.read[i]) continue;
    refuse(&check, RequestField(kFieldXSize + i), kRefusedNotANumber, {INT32_MIN, INT32_MAX},
           usage());
    r.numbers = false;
  }
  if (!r.numbers) {
    choosesymmetries(&r, false);
    return;
  }
  r.width = uint32_t(r.values[kXSize]) & 0xFFFF;
  r.height = uint32_t(r.values[kYSize]) & 0xFFFF;
  r.pathwidth = roundtoeven(r.values[kPathWidth]);
  r.waterwidth = roundtoeven(r.values[kWaterWidth]);
  r.tileset = r.values[kTileset];

  const uint32_t w = r.width, h = r.height;
  const bool pitch = int64_t(r.pathwidth) + r.waterwidth != 0;
  if (!pitch)
    refuse(
        &check, kFieldPathWidth, kRefusedNoPitch, {r.pathwidth, r.waterwidth},
        "The path width and the water width add up to 0 once rounded to even numbers.\n" + usage());
  const bool fits = mapfits(w, h);
  if (!fits)
    refuse(&check, kFieldYSize, kRefusedTooLarge, {w, h, largestheight(w), largestwidth(h)},
           format("A map of %" PRIu32 "x%" PRIu32
                  " tiles is too large for its sections: with a width of %" PRIu32
                  " the height may be at most %" PRIu32 ", with a height of %" PRIu32
                  " the width at most %" PRIu32 ".\n",
                  w, h, w, largestheight(w), h, largestwidth(h)));
  if (pitch && fits) {
    const uint64_t draws = paintingdraws(w, h, r.pathwidth, r.waterwidth);
    if (draws > paintinglimit(w, h))
      refuse(&check, kFieldPathWidth, kRefusedOverlap,
             {draws > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(draws), int64_t(w) * h},
             format("The path width and the water width overlap too far: painting the maze could "
                    "take %" PRIu64 " draws for %" PRIu64 " tiles.\n",
                    draws, uint64_t(w) * h) +
                 usage());
    else
      checkfairsize(&check);
  }
  if (pitch && fits && check.refusals.empty()) checkedits(&check);
  choosesymmetries(&r, pitch && fits);
}

}  // namespace

MazeLayout layoutof(const Request &r) {
  return r.options.symmetry != kNoSymmetry
             ? fairlayout(r.width, r.height, r.pathwidth, r.waterwidth, r.options.symmetry)
             : mazelayout(r.width, r.height, r.pathwidth, r.waterwidth);
}

RequestCheck checkrequest(int argc, char **argv) noexcept {
  RequestCheck found;
  found.outofmemory = false;
  found.request = {};
  // The words of a refusal and the list of them are the only memory the
  // check takes.
  try {
    check(argc, argv, &found);
  } catch (const std::bad_alloc &) {
    found.outofmemory = true;
    found.refusals.clear();
  }
  return found;
}
