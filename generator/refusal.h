// Why trevalk will not make the map a command line asks for: the field the
// refusal concerns, what kind of refusal it is, the numbers it rests on and
// the exact words trevalk prints. The program prints the words; the web page
// shows them beside the field (requestjson.h).
#ifndef TREVALK_REFUSAL_H
#define TREVALK_REFUSAL_H

#include <stdint.h>

#include <string>

// What a refusal concerns: one of the six arguments, one option, or the
// command line as a whole (kFieldNone).
enum RequestField {
  kFieldNone,
  kFieldXSize,
  kFieldYSize,
  kFieldPathWidth,
  kFieldWaterWidth,
  kFieldTileset,
  kFieldOutfile,
  kFieldSeed,
  kFieldSymmetry,
  kFieldLoops,
  kFieldStraight,
  kFieldPlayers,
  kFieldReport,
  kFieldTries,
  kFieldEdits,
  kFieldCount
};

// The names the page's form gives the fields ("" for none).
extern const char *const kFieldNames[kFieldCount];

// The kinds of refusal, in the order a run meets them. Those of the options
// come before the banner, the others once the template has been read.
enum RefusalCode {
  kRefusedUnknownOption,  // an option trevalk does not know
  kRefusedNoValue,        // --name without =value
  kRefusedTwice,          // an option given twice
  kRefusedValue,          // a value the option does not take; numbers: its range
  kRefusedOrbits,         // players that are not whole orbits; numbers: players, order
  kRefusedArgumentCount,  // not six arguments; numbers: how many were given
  kRefusedNotANumber,     // an argument that is not a 32-bit number; numbers: the range
  kRefusedNoPitch,        // the widths add up to 0; numbers: path width, water width
  kRefusedTooLarge,       // sections past 4 GiB; numbers: width, height, largest height, width
  kRefusedOverlap,        // widths that overlap far too often; numbers: draws, tiles
  kRefusedFairSize,       // a size no fair map has; numbers: width, height, nearest sizes
  kRefusedFairWidths,     // widths no fair map has; numbers: path width, water width
  kRefusedNoRoom,         // no room for a maze position; numbers: widths, their largest sum
  kRefusedEdit,           // an edit outside the map or off its maze; numbers: the edit's number
                          // (from 1), the map's width and height
  kRefusalCodeCount
};

// The codes' names, as the page reads them ("not-a-number", ...).
extern const char *const kRefusalCodeNames[kRefusalCodeCount];

// True for the refusals of the options, which trevalk prints before its banner.
inline bool refusedbeforebanner(RefusalCode code) { return code <= kRefusedOrbits; }

struct Refusal {
  RequestField field;
  RefusalCode code;
  int count;  // numbers used
  int64_t numbers[6];
  std::string message;  // the whole text trevalk prints on standard error
};

#endif
