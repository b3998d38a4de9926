// trevalk-preview: draws a map file as a PNG image.
//
//   trevalk-preview MAP PNG [SCALE]
//
// Each tile becomes a square of SCALE x SCALE pixels in its palette colour
// (preview.h). On success one line on standard output names the image, its
// size and the scale; nothing is printed when the image went to a device or
// pipe, and the line goes to standard error when the image is standard
// output's own file.
#include <stdio.h>
#include <string.h>

#include "exitstatus.h"
#include "files.h"
#include "interrupt.h"
#include "options.h"
#include "platform.h"
#include "preview.h"
#include "programmain.h"
#include "progress.h"
#include "report.h"
#include "starts.h"

namespace {

void printusage() {
  errormessage(
      "USAGE: trevalk-preview [--starts=REPORT] MAP PNG [SCALE]\n"
      "  SCALE: pixels per tile side, %u to %u; by default 1 for maps wider than %u\n"
      "  tiles, otherwise the smallest that makes the image %u pixels wide or more\n",
      kMinScale, kMaxScale, unsigned(kDefaultImageWidth), unsigned(kDefaultImageWidth));
}

void printhelp() {
  printf(
      "Usage: trevalk-preview [--starts=REPORT] MAP PNG [SCALE]\n"
      "\n"
      "Draws the tile layer of a map file as a PNG image, each tile a square of\n"
      "SCALE x SCALE pixels in the colour of its kind (water blue, paths sand,\n"
      "anything else grey).\n"
      "\n"
      "  MAP         the map file to draw\n"
      "  PNG         the image to write (not the map itself)\n"
      "  SCALE       pixels per tile side, %u to %u; by default 1 for maps wider\n"
      "              than %u tiles, otherwise the smallest that makes the image\n"
      "              %u pixels wide or more\n"
      "\n"
      "  --starts=REPORT  mark the players' starts of a fair map, read from the\n"
      "              report trevalk --report wrote: a square in each player's\n"
      "              colour (red, green, purple, orange, teal, pink, yellow, white)\n"
      "  -h, --help  show this help and exit\n"
      "  --version   show the version and exit\n"
      "\n"
      "See %s.\n",
      kMinScale, kMaxScale, unsigned(kDefaultImageWidth), unsigned(kDefaultImageWidth),
      kPlatform == kPlatformWindows ? "README.md beside trevalk-preview.exe"
                                    : "trevalk-preview(1)");
}

}  // namespace

int programmain(int argc, char **argv) {
  if (answeredoption(argc, argv, "trevalk-preview", printhelp)) return kExitWritten;
  // --starts=REPORT, before the other arguments, once.
  const char *report = nullptr;
  while (argc > 1 && strncmp(argv[1], "--", 2) == 0) {
    // "--" ends the options: a map's name may start with "--" after it.
    const bool last = argv[1][2] == '\0';
    if (!last && strncmp(argv[1], "--starts=", 9) != 0) {
      errormessage("trevalk-preview: %s: no such option (see trevalk-preview --help)\n", argv[1]);
      return kExitFailure;
    }
    if (!last && report != nullptr) {
      errormessage("trevalk-preview: %s: --starts is given twice\n", argv[1]);
      return kExitFailure;
    }
    if (!last) report = argv[1] + 9;
    argv[1] = argv[0];
    --argc;
    ++argv;
    if (last) break;
  }
  catchinterrupts();
  if (argc != 3 && argc != 4) {
    printusage();
    return kExitFailure;
  }
  unsigned scale = 0;
  if (argc == 4 && !parsescale(argv[3], &scale)) {
    errormessage("Invalid scale \"%s\": a whole number from %u to %u is needed.\n", argv[3],
                 kMinScale, kMaxScale);
    printusage();
    return kExitFailure;
  }
  Starts starts;
  SystemError error;
  if (report != nullptr && report[0] == '\0') {
    errormessage("trevalk-preview: --starts= needs the report's file name\n");
    return kExitFailure;
  }
  if (report != nullptr && samedestination(report, argv[2])) {
    errormessage("%s: the image would replace the report %s it marks the starts of\n", argv[2],
                 report);
    return kExitFailure;
  }
  if (report != nullptr && !readstarts(report, &starts, &error)) {
    reportfailure(report, error);
    return kExitFailure;
  }
  FILE *text = isstandardoutput(argv[2]) ? stderr : stdout;
  PreviewResult result;
  if (!writepreview(argv[1], argv[2], scale, &result, 0, report != nullptr ? &starts : nullptr))
    return kExitFailure;
  reportscale(result.scale);
  if (result.replaced)
    fprintf(text, "Wrote %s: %ux%u pixels, %ux%u tiles at scale %u\n", argv[2],
            unsigned(result.width * result.scale), unsigned(result.height * result.scale),
            unsigned(result.width), unsigned(result.height), result.scale);
  return kExitWritten;
}
