// Where each new maze's random source starts.
#ifndef QUENDREL_SEED_H
#define QUENDREL_SEED_H

#include <stdint.h>

// Parses a fixed seed: a whole decimal number from 0 to 4294967295, digits
// only. Returns false for anything else (empty, signs, blanks, overflow).
bool parseseed(const char *text, uint32_t *seed);

// The seed for a new maze: QUENDREL_SEED when it holds a valid seed,
// otherwise the calendar time in whole seconds.
uint32_t mazeseed();

#endif
