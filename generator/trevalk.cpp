// trevalk: builds a maze-shaped tile map from the template map ruvivare.dat.
//
//   trevalk xsize ysize pathwidth waterwidth tileset outfile
//
// One run: bind the maze library, run the map driver (run.h), release the
// library.
#include <stdio.h>

#include "binding.h"
#include "exitstatus.h"
#include "run.h"

namespace {

void printbanner() {
  fputs("trevalk " TREVALK_VERSION
        "\n"
        "Maze-shaped tile maps from a template map\n"
        "Mazes by the quendrel library, loaded at run time\n",
        stdout);
  fputs("Every map is generated anew: keep the map files you want to reuse.\n", stdout);
}

}  // namespace

int main(int argc, char **argv) {
  printbanner();
  fflush(stdout);
  if (qndinit() == 0) {
    fputs("qndinit", stderr);
    return kExitFailure;
  }
  int status = run(argc, argv);
  qndrelease();
  return status;
}
