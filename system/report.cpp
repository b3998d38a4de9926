#include "report.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

void syserror(const char *context) {
  // Read errno before any library call here can change it.
  int error = errno;
  syserrortext(context, strerror(error));
}

void syserrortext(const char *context, const char *text) {
  // Progress and diagnostic lines printed so far belong before the report
  // when both streams end up in the same place.
  fflush(stdout);
  if (context != nullptr && context[0] != '\0')
    fprintf(stderr, "%s: %s\n", context, text);
  else
    fprintf(stderr, "%s\n", text);
}

void errormessage(const char *format, ...) {
  fflush(stdout);
  va_list arguments;
  va_start(arguments, format);
  vfprintf(stderr, format, arguments);
  va_end(arguments);
}
