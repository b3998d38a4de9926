#include "runoptions.h"

#include <stdio.h>
#include <string.h>

#include "seedtext.h"

const char *const kSymmetryNames[kSymmetryCount] = {"none",       "left-right", "top-bottom",
                                                    "rotate-180", "four-way",   "rotate-90"};

RunOptions defaultoptions() {
  return {false, false, 0, kNoSymmetry, 0, 0, false, 1, nullptr, 0, {}};
}

bool styled(const RunOptions &options) {
  return options.symmetry != kNoSymmetry || options.loops != 0 || options.straight != 0;
}

bool wantsstarts(const RunOptions &options) {
  return options.playersgiven || options.report != nullptr || options.tries > 0;
}

namespace {

// The options, in the order the help lists them.
struct OptionName {
  const char *name;
  RequestField field;
};
constexpr OptionName kOptions[] = {
    {"seed", kFieldSeed},         {"symmetry", kFieldSymmetry}, {"loops", kFieldLoops},
    {"straight", kFieldStraight}, {"players", kFieldPlayers},   {"report", kFieldReport},
    {"tries", kFieldTries},       {"reroll", kFieldEdits},      {"keep", kFieldEdits},
};
constexpr int kOptionCount = sizeof kOptions / sizeof kOptions[0];

// A whole number from `low` to `high`, digits only.
bool parsebetween(const char *text, int32_t low, int32_t high, int32_t *value) {
  uint32_t number;
  if (!parseseedtext(text, &number) || number < uint32_t(low) || number > uint32_t(high))
    return false;
  *value = int32_t(number);
  return true;
}

// "trevalk: ARGUMENT: WHY".
Refusal refusal(RequestField field, RefusalCode code, const char *argument, const char *why) {
  Refusal r = {field, code, 0, {}, "trevalk: "};
  r.message.append(argument).append(": ").append(why).append("\n");
  return r;
}

Refusal outofrange(RequestField field, const char *argument, const char *why, int64_t low,
                   int64_t high) {
  Refusal r = refusal(field, kRefusedValue, argument, why);
  r.count = 2;
  r.numbers[0] = low;
  r.numbers[1] = high;
  return r;
}

// X,Y,W,H:SEED, each a whole number, the seed up to 4294967295.
bool parseedit(const char *value, MapEdit *edit) {
  uint32_t numbers[5];
  const char *at = value;
  for (int k = 0; k < 5; ++k) {
    const char end = k < 3 ? ',' : k == 3 ? ':' : '\0';
    const char *stop = strchr(at, end);
    if (stop == nullptr || stop == at || size_t(stop - at) > 10) return false;
    char digits[11];
    memcpy(digits, at, size_t(stop - at));
    digits[stop - at] = '\0';
    if (!parseseedtext(digits, &numbers[k])) return false;
    at = stop + 1;
  }
  *edit = {false, numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], nullptr};
  return true;
}

// --reroll or --keep (`keep`), which may be given again and again.
bool readedit(const char *argument, const char *value, bool keep, RunOptions *options,
              Refusal *refused) {
  MapEdit edit;
  if (!parseedit(value, &edit)) {
    *refused = refusal(kFieldEdits, kRefusedValue, argument,
                       "an edit is X,Y,W,H:SEED: the tile column and row of a rectangle's top "
                       "left corner, its width and height in tiles, and a seed from 0 to "
                       "4294967295");
    return false;
  }
  if (options->edits.size() == kMostEdits) {
    *refused = refusal(kFieldEdits, kRefusedValue, argument,
                       "at most 256 edits (--reroll and --keep together)");
    return false;
  }
  edit.keep = keep;
  edit.argument = argument;
  options->edits.push_back(edit);
  return true;
}

