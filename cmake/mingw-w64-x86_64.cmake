# Cross-compiles for 64-bit Windows with the MinGW-w64 tool chain (Debian
# package g++-mingw-w64-x86-64). The presets windows (with the tests, for
# scripts/test-windows) and package-windows (for the .zip) use it:
#
#   cmake --preset package-windows && cmake --build --preset package-windows
#
# The programs run under Wine as well as on Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TREVALK_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Name prefix of the MinGW-w64 tools")
set(CMAKE_C_COMPILER ${TREVALK_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${TREVALK_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${TREVALK_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW-w64 tree only; programs used while
# building come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TREVALK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here that a test would run need Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
