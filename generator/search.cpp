#include "search.h"

#include <stdlib.h>

#include <atomic>

#include "binding.h"
#include "fairness.h"
#include "layout.h"
#include "parallel.h"
#include "terrain.h"

namespace {

struct Searching {
  const Request *request;
  uint32_t from, tries;
  std::atomic<uint32_t> next;
  std::atomic<int> failed;  // a SearchResult other than kSearchDone, or 0
  double *fairness;         // of each seed tried
};

// Lays and measures the maps of seeds, one after the other, until none is
// left; each thread with its own tiles, picture and random source.
void trysome(void *context, unsigned) {
  Searching &s = *static_cast<Searching *>(context);
  const Request &r = *s.request;
  const RunOptions &options = r.options;
  const MazeLayout layout = layoutof(r);
  const uint64_t bits = uint64_t(layout.columns) * uint64_t(layout.rows);
  const size_t picturebytes = size_t(bits / 8 + 1);
  uint8_t *tiles = static_cast<uint8_t *>(malloc(size_t(r.width) * r.height * 2 + 2));
  uint8_t *picture = static_cast<uint8_t *>(malloc(picturebytes));
  if (tiles == nullptr || picture == nullptr) s.failed = kSearchNoMemory;
  while (s.failed == 0) {
    const uint32_t i = s.next++;
    if (i >= s.tries) break;
    QndStyle style = {
        sizeof(QndStyle), int32_t(options.symmetry), options.loops, options.straight, 1,
        s.from + i};
    RandomSource random = {1};
    for (size_t b = 0; b < picturebytes; ++b) picture[b] = 0;
    const TerrainStyle terrain = {
        layout, &style, picture, &random, true, r.mazeedits.data(), r.mazeedits.size()};
    if (layterrain(int32_t(r.width), int32_t(r.height), r.pathwidth, r.waterwidth, r.tileset, tiles,
                   &terrain) != kTerrainLaid) {
      s.failed = kSearchNoMaze;
      break;
    }
    Fairness f;
    const MazePicture maze = {layout.columns, layout.rows, picture};
    switch (measurefairness(tiles, r.width, r.height, layout, r.pathwidth, maze, options.symmetry,
                            options.players, &f)) {
      case kFairnessMeasured:
        s.fairness[i] = f.fairness;
        break;
      case kFairnessNoMemory:
        s.failed = kSearchNoMemory;
        break;
      case kFairnessNoRoom:
        // No place for the starts: the least fair of all.
        s.fairness[i] = -1;
        break;
    }
  }
  free(tiles);
  free(picture);
}

}  // namespace

bool seededmazes() {
  if (qndcreatestyledref == nullptr) return false;
  const QndStyle style = {sizeof(QndStyle), 0, 0, 0, 1, 1};
  MazeHandle *maze = qndcreatestyledref(1, 1, 1, &style);
  if (maze == nullptr) return false;
  qnddestroyref(maze);
  return true;
}

SearchResult searchseeds(const Request &request, ReportedRun *run) {
  Searching s;
  s.request = &request;
  s.from = run->from;
  s.tries = run->tries;
  s.next = 0;
  s.failed = 0;
  s.fairness = static_cast<double *>(malloc(run->tries * sizeof(double)));
  if (s.fairness == nullptr) return kSearchNoMemory;
  const unsigned cores = processorcount();
  runtogether(cores < run->tries ? cores : run->tries, trysome, &s);
  const SearchResult result = s.failed == 0 ? kSearchDone : SearchResult(int(s.failed));
  // The fairest few, among equals the first tried.
  run->bestcount = 0;
  for (uint32_t i = 0; i < run->tries && result == kSearchDone; ++i) {
    int at = run->bestcount;
    while (at > 0 && s.fairness[i] > run->best[at - 1].fairness) --at;
    if (at >= kBestTries) continue;
    const int kept = run->bestcount < kBestTries ? run->bestcount + 1 : kBestTries;
    for (int k = kept - 1; k > at; --k) run->best[k] = run->best[k - 1];
    run->best[at] = {s.from + i, s.fairness[i]};
    run->bestcount = kept;
  }
  free(s.fairness);
  return result;
}