// Reads one option into `options`; `seen` marks the options read so far.
// Returns false, with the refusal in *refused, when it is not one to take.
bool readoption(const char *argument, RunOptions *options, unsigned *seen, Refusal *refused) {
  const char *equals = strchr(argument, '=');
  if (equals == nullptr) {
    *refused = refusal(kFieldNone, kRefusedNoValue, argument,
                       "an option takes a value: --name=value (see trevalk --help)");
    return false;
  }
  const size_t length = size_t(equals - argument - 2);
  const char *value = equals + 1;
  int which = 0;
  while (which < kOptionCount && !(strlen(kOptions[which].name) == length &&
                                   strncmp(argument + 2, kOptions[which].name, length) == 0))
    ++which;
  if (which == kOptionCount) {
    *refused =
        refusal(kFieldNone, kRefusedUnknownOption, argument, "no such option (see trevalk --help)");
    return false;
  }
  const RequestField field = kOptions[which].field;
  if (field == kFieldEdits)
    return readedit(argument, value, strcmp(kOptions[which].name, "keep") == 0, options, refused);
  if (*seen & (1u << which)) {
    *refused = refusal(field, kRefusedTwice, argument, "the option is given twice");
    return false;
  }
  *seen |= 1u << which;
  switch (field) {
    case kFieldSeed:
      if (!parseseedtext(value, &options->seed)) {
        *refused = outofrange(field, argument, "the seed is a whole number from 0 to 4294967295", 0,
                              UINT32_MAX);
        return false;
      }
      options->seeded = true;
      return true;
    case kFieldSymmetry:
      for (int s = 0; s < kSymmetryCount; ++s)
        if (strcmp(value, kSymmetryNames[s]) == 0) {
          options->symmetry = Symmetry(s);
          return true;
        }
      *refused = refusal(field, kRefusedValue, argument,
                         "the symmetry is none, left-right, top-bottom, rotate-180, four-way or "
                         "rotate-90");
      return false;
    case kFieldLoops:
      if (parsebetween(value, 0, 100, &options->loops)) return true;
      *refused = outofrange(field, argument, "loops are a whole percentage from 0 to 100", 0, 100);
      return false;
    case kFieldStraight:
      if (parsebetween(value, 0, 100, &options->straight)) return true;
      *refused =
          outofrange(field, argument, "straightness is a whole percentage from 0 to 100", 0, 100);
      return false;
    case kFieldPlayers:
      if (!parsebetween(value, 1, 8, &options->players)) {
        *refused = outofrange(field, argument, "players are a whole number from 1 to 8", 1, 8);
        return false;
      }
      options->playersgiven = true;
      return true;
    case kFieldTries:
      if (parsebetween(value, 1, kMostTries, &options->tries)) return true;
      *refused =
          outofrange(field, argument, "the tries are a whole number from 1 to 4096", 1, kMostTries);
      return false;
    default:
      if (*value == '\0') {
        *refused = refusal(field, kRefusedValue, argument, "the report needs a file name");
        return false;
      }
      options->report = value;
      return true;
  }
}

bool refusedfield(const std::vector<Refusal> &refusals, size_t from, RequestField field) {
  for (size_t k = from; k < refusals.size(); ++k)
    if (refusals[k].field == field) return true;
  return false;
}

}  // namespace

void readoptions(int argc, char **argv, RunOptions *options, int *first,
                 std::vector<Refusal> *refusals) {
  *options = defaultoptions();
  const size_t before = refusals->size();
  unsigned seen = 0;
  int i = 1;
  for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
    if (argv[i][2] == '\0') {
      ++i;
      break;
    }
    Refusal refused;
    if (readoption(argv[i], options, &seen, &refused))
      options->given = true;
    else
      refusals->push_back(refused);
  }
  *first = i;
  const int order = symmetryorder(options->symmetry);
  if (!options->playersgiven) {
    // Without --players a symmetric map gets one start per map of its group.
    if (!refusedfield(*refusals, before, kFieldPlayers)) options->players = order;
  } else if (options->players % order != 0 && !refusedfield(*refusals, before, kFieldSymmetry)) {
    char text[160];
    snprintf(text, sizeof text,
             "trevalk: --players=%d: with --symmetry=%s the players come in whole orbits of %d (%s "
             "players)\n",
             options->players, kSymmetryNames[options->symmetry], order,
             order == 2 ? "2, 4, 6 or 8" : "4 or 8");
    refusals->push_back({kFieldPlayers, kRefusedOrbits, 2, {options->players, order}, text});
  }
}
