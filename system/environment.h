// The program's own environment, which the maze library reads its seed from.
#ifndef TREVALK_ENVIRONMENT_H
#define TREVALK_ENVIRONMENT_H

// Sets the variable `name` to `value` for the rest of the run. Returns false,
// with errno set, when it cannot.
bool setenvironment(const char *name, const char *value);

#endif
