// What a trevalk command line asks for, checked before the run reads or
// writes anything: its options, then its six arguments. One checker serves
// the program, which prints the first refusal (the options' before its
// banner, the arguments' once the template is read), and the web page, which
// shows every refusal beside its field and offers the symmetries the map
// fits (requestjson.h).
#ifndef TREVALK_REQUEST_H
#define TREVALK_REQUEST_H

#include <stdint.h>

#include <string>
#include <vector>

#include "arguments.h"
#include "layout.h"
#include "refusal.h"
#include "runoptions.h"

// The map a command line asks for.
struct Request {
  RunOptions options;
  int first;                           // argv's index of xsize
  bool numbers;                        // the five numbers were read
  bool read[kArgumentCount - 1];       // which of them were
  int32_t values[kArgumentCount - 1];  // the five numbers as given
  uint32_t width, height;              // the sizes' low 16 bits: the map's size
  int32_t pathwidth, waterwidth;       // rounded toward zero to even numbers
  int32_t tileset;                     // as given (its low 16 bits are stored)
  const char *outfile;                 // null without six arguments
  // Why each symmetry cannot be chosen beside the other values ("needs a
  // square map", ...); empty for those that can.
  std::string symmetrywhy[kSymmetryCount];
  // The edits in the maze's own positions, once the map's size is known to
  // take them.
  std::vector<MazeEdit> mazeedits;
};

// Where the maze lies on the map: centred for a symmetric map, the plain
// layout otherwise, so that a style or starts change nothing else of it.
MazeLayout layoutof(const Request &request);

struct RequestCheck {
  bool outofmemory;  // the check could not hold its findings: nothing else counts
  Request request;
  // In the order a run meets them: trevalk prints the first and stops.
  std::vector<Refusal> refusals;
};

// Checks argv[1..argc-1]: the options (runoptions.h), then exactly six
// arguments, their numbers, the map's size and widths, and what a symmetric
// map or one with starts needs of them.
RequestCheck checkrequest(int argc, char **argv) noexcept;

#endif
