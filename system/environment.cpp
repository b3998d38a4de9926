#include "environment.h"

#include <stdlib.h>

#include "platform.h"

#if TREVALK_OS_WINDOWS

// The C runtime's copy of the environment, which getenv reads, in either
// library.
bool setenvironment(const char *name, const char *value) { return _putenv_s(name, value) == 0; }

#else  // TREVALK_OS_POSIX, TREVALK_OS_BROWSER

bool setenvironment(const char *name, const char *value) { return setenv(name, value, 1) == 0; }

#endif
