// The one place of the system layer that prints: reports on standard error,
// in the one form both programs use for failed system calls, "context: error
// text" and a line end, or the error text alone when the context is empty;
// the programs' own messages; the version line.
#ifndef TREVALK_REPORT_H
#define TREVALK_REPORT_H

#include "systemerror.h"

// Reports a failure that a lower layer returned, under the given context,
// such as "fread", "fwrite header" or a file name. A null context counts as
// empty.
void reportfailure(const char *context, const SystemError &error);

// Reports the last system error (errno) under the given context.
void syserror(const char *context);

// The same report with an explicit error text, for failures the system does
// not describe itself.
void syserrortext(const char *context, const char *text);

// Prints a message of the program's own on standard error, as printf does,
// after whatever standard output holds so far, so that the two streams keep
// their order when they end up in one place.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void errormessage(const char *format, ...);

// Prints "<program> <version>" on standard output.
void printversion(const char *program);

#endif
