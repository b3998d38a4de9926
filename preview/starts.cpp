// A reader for the one member of the report that the preview needs, strict
// enough that a file that is not a report says so rather than draws marks
// from whatever numbers it holds.
#include "starts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "files.h"

namespace {

// Reports are small; a file much larger is not one.
constexpr size_t kLargestReport = size_t(1) << 20;

const char *skipblanks(const char *c) {
  while (*c == ' ' || *c == '\t' || *c == '\n' || *c == '\r') ++c;
  return c;
}

// Reads a whole number (with a sign) at *c; false when there is none or it
// is too large to be a tile of any map.
bool readnumber(const char **c, int64_t *value) {
  const char *at = skipblanks(*c);
  const bool negative = *at == '-';
  if (negative) ++at;
  if (*at < '0' || *at > '9') return false;
  int64_t n = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    n = n * 10 + (*at - '0');
    if (n > 1000000) return false;
  }
  *value = negative ? -n : n;
  *c = at;
  return true;
}

bool expect(const char **c, char wanted) {
  const char *at = skipblanks(*c);
  if (*at != wanted) return false;
  *c = at + 1;
  return true;
}

bool parsestarts(const char *text, Starts *starts) {
  const char *c = strstr(text, "\"starts\"");
  if (c == nullptr) return false;
  c += strlen("\"starts\"");
  if (!expect(&c, ':') || !expect(&c, '[')) return false;
  starts->count = 0;
  if (expect(&c, ']')) return true;
  for (;;) {
    if (starts->count == kMostStarts) return false;
    int64_t *tile = starts->tile[starts->count++];
    if (!expect(&c, '[') || !readnumber(&c, &tile[0]) || !expect(&c, ',') ||
        !readnumber(&c, &tile[1]) || !expect(&c, ']'))
      return false;
    if (expect(&c, ']')) return true;
    if (!expect(&c, ',')) return false;
  }
}

}  // namespace

bool readstarts(const char *file, Starts *starts, SystemError *error) {
  FILE *in = openfile(file, "rb");
  if (in == nullptr) {
    *error = lasterror();
    return false;
  }
  char *text = static_cast<char *>(malloc(kLargestReport + 1));
  size_t length = 0;
  bool readable = text != nullptr;
  if (readable) {
    length = fread(text, 1, kLargestReport + 1, in);
    readable = !ferror(in);
    text[length <= kLargestReport ? length : kLargestReport] = '\0';
  }
  if (!readable) *error = text == nullptr ? errortext("out of memory") : lasterror();
  fclose(in);
  bool parsed = false;
  if (readable) {
    parsed = length <= kLargestReport && strlen(text) == length && parsestarts(text, starts);
    if (!parsed)
      *error = errortext(
          "not a report of starts: it needs a \"starts\" list of [column, row] pairs, at most 8");
  }
  free(text);
  return parsed;
}
