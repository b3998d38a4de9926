// The options that come before trevalk's six arguments, as --name=value:
// the maze's seed, its style (symmetry, loops, straight corridors) and the
// players' start positions with their fairness report.
#ifndef TREVALK_RUNOPTIONS_H
#define TREVALK_RUNOPTIONS_H

#include <stdint.h>

#include <vector>

#include "refusal.h"
#include "symmetrymaps.h"

// The most seeds --tries tries.
constexpr int32_t kMostTries = 4096;

// The most edits (--reroll and --keep together) a run takes.
constexpr size_t kMostEdits = 256;

// An edit of the maze once it is made: the cells whose blocks meet a
// rectangle of tiles re-rolled (--reroll), or all the others (--keep).
struct MapEdit {
  bool keep;
  int64_t x, y, width, height;  // tile column and row, tiles across and down
  uint32_t seed;
  const char *argument;  // as the command line gave it, for the run's words
};

// The names the command line and the report give them.
extern const char *const kSymmetryNames[kSymmetryCount];

struct RunOptions {
  bool given;   // any option was given
  bool seeded;  // --seed
  uint32_t seed;
  Symmetry symmetry;           // --symmetry
  int32_t loops;               // --loops, 0 to 100
  int32_t straight;            // --straight, 0 to 100
  bool playersgiven;           // --players
  int32_t players;             // 1 to 8; without --players 1, or the symmetry's order
  const char *report;          // --report, or null
  int32_t tries;               // --tries, 1 to 4096; 0 without it
  std::vector<MapEdit> edits;  // --reroll and --keep, in the order given
};

// The options at their defaults.
RunOptions defaultoptions();

// True when the maze needs the styled generator of the maze library.
bool styled(const RunOptions &options);

// True when the run places start positions (and prints them): --players,
// --report or --tries asks for them.
bool wantsstarts(const RunOptions &options);

// Reads the options at the front of argv[1..argc-1]: every argument that
// starts with "--" up to the first that does not, or up to "--", which ends
// them and is passed over. Sets *first to the index of the first of the six
// arguments. Appends a refusal, in trevalk's words, for each unknown option,
// value that is not one the option takes and option given twice, and then
// for players that do not make whole orbits of the symmetry; the options
// refused keep their defaults.
void readoptions(int argc, char **argv, RunOptions *options, int *first,
                 std::vector<Refusal> *refusals);

#endif
