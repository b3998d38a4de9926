#include "options.h"

#include <stdio.h>
#include <string.h>

bool answeredoption(int argc, char **argv, const char *program, void (*printhelp)()) {
  if (argc != 2) return false;
  if (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
    printhelp();
    return true;
  }
  if (strcmp(argv[1], "--version") == 0) {
    printf("%s %s\n", program, TREVALK_VERSION);
    return true;
  }
  return false;
}
