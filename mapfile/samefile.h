// Whether two names lead to one file, links followed: what keeps an output
// from landing on an input or on the program's own text.
#ifndef TREVALK_SAMEFILE_H
#define TREVALK_SAMEFILE_H

// True when both names exist and lead to the same file (the same device and
// file number, which covers links, "/dev/stdout" and "/proc/self/fd/1").
bool samefile(const char *a, const char *b);

// True when `name` leads to the file that standard output is open on: a
// regular file or a pipe reached through "/dev/stdout" or the like. Devices
// (/dev/null, a terminal) do not count.
bool isstandardoutput(const char *name);

// True when `name` leads to a regular file, which can be read twice and
// passed over by seeking; false for pipes, devices and missing files.
bool isregularfile(const char *name);

#endif
