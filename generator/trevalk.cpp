// trevalk: builds a maze-shaped tile map from the template map ruvivare.dat.
//
//   trevalk xsize ysize pathwidth waterwidth tileset outfile
//
// One run: bind the maze library, run the map driver (run.h), release the
// library.
#include <stdio.h>

#include "binding.h"
#include "exitstatus.h"
#include "interrupt.h"
#include "run.h"
#include "runtext.h"
#include "samefile.h"

namespace {

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
  catchinterrupts();
  // A map written to standard output ("/dev/stdout", a pipe reached through
  // it) must not have the run's text mixed into it.
  if (argc == 7 && isstandardoutput(argv[6])) runtext = stderr;
  printbanner();
  fflush(runtext);
  if (qndinit() == 0) {
    fputs("qndinit", stderr);
    return kExitFailure;
  }
  int status = run(argc, argv);
  qndrelease();
  return status;
}
