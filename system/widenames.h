// Windows takes names in any script through its wide (UTF-16) calls; the
// programs hold every name as UTF-8. These convert between the two and turn
// Windows' own error codes into the programs' terms. Internal to the system
// layer, Windows only.
#ifndef TREVALK_WIDENAMES_H
#define TREVALK_WIDENAMES_H

#include "platform.h"

#if TREVALK_OS_WINDOWS

#include <windows.h>

#include "systemerror.h"

// The UTF-16 form of a UTF-8 text, to be released with free(). Returns null
// with errno set (EINVAL for bytes that are not UTF-8, ENOMEM) on failure.
wchar_t *widened(const char *text);

// The UTF-8 form of a UTF-16 text, to be released with free(); null when
// memory runs out.
char *narrowed(const wchar_t *text);

// The errno value closest to a Windows error code.
int errnoof(DWORD code);

// Windows' own description of an error code, in UTF-8.
SystemError windowserror(DWORD code);

#endif

#endif
