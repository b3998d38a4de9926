// The browser's block of progress.h: the page's worker passes the functions
// onProgress, onScale, onPlayerColour and onNote to the program's module, which these call when
// they are there. Built into the browser build alone (cmake/web.cmake).
#include "progress.h"

#if TREVALK_OS_BROWSER

#include <emscripten.h>

EM_JS(void, trevalk_reportprogress, (int stage, uint32_t done, uint32_t total), {
  if (Module["onProgress"]) Module["onProgress"](stage, done >>> 0, total >>> 0);
});

EM_JS(void, trevalk_reportscale, (uint32_t scale), {
  if (Module["onScale"]) Module["onScale"](scale >>> 0);
});

void reportprogress(ProgressStage stage, uint32_t done, uint32_t total) {
  trevalk_reportprogress(int(stage), done, total);
}

void reportscale(uint32_t scale) { trevalk_reportscale(scale); }

EM_JS(void, trevalk_reportplayercolour, (int player, int red, int green, int blue), {
  if (Module["onPlayerColour"]) Module["onPlayerColour"](player, [ red, green, blue ]);
});

void reportplayercolour(int player, const uint8_t rgb[3]) {
  trevalk_reportplayercolour(player, rgb[0], rgb[1], rgb[2]);
}

EM_JS(void, trevalk_reportnote, (const char *field, const char *text), {
  if (Module["onNote"]) Module["onNote"](UTF8ToString(field), UTF8ToString(text));
});

void reportnote(const char *field, const char *text) { trevalk_reportnote(field, text); }

#endif
