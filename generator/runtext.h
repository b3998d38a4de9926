// Where the run's own text goes: the banner, the template diagnostics, the
// maze picture and the progress lines. Standard output, unless the map itself
// is written there.
#ifndef TREVALK_RUNTEXT_H
#define TREVALK_RUNTEXT_H

#include <stdio.h>

extern FILE *runtext;

#endif
