// The browser's block of progress.h: the page's worker passes a function
// onProgress to the program's module, which this calls when it is there.
// Built into the browser build alone (cmake/web.cmake).
#include "progress.h"

#if TREVALK_OS_BROWSER

#include <emscripten.h>

EM_JS(void, trevalk_reportprogress, (uint32_t done, uint32_t total), {
  if (Module["onProgress"]) Module["onProgress"](done >>> 0, total >>> 0);
});

void reportprogress(uint32_t done, uint32_t total) { trevalk_reportprogress(done, total); }

#endif
