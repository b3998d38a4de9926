#include "options.h"

#include <string.h>

#include "report.h"

bool answeredoption(int argc, char **argv, const char *program, void (*printhelp)()) {
  if (argc != 2) return false;
  if (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
    printhelp();
    return true;
  }
  if (strcmp(argv[1], "--version") == 0) {
    printversion(program);
    return true;
  }
  return false;
}
