// RandomSource: the maze library's 15-bit linear congruential generator,
// seeded anew for every maze. (The map generator keeps a source of its own
// kind for its tiles.)
#ifndef QUENDREL_RANDOMSOURCE_H
#define QUENDREL_RANDOMSOURCE_H

#include <stdint.h>

struct RandomSource {
  uint32_t state;
};

// Advances the source and returns its next draw, 0 to 32767.
inline uint32_t nextdraw(RandomSource *source) {
  source->state = source->state * 214013u + 2531011u;
  return (source->state >> 16) & 0x7FFFu;
}

// Scales a draw to 0..k: k * draw / 32767, k itself only for the draw 32767.
inline int64_t scaledraw(int64_t k, uint32_t draw) {
  return k * static_cast<int64_t>(draw) / 32767;
}

#endif
