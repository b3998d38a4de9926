// trevalk-check: the request checker (request.h) for the web page, a small
// WebAssembly module of its own that the page calls on its own thread for
// every check it makes before a run (web/checker.js). Built for the browser
// alone (cmake/web.cmake).
#include <string>

#include "request.h"
#include "requestjson.h"

// The check of argv[0..argc-1] (argv[0] the program's name, then the
// options and the six arguments, as trevalk gets them) as JSON
// (requestjson.h), NUL-terminated; valid until the next call.
extern "C" const char *trevalkcheck(int argc, char **argv) {
  static std::string json;
  json = requestjson(checkrequest(argc, argv));
  return json.c_str();
}
