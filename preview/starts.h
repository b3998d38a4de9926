// The starts of a fair map, read from the report trevalk writes with
// --report, and the marks that show them in a preview.
#ifndef TREVALK_STARTS_H
#define TREVALK_STARTS_H

#include <stdint.h>

#include "systemerror.h"

constexpr int kMostStarts = 8;

struct Starts {
  int count;
  int64_t tile[kMostStarts][2];  // column and row
};

// Reads the "starts" of a report: a JSON object whose "starts" member is a
// list of [column, row] pairs of whole numbers, at most kMostStarts. Returns
// false with *error filled in when the file cannot be read, or is not such a
// report (error.text says what is wrong with it).
bool readstarts(const char *file, Starts *starts, SystemError *error);

#endif
