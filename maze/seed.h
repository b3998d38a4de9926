// Where each new maze's random source starts.
#ifndef QUENDREL_SEED_H
#define QUENDREL_SEED_H

#include <stdint.h>

// The seed for a new maze: QUENDREL_SEED when it holds a seed (seedtext.h),
// otherwise the calendar time in whole seconds.
uint32_t mazeseed();

#endif
