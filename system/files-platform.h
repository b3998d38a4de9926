// What files.cpp needs of each platform's file calls (files-posix.cpp,
// files-windows.cpp). Internal to the system layer.
#ifndef TREVALK_FILES_PLATFORM_H
#define TREVALK_FILES_PLATFORM_H

#include <stdint.h>

// What tells one file from another: a volume or device and a file number.
struct FileIdentity {
  uint64_t volume;
  uint64_t index;
};

// The identity of the file `name` leads to; false when it cannot be had.
bool identityof(const char *name, FileIdentity *identity);

// The identity of the file standard output is open on; false when it cannot
// be had or standard output is a device, which takes text and a map alike.
bool standardoutputidentity(FileIdentity *identity);

// Whether two full paths name the same place: byte for byte on POSIX, and
// without regard to case on Windows, whose names do not tell case apart.
bool samepathtext(const char *a, const char *b);

#endif
