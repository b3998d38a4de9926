// The run driver: everything one trevalk run does between binding the maze
// library and releasing it. Kept apart from main so that tests and fuzz
// targets can run it in-process.
#ifndef TREVALK_RUN_H
#define TREVALK_RUN_H

#include "exitstatus.h"
#include "runoptions.h"

// Reads the template ruvivare.dat from the current folder, rebuilds its "DIM ",
// "ERA ", "MASK", "ISOM", "TILE" and "MTXM" sections around a new maze for the
// six arguments argv[1..6] (xsize ysize pathwidth waterwidth tileset outfile)
// and the options that came before them (runoptions.h: a style for the maze,
// start positions, a report), and writes every section in the template's
// order to outfile. Reports every failure on standard error. The maze library
// must be bound (binding.h). The sections stay in sectionlist afterwards
// (sections.h); clearsections releases them. Returns kExitWritten when the
// whole map was written, kExitFailure otherwise.
ExitStatus run(const RunOptions &options, int argc, char **argv);

#endif
