#include "runoptions.h"

#include <string.h>

#include "report.h"
#include "seedtext.h"

const char *const kSymmetryNames[kSymmetryCount] = {"none",       "left-right", "top-bottom",
                                                    "rotate-180", "four-way",   "rotate-90"};

RunOptions defaultoptions() { return {false, false, 0, kNoSymmetry, 0, 0, false, 1, nullptr}; }

bool styled(const RunOptions &options) {
  return options.symmetry != kNoSymmetry || options.loops != 0 || options.straight != 0;
}

bool placesstarts(const RunOptions &options) {
  return options.playersgiven || options.report != nullptr;
}

namespace {

// A whole number from `low` to `high`, digits only.
bool parsebetween(const char *text, int32_t low, int32_t high, int32_t *value) {
  uint32_t number;
  if (!parseseedtext(text, &number) || number < uint32_t(low) || number > uint32_t(high))
    return false;
  *value = int32_t(number);
  return true;
}

bool refuse(const char *argument, const char *why) {
  errormessage("trevalk: %s: %s\n", argument, why);
  return false;
}

// Reads one option; `seen` marks the options read so far.
bool readoption(const char *argument, RunOptions *options, unsigned *seen) {
  static const char *const kNames[] = {"seed",     "symmetry", "loops",
                                       "straight", "players",  "report"};
  const char *equals = strchr(argument, '=');
  if (equals == nullptr)
    return refuse(argument, "an option takes a value: --name=value (see trevalk --help)");
  const size_t length = size_t(equals - argument - 2);
  const char *value = equals + 1;
  unsigned which = 0;
  while (which < 6 &&
         !(strlen(kNames[which]) == length && strncmp(argument + 2, kNames[which], length) == 0))
    ++which;
  if (which == 6) return refuse(argument, "no such option (see trevalk --help)");
  if (*seen & (1u << which)) return refuse(argument, "the option is given twice");
  *seen |= 1u << which;
  switch (which) {
    case 0:
      if (!parseseedtext(value, &options->seed))
        return refuse(argument, "the seed is a whole number from 0 to 4294967295");
      options->seeded = true;
      return true;
    case 1:
      for (int s = 0; s < kSymmetryCount; ++s)
        if (strcmp(value, kSymmetryNames[s]) == 0) {
          options->symmetry = Symmetry(s);
          return true;
        }
      return refuse(argument,
                    "the symmetry is none, left-right, top-bottom, rotate-180, four-way or "
                    "rotate-90");
    case 2:
      if (!parsebetween(value, 0, 100, &options->loops))
        return refuse(argument, "loops are a whole percentage from 0 to 100");
      return true;
    case 3:
      if (!parsebetween(value, 0, 100, &options->straight))
        return refuse(argument, "straightness is a whole percentage from 0 to 100");
      return true;
    case 4:
      if (!parsebetween(value, 1, 8, &options->players))
        return refuse(argument, "players are a whole number from 1 to 8");
      options->playersgiven = true;
      return true;
    default:
      if (*value == '\0') return refuse(argument, "the report needs a file name");
      options->report = value;
      return true;
  }
}

}  // namespace

bool parseoptions(int argc, char **argv, RunOptions *options, int *first) {
  *options = defaultoptions();
  unsigned seen = 0;
  int i = 1;
  for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
    if (argv[i][2] == '\0') {
      ++i;
      break;
    }
    if (!readoption(argv[i], options, &seen)) return false;
    options->given = true;
  }
  *first = i;
  const int order = symmetryorder(options->symmetry);
  if (!options->playersgiven) {
    // Without --players a symmetric map gets one start per map of its group.
    options->players = order;
  } else if (options->players % order != 0) {
    errormessage(
        "trevalk: --players=%d: with --symmetry=%s the players come in whole orbits of %d (%s "
        "players)\n",
        options->players, kSymmetryNames[options->symmetry], order,
        order == 2 ? "2, 4, 6 or 8" : "4 or 8");
    return false;
  }
  return true;
}
