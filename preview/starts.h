// The starts of a fair map, read from the report trevalk writes with
// --report, and the marks that show them in a preview.
#ifndef TREVALK_STARTS_H
#define TREVALK_STARTS_H

#include <stddef.h>
#include <stdint.h>

#include "systemerror.h"

constexpr int kMostStarts = 8;

struct Starts {
  int count;
  int64_t tile[kMostStarts][2];  // column and row
  // The map's size the report's "arguments" name (their first two numbers'
  // low 16 bits), when it has them.
  bool sized;
  uint32_t width, height;
};

// Reads the starts of a report from its text: a JSON object, whole and
// nothing after it, with no key twice in any object, whose own "starts"
// member is a list of [column, row] pairs of whole numbers, at most
// kMostStarts, and whose own "arguments" member, when it has one, is a list
// of at least two whole numbers. Returns false with *why (a static text)
// saying what is wrong when the text is not such a report.
bool parsestarts(const char *text, size_t length, Starts *starts, const char **why);

// Reads the starts of the report `file`. Returns false with *error filled
// in when the file cannot be read, or is not such a report (error.text says
// what is wrong with it).
bool readstarts(const char *file, Starts *starts, SystemError *error);

#endif
