#include "runtext.h"

// Program-wide, as the run's standard output is: every part that prints the
// run's text writes here, and the program points it elsewhere once, before
// the banner, when the map goes to standard output.
FILE *runtext = stdout;
