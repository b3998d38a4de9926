#include "runtext.h"

FILE *runtext = stdout;
