// What the programs ask of files: opening and removing them by name, what a
// name or an open file is, whether two names lead to one file, and moving on
// in an open file. Names are UTF-8 on every platform (on Windows the wide
// calls take them, so a name in any script works).
#ifndef TREVALK_FILES_H
#define TREVALK_FILES_H

#include <stdint.h>
#include <stdio.h>

// Opens a file as fopen does. Returns null, with errno set, on failure.
FILE *openfile(const char *name, const char *mode);

// Removes a file. Returns false, with errno set, on failure.
bool removefile(const char *name);

// What a file is, as far as the programs care.
struct FileFacts {
  bool regular;   // a regular file: it has a size, can be read twice and passed over by seeking
  uint64_t size;  // in bytes; meaningful for a regular file only
  unsigned mode;  // permission bits where the platform has them, otherwise 0
};

// The facts of the file `name` leads to, links followed. Returns false, with
// errno set, when there is no such file or it cannot be examined.
bool filefacts(const char *name, FileFacts *facts);

// The facts of an open file. Returns false when they cannot be had.
bool openfilefacts(FILE *file, FileFacts *facts);

// True when `name` leads to a regular file; false for pipes, devices,
// folders and missing files.
bool isregularfile(const char *name);

// Moves `distance` bytes on in an open regular file. Returns false when the
// seek fails.
bool seekforward(FILE *file, uint64_t distance);

// The folder that holds this program's own file, links followed, as a string
// to be released with free(); null when the platform cannot tell.
char *programfolder();

// The full path of an existing file, "." and ".." resolved (and, where the
// platform resolves them, links followed), as a string to be released with
// free(); null when there is no such file.
char *existingfullpath(const char *path);

// True when both names exist and lead to the same file (the same device and
// file number, which covers links, "/dev/stdout" and "/proc/self/fd/1").
bool samefile(const char *a, const char *b);

// True when writing to the two names would write one file: the same name,
// the same existing file, or, for a name that does not exist yet, the same
// place once its folder is resolved ("./a.dat" and "a.dat", a folder reached
// through a link).
bool samedestination(const char *a, const char *b);

// True when the stream is a terminal: a person reads what goes there as it
// comes.
bool isterminal(FILE *stream);

// True when `name` leads to the file that standard output is open on: a
// regular file or a pipe reached through "/dev/stdout" or the like. Devices
// (/dev/null, a terminal) do not count.
bool isstandardoutput(const char *name);

#endif
