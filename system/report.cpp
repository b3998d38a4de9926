#include "report.h"

#include <stdarg.h>
#include <stdio.h>

void reportfailure(const char *context, const SystemError &error) {
  syserrortext(context, errordescription(error));
}

void syserror(const char *context) {
  // Read errno before any library call here can change it.
  reportfailure(context, lasterror());
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

void printversion(const char *program) { printf("%s %s\n", program, TREVALK_VERSION); }
