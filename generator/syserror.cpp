#include "syserror.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

void syserror(const char *context)
{
    // Read errno before any library call here can change it.
    int error = errno;
    syserrortext(context, std::strerror(error));
}

void syserrortext(const char *context, const char *text)
{
    // Progress and diagnostic lines printed so far belong before the report
    // when both streams end up in the same place.
    std::fflush(stdout);
    if (context != nullptr && context[0] != '\0')
        std::fprintf(stderr, "%s: %s\n", context, text);
    else
        std::fprintf(stderr, "%s\n", text);
}

void errormessage(const char *format, ...)
{
    std::fflush(stdout);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}
