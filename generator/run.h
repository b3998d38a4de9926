// The run driver: everything one trevalk run does between binding the maze
// library and releasing it. Kept apart from main so that tests and fuzz
// targets can run it in-process.
#ifndef TREVALK_RUN_H
#define TREVALK_RUN_H

#include "exitstatus.h"
#include "request.h"

// Reads the template ruvivare.dat from the current folder and, unless the
// check refused the command line (its first refusal is printed once the
// template has been read), rebuilds the template's "DIM ", "ERA ", "MASK",
// "ISOM", "TILE" and "MTXM" sections around a new maze for the checked
// request (request.h: the six arguments and the options before them: a style
// for the maze, start positions, a report) and writes every section in the
// template's order to its outfile. Reports every failure on standard error.
// The maze library must be bound (binding.h). The sections stay in
// sectionlist afterwards (sections.h); clearsections releases them. Returns
// kExitWritten when the whole map was written, kExitFailure otherwise.
// `shipped` is where the template that comes with trevalk is, or null: a
// person at a terminal who has no template is told so.
ExitStatus run(const RequestCheck &check, const char *shipped = nullptr);

#endif
