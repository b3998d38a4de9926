// A reader for the members of the report that the preview needs, strict
// enough that a file that is not a report says so rather than draws marks
// from whatever numbers it holds: the whole text is read as JSON, and only
// the top-level object's own members count.
#include "starts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "files.h"

namespace {

using nlohmann::json;

// Reports are small; a file much larger is not one.
constexpr size_t kLargestReport = size_t(1) << 20;

// The largest tile coordinate a map of 16-bit sides has, and then some: a
// number beyond it is no tile.
constexpr int64_t kLargestTile = 1000000;

bool wholenumber(const json &value, int64_t *number) {
  if (!value.is_number_integer()) return false;
  *number = value.get<int64_t>();
  return true;
}

// The text parsed, refusing a key given twice in any object.
bool parsejson(const char *text, size_t length, json *document) {
  std::vector<std::set<std::string>> keys;
  bool twice = false;
  const json::parser_callback_t check = [&](int, json::parse_event_t event, json &parsed) {
    if (event == json::parse_event_t::object_start) keys.emplace_back();
    if (event == json::parse_event_t::object_end) keys.pop_back();
    if (event == json::parse_event_t::key && !keys.back().insert(parsed.get<std::string>()).second)
      twice = true;
    return true;
  };
  *document = json::parse(text, text + length, check, false);
  return !document->is_discarded() && !twice;
}

}  // namespace

bool parsestarts(const char *text, size_t length, Starts *starts, const char **why) {
  *why =
      "not a report of starts: it needs to be one JSON object with a \"starts\" list of "
      "[column, row] pairs, at most 8, and no key twice";
  // JSON has no NUL byte, and the parser would take one for the end.
  if (memchr(text, '\0', length) != nullptr) return false;
  json report;
  try {
    if (!parsejson(text, length, &report) || !report.is_object()) return false;
  } catch (const std::bad_alloc &) {
    *why = "out of memory";
    return false;
  }
  const auto list = report.find("starts");
  if (list == report.end() || !list->is_array() || list->size() > size_t(kMostStarts)) return false;
  starts->count = 0;
  for (const json &pair : *list) {
    int64_t *tile = starts->tile[starts->count++];
    if (!pair.is_array() || pair.size() != 2 || !wholenumber(pair[0], &tile[0]) ||
        !wholenumber(pair[1], &tile[1]) || tile[0] < -kLargestTile || tile[0] > kLargestTile ||
        tile[1] < -kLargestTile || tile[1] > kLargestTile)
      return false;
  }
  starts->sized = false;
  const auto arguments = report.find("arguments");
  if (arguments == report.end()) return true;
  int64_t xsize, ysize;
  if (!arguments->is_array() || arguments->size() < 2 || !wholenumber((*arguments)[0], &xsize) ||
      !wholenumber((*arguments)[1], &ysize)) {
    *why = "not a report of starts: its \"arguments\" are not trevalk's numbers";
    return false;
  }
  starts->sized = true;
  starts->width = uint32_t(xsize) & 0xFFFF;
  starts->height = uint32_t(ysize) & 0xFFFF;
  return true;
}

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
  }
  if (!readable) *error = text == nullptr ? errortext("out of memory") : lasterror();
  fclose(in);
  bool parsed = false;
  if (readable) {
    const char *why = "not a report of starts: it is larger than any report";
    parsed = length <= kLargestReport && parsestarts(text, length, starts, &why);
    if (!parsed) *error = errortext(why);
  }
  free(text);
  return parsed;
}
