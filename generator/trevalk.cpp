// trevalk: builds a maze-shaped tile map from the template map ruvivare.dat.
//
//   trevalk xsize ysize pathwidth waterwidth tileset outfile
//
// One run: bind the maze library, run the map driver (run.h), release the
// library.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "arguments.h"
#include "binding.h"
#include "exitstatus.h"
#include "files.h"
#include "interrupt.h"
#include "options.h"
#include "platform.h"
#include "programmain.h"
#include "report.h"
#include "request.h"
#include "run.h"
#include "runtext.h"

namespace {

// The template that comes with trevalk, where an installation puts it seen
// from the program (TREVALK_TEMPLATE_FOLDER); null when it is not there.
char *installedtemplate() {
  char *folder = programfolder();
  if (folder == nullptr) return nullptr;
  const size_t size = strlen(folder) + sizeof TREVALK_TEMPLATE_FOLDER + sizeof "/ruvivare.dat";
  char *path = static_cast<char *>(malloc(size));
  char *found = nullptr;
  if (path != nullptr) {
    snprintf(path, size, "%s/" TREVALK_TEMPLATE_FOLDER "/ruvivare.dat", folder);
    found = existingfullpath(path);
  }
  free(path);
  free(folder);
  return found;
}

// Prints `path` as the shell would take it as one word: as it is when it
// holds nothing the shell treats specially, otherwise in single quotes.
void printshellword(const char *path) {
  if (path[strspn(path, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._+-")] ==
      '\0') {
    fputs(path, stdout);
    return;
  }
  putchar('\'');
  for (const char *c = path; *c != '\0'; c++) {
    if (*c == '\'')
      fputs("'\\''", stdout);  // a quote ends the quoted word, is escaped, and quoting resumes
    else
      putchar(*c);
  }
  putchar('\'');
}

// Says where the template that comes with trevalk is and how to copy it,
// in the words of this platform's shell.
void printtemplateplace() {
  char *path = installedtemplate();
  if (path == nullptr) {
    fputs("The template that comes with trevalk is not where an installation puts it.\n\n", stdout);
    return;
  }
  printf("The template that comes with trevalk is\n  %s\n", path);
  fputs("Copy it into the folder where you make maps:\n", stdout);
  if (kPlatform == kPlatformWindows) {
    printf("  copy \"%s\" .\n\n", path);
  } else {
    fputs("  cp ", stdout);
    printshellword(path);
    fputs(" .\n\n", stdout);
  }
  free(path);
}

void printhelp() {
  const bool windows = kPlatform == kPlatformWindows;
  printf("Usage: trevalk [OPTIONS] %s\n", argumentsynopsis(false));
  fputs(
      "\n"
      "Makes a maze-shaped tile map: reads the template map ruvivare.dat from the\n"
      "current folder, lays out water and paths of land along a new random maze,\n"
      "and writes the whole map to outfile.\n"
      "\n"
      "  xsize, ysize  map width and height in tiles (their low 16 bits count)\n"
      "  pathwidth     width of the land paths in tiles, 4 or more (rounded\n"
      "                toward zero to an even number)\n"
      "  waterwidth    width of the water between paths, 2 or more (rounded\n"
      "                toward zero to an even number)\n"
      "  tileset       tileset number, 0 to 4\n",
      stdout);
  fputs(windows ? "  outfile       the map file to write\n"
                : "  outfile       the map file to write; /dev/stdout sends the map to\n"
                  "                standard output and the run's text to standard error\n",
        stdout);
  fputs(
      "\n"
      "Options, before the six arguments (fair maps for several players):\n"
      "  --seed=N            the maze's seed, 0 to 4294967295 (wins over QUENDREL_SEED)\n"
      "  --symmetry=MODE     none, left-right, top-bottom, rotate-180, four-way or\n"
      "                      rotate-90 (square maps): land and water symmetric\n"
      "                      about the map's centre\n"
      "  --loops=PERCENT     the share of dead ends opened into a neighbour, 0 to 100\n"
      "  --straight=PERCENT  how strongly corridors keep their direction, 0 to 100;\n"
      "                      90 or more tends to spirals, which few maps play fairly\n"
      "  --players=N         N start positions, 1 to 8 (with a symmetry whole orbits\n"
      "                      of it: a multiple of 2, or of 4 for four-way and\n"
      "                      rotate-90, which is also the default), placed to make\n"
      "                      five measures of them as even as the map allows\n"
      "  --report=FILE       write the starts, their measures and the verdict as JSON\n"
      "  --tries=N           try N seeds from the seed on (1 to 4096) and make the\n"
      "                      map of the fairest\n"
      "  --reroll=X,Y,W,H:SEED  draw anew, from SEED, the maze's cells whose blocks\n"
      "                      meet the W x H tiles at column X, row Y, and their\n"
      "                      passages; the rest of the map keeps every tile\n"
      "  --keep=X,Y,W,H:SEED  the same for every cell but those; both may be given\n"
      "                      again (256 edits at most), applied in order\n"
      "A symmetric map, or one with starts, needs an even width and height of at\n"
      "least 32 tiles and a path wider than the water.\n"
      "\n"
      "  -h, --help          show this help and exit\n"
      "  --version           show the version and exit\n"
      "\n",
      stdout);
  printtemplateplace();
  fputs(
      "QUENDREL_SEED=N (0 to 4294967295) fixes the maze's seed; otherwise each\n"
      "maze is seeded from the clock. ",
      stdout);
  fputs(windows ? "See README.md beside trevalk.exe.\n" : "See trevalk(1).\n", stdout);
}

void printbanner() {
  fputs("trevalk " TREVALK_VERSION
        "\n"
        "Maze-shaped tile maps from a template map\n"
        "Mazes by the quendrel library, loaded at run time\n",
        runtext);
  fputs("Every map is generated anew: keep the map files you want to reuse.\n", runtext);
}

}  // namespace

int programmain(int argc, char **argv) {
  if (answeredoption(argc, argv, "trevalk", printhelp)) return kExitWritten;
  const RequestCheck check = checkrequest(argc, argv);
  if (check.outofmemory) {
    errormessage("Out of memory.\n");
    return kExitFailure;
  }
  // The options are refused before anything else is said; the arguments
  // once the template has been read (run.h).
  if (!check.refusals.empty() && refusedbeforebanner(check.refusals.front().code)) {
    errormessage("%s", check.refusals.front().message.c_str());
    return kExitFailure;
  }
  catchinterrupts();
  // A map or a report written to standard output ("/dev/stdout", a pipe
  // reached through it) must not have the run's text mixed into it.
  const char *outfile = check.request.outfile, *report = check.request.options.report;
  if ((outfile != nullptr && isstandardoutput(outfile)) ||
      (report != nullptr && isstandardoutput(report)))
    runtext = stderr;
  printbanner();
  fflush(runtext);
  if (qndinit() == kBindFailed) {
    fputs("qndinit", stderr);
    return kExitFailure;
  }
  char *shipped = installedtemplate();
  int status = run(check, shipped);
  free(shipped);
  qndrelease();
  return status;
}
