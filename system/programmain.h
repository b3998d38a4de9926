// Where a program of ours starts: the system's entry point (main-posix.cpp,
// main-windows.cpp) calls programmain with the arguments in UTF-8, whatever
// the platform hands over, so that file names in any script reach the
// program as they were typed.
#ifndef TREVALK_PROGRAMMAIN_H
#define TREVALK_PROGRAMMAIN_H

// Defined by each program; returns its exit status.
int programmain(int argc, char **argv);

#endif
