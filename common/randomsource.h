// RandomSource: a 15-bit linear congruential generator. The maze library
// keeps one for its mazes, seeded anew for each; the map generator keeps
// another for its tiles, which starts at state 1 in every run. Both step the
// same way, so a seed means the same draws on every platform.
#ifndef TREVALK_RANDOMSOURCE_H
#define TREVALK_RANDOMSOURCE_H

#include <stdint.h>

struct RandomSource {
  uint32_t state;
};

// One step: state = state * multiplier + increment, wrapping at 32 bits.
constexpr uint32_t kRandomMultiplier = 214013u;
constexpr uint32_t kRandomIncrement = 2531011u;

// The draw a state yields: bits 16 to 30, 0 to 32767.
constexpr uint32_t drawof(uint32_t state) { return (state >> 16) & 0x7FFFu; }

// Advances the source and returns its next draw, 0 to 32767.
inline uint32_t nextdraw(RandomSource *source) {
  source->state = source->state * kRandomMultiplier + kRandomIncrement;
  return drawof(source->state);
}

// Scales a draw to 0..k: k * draw / 32767, k itself only for the draw 32767.
inline int64_t scaledraw(int64_t k, uint32_t draw) {
  return k * static_cast<int64_t>(draw) / 32767;
}

// `steps` steps at once: the state they lead to is
// multiplier * state + increment. Generators that take many draws make them
// side by side from one state, instead of one multiplication after another.
struct RandomJump {
  uint32_t multiplier;
  uint32_t increment;
};

constexpr RandomJump randomjump(uint32_t steps) {
  RandomJump jump = {1, 0};
  for (uint32_t i = 0; i < steps; ++i) {
    jump.multiplier *= kRandomMultiplier;
    jump.increment = jump.increment * kRandomMultiplier + kRandomIncrement;
  }
  return jump;
}

// The jumps of 1 to N steps, jump k - 1 of k steps: a generator that makes
// N draws at a time makes them all from one state.
template <uint32_t N>
struct RandomJumps {
  uint32_t multiplier[N];
  uint32_t increment[N];
};

template <uint32_t N>
constexpr RandomJumps<N> randomjumps() {
  RandomJumps<N> jumps{};
  for (uint32_t i = 0; i < N; ++i) {
    const RandomJump jump = randomjump(i + 1);
    jumps.multiplier[i] = jump.multiplier;
    jumps.increment[i] = jump.increment;
  }
  return jumps;
}

constexpr uint32_t jumpfrom(uint32_t state, RandomJump jump) {
  return jump.multiplier * state + jump.increment;
}

#endif
