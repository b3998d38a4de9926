// Large blocks of memory: the section data that a run rebuilds and the tile
// layers that are read, many megabytes each on a large map.
#ifndef TREVALK_LARGEBLOCK_H
#define TREVALK_LARGEBLOCK_H

#include <stdint.h>

// Allocates a block of `length` bytes (not zero-filled), to be released with
// free(). Returns null when the memory cannot be had, with errno set. Blocks
// of many megabytes are asked to live on huge pages where the system offers
// them: a large map's blocks are touched once each, front to back, and
// faulting them in 4 KiB pages costs more than filling them.
uint8_t *allocatelargeblock(uint64_t length);

#endif
