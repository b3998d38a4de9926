// The program's own random source for tile variations: a 15-bit linear
// congruential generator, the same kind the maze library keeps, but a
// separate instance that only the terrain layout draws from.
#ifndef TREVALK_TILERANDOM_H
#define TREVALK_TILERANDOM_H

#include <stdint.h>

struct TileRandom {
  uint32_t state;
};

// Advances the source and returns its next draw, 0 to 32767.
inline uint32_t nexttiledraw(TileRandom *source) {
  source->state = source->state * 214013u + 2531011u;
  return (source->state >> 16) & 0x7FFFu;
}

// Scales a draw to 0..k: k * draw / 32767, k itself only for the draw 32767.
inline int64_t scaletiledraw(int64_t k, uint32_t draw) {
  return k * static_cast<int64_t>(draw) / 32767;
}

#endif
