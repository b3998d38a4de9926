// Reports on standard error, in the one form both programs use for failed
// system calls: "context: error text" and a line end, or the error text alone
// when the context is empty.
#ifndef TREVALK_REPORT_H
#define TREVALK_REPORT_H

// Reports the last system error (errno) under the given context, such as
// "fread", "malloc cMask" or a file name. A null context counts as empty.
void syserror(const char *context);

// The same report with an explicit error text, for failures the system does
// not describe itself, such as a file that ends too early.
void syserrortext(const char *context, const char *text);

// Prints a message of the program's own on standard error, as printf does,
// after whatever standard output holds so far, so that the two streams keep
// their order when they end up in one place.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void errormessage(const char *format, ...);

#endif
