// Large data blocks: the sections that a run rebuilds and the tile layers
// that are read.
#ifndef TREVALK_DATABLOCK_H
#define TREVALK_DATABLOCK_H

#include <stddef.h>
#include <stdint.h>

// Allocates a section data block of `length` bytes (not zero-filled), to be
// released with free(). Returns null when the memory cannot be had, with
// errno set. Blocks of many megabytes are asked to live on huge pages where
// the system offers them: a large map's blocks are touched once each, front
// to back, and faulting them in 4 KiB pages costs more than filling them.
uint8_t *allocatedatablock(uint64_t length);

// Fills `length` bytes (an even number) with 16-bit little-endian copies
// of `word`.
void fillwords(uint8_t *data, uint64_t length, uint16_t word);

#endif
