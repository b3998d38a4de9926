// What outputfile.cpp needs of each platform (outputfile-posix.cpp,
// outputfile-windows.cpp). Internal to the system layer.
#ifndef TREVALK_OUTPUTFILE_PLATFORM_H
#define TREVALK_OUTPUTFILE_PLATFORM_H

#include <stdio.h>

#include "systemerror.h"

// How the output for a name is to be opened.
struct OutputPlan {
  bool replace;     // through a temporary file beside the target
  bool keepmode;    // give the temporary file the target's permissions
  unsigned mode;    // those permissions
  char *finalpath;  // the file a link leads to, when the name is a link; to be freed
};

// True for a character that ends a folder in a path.
bool isseparator(char c);

// This process's number, for temporary names.
unsigned long processid();

// Decides whether `name` is replaced or written in place. Sets errno and
// returns false when it must not be written.
bool planoutput(const char *name, OutputPlan *plan);

// Creates a new file of that name, failing with EEXIST when one exists, and
// guards it against interrupts (interrupt.h). Sets errno and returns null on
// failure.
FILE *openexclusive(const char *path, const OutputPlan &plan);

// Puts the temporary file in place of the final one. Returns false, with
// *error filled in, when it cannot.
bool movetemporary(const char *temppath, const char *finalpath, SystemError *error);

#endif
