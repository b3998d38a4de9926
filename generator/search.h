// --tries: the maps of seeds from, from + 1, ... laid and measured side by
// side on every processor, each as a run with that seed lays and measures
// it, and the fairest of them.
#ifndef TREVALK_SEARCH_H
#define TREVALK_SEARCH_H

#include <stdint.h>

#include "fairreport.h"
#include "request.h"

enum SearchResult {
  kSearchDone,      // every seed was tried
  kSearchNoMemory,  // memory ran out
  kSearchNoMaze     // the maze library made no maze of these sizes for a seed
};

// Tries run->tries seeds from run->from for the map `request` asks for, and
// fills run->best (run->bestcount of them, at most kBestTries): the fairest
// first, among equals the first tried. The maze library must be bound and
// make seeded styled mazes (seededmazes).
SearchResult searchseeds(const Request &request, ReportedRun *run);

// True when the bound maze library makes a maze from a seed it is given,
// which a search of several threads needs.
bool seededmazes();

#endif
