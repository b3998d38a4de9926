// A property check for fuzz targets: a failed check must stop the run where
// both libFuzzer and the replay see it, whatever NDEBUG says.
#ifndef TREVALK_FUZZCHECK_H
#define TREVALK_FUZZCHECK_H

#include <stdio.h>
#include <stdlib.h>

#define FUZZ_CHECK(condition)                                                       \
  do {                                                                              \
    if (!(condition)) {                                                             \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                      \
    }                                                                               \
  } while (0)

#endif
