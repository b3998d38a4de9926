// The platform the programs are built for, as a constant, so that code
// outside this folder chooses what it tells its users (the names of
// documents, the commands to type) with a plain if.
#ifndef TREVALK_PLATFORM_H
#define TREVALK_PLATFORM_H

enum Platform {
  kPlatformPosix,    // Linux and other POSIX systems
  kPlatformWindows,  // Windows, natively or under Wine
  kPlatformBrowser   // a web page, built with emscripten
};

#if defined(_WIN32)
constexpr Platform kPlatform = kPlatformWindows;
#elif defined(__EMSCRIPTEN__)
constexpr Platform kPlatform = kPlatformBrowser;
#else
constexpr Platform kPlatform = kPlatformPosix;
#endif

#endif
