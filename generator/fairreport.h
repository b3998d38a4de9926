// The fairness report of a fair map: its summary after the maze's picture,
// and the JSON file --report writes.
#ifndef TREVALK_FAIRREPORT_H
#define TREVALK_FAIRREPORT_H

#include <stdint.h>
#include <stdio.h>

#include "fairness.h"
#include "runoptions.h"

// What the report says of the run besides the measures.
struct ReportedRun {
  uint32_t seed;
  int32_t arguments[5];  // xsize ysize pathwidth waterwidth tileset, as given
  Symmetry symmetry;
  int32_t loops, straight;
};

// Prints the starts, their distances and the fairness on `out`.
void printfairness(FILE *out, const Fairness &fairness);

// Writes the report to `file` as one JSON object, as the map is written:
// whole or not at all. Returns false, having reported why on standard
// error, when it cannot.
bool writefairreport(const char *file, const ReportedRun &run, const Fairness &fairness);

#endif
