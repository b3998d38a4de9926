// The options that every program of ours answers alone, before anything else:
// "-h" or "--help" and "--version".
#ifndef TREVALK_OPTIONS_H
#define TREVALK_OPTIONS_H

// When the only argument is "-h" or "--help", calls printhelp; when it is
// "--version", prints "<program> <version>" on standard output. Returns true
// when it answered one of them, and the program then ends successfully;
// false for any other command line.
bool answeredoption(int argc, char **argv, const char *program, void (*printhelp)());

#endif
