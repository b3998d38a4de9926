// The seed of a maze as text: what QUENDREL_SEED may hold, which the maze
// library takes and the map generator checks so that it can warn of a seed
// the library will not take.
#ifndef TREVALK_SEEDTEXT_H
#define TREVALK_SEEDTEXT_H

#include <stdint.h>

// Reads a seed: a whole decimal number from 0 to 4294967295, digits only.
// Returns false, leaving *seed alone, for anything else: null, empty, a sign,
// a blank, any other character, a number past 32 bits.
inline bool parseseedtext(const char *text, uint32_t *seed) {
  if (text == nullptr || *text == '\0') return false;
  uint64_t value = 0;
  for (const char *c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(*c - '0');
    if (value > 0xFFFFFFFFu) return false;
  }
  *seed = static_cast<uint32_t>(value);
  return true;
}

#endif
