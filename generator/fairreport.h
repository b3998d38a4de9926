// The fairness report of a fair map: its summary after the maze's picture,
// its verdict in a player's words, and the JSON file --report writes.
#ifndef TREVALK_FAIRREPORT_H
#define TREVALK_FAIRREPORT_H

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "fairness.h"
#include "runoptions.h"

// A seed tried by --tries, and its map's fairness.
struct TriedSeed {
  uint32_t seed;
  double fairness;
};

constexpr int kBestTries = 5;

// What the report says of the run besides the measures.
struct ReportedRun {
  uint32_t seed;
  int32_t arguments[5];  // xsize ysize pathwidth waterwidth tileset, as given
  Symmetry symmetry;
  int32_t loops, straight;
  // --tries: the first seed, how many were tried, and the best of them,
  // fairest first (count 0 without --tries).
  uint32_t from, tries;
  int bestcount;
  TriedSeed best[kBestTries];
  const std::vector<MapEdit> *edits;  // --reroll and --keep, in order (null for none)
};

// The verdict in a player's words: "Even: every measure within 10 %." when
// the fairness is 0.9 or more, otherwise the worst measure, its players and
// how far apart they are ("Uneven: player 2 is 2.2 times farther from the
// centre than player 1.").
std::string verdicttext(const Fairness &fairness);

// True when the map is even: its fairness is 0.9 or more.
inline bool even(const Fairness &fairness) { return fairness.fairness >= 0.9; }

// The note for starts that could not be kept apart: "" when they were.
std::string apartnote(const Fairness &fairness);

// Prints the starts, their measures, the steps between them, the fairness
// and the verdict on `out`.
void printfairness(FILE *out, const Fairness &fairness);

// Prints the best seeds a search found, fairest first.
void printsearch(FILE *out, const ReportedRun &run);

// The report as JSON text: one object, a member a line.
std::string reporttext(const ReportedRun &run, const Fairness &fairness);

#endif
