// The platform the programs are built for, decided here once. Code with a
// block per platform tests the macros with #if; code that only chooses what
// it tells its users (the names of documents, the commands to type) tests
// kPlatform with a plain if. Files that hold one platform's code alone are
// chosen by the build (system/CMakeLists.txt) and wrapped in its macro too.
#ifndef TREVALK_PLATFORM_H
#define TREVALK_PLATFORM_H

#if defined(_WIN32)
#define TREVALK_OS_WINDOWS 1  // Windows, natively or under Wine
#define TREVALK_OS_BROWSER 0
#define TREVALK_OS_POSIX 0
#elif defined(__EMSCRIPTEN__)
#define TREVALK_OS_WINDOWS 0
#define TREVALK_OS_BROWSER 1  // a web page: POSIX files in memory, no loader, no signals
#define TREVALK_OS_POSIX 0
#else
#define TREVALK_OS_WINDOWS 0
#define TREVALK_OS_BROWSER 0
#define TREVALK_OS_POSIX 1  // Linux and other POSIX systems
#endif

enum Platform { kPlatformPosix, kPlatformWindows, kPlatformBrowser };

constexpr Platform kPlatform = TREVALK_OS_WINDOWS   ? kPlatformWindows
                               : TREVALK_OS_BROWSER ? kPlatformBrowser
                                                    : kPlatformPosix;

#endif
