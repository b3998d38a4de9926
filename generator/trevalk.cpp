// trevalk: builds a maze-shaped tile map from the template map ruvivare.dat.
//
//   trevalk xsize ysize pathwidth waterwidth tileset outfile
//
// One run: bind the maze library, run the map driver (run.h), release the
// library.
#include <stdio.h>

#include "binding.h"
#include "exitstatus.h"
#include "files.h"
#include "interrupt.h"
#include "options.h"
#include "run.h"
#include "runtext.h"

namespace {

void printhelp() {
  fputs(
      "Usage: trevalk xsize ysize pathwidth waterwidth tileset outfile\n"
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
      "  tileset       tileset number, 0 to 4\n"
      "  outfile       the map file to write; /dev/stdout sends the map to\n"
      "                standard output and the run's text to standard error\n"
      "\n"
      "  -h, --help    show this help and exit\n"
      "  --version     show the version and exit\n"
      "\n"
      "QUENDREL_SEED=N (0 to 4294967295) fixes the maze's seed; otherwise each\n"
      "maze is seeded from the clock. See trevalk(1).\n",
      stdout);
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

int main(int argc, char **argv) {
  if (answeredoption(argc, argv, "trevalk", printhelp)) return kExitWritten;
  catchinterrupts();
  // A map written to standard output ("/dev/stdout", a pipe reached through
  // it) must not have the run's text mixed into it.
  if (argc == 7 && isstandardoutput(argv[6])) runtext = stderr;
  printbanner();
  fflush(runtext);
  if (qndinit() == kBindFailed) {
    fputs("qndinit", stderr);
    return kExitFailure;
  }
  int status = run(argc, argv);
  qndrelease();
  return status;
}
