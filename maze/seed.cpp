#include "seed.h"

#include <stdlib.h>
#include <time.h>

bool parseseed(const char *text, uint32_t *seed) {
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

uint32_t mazeseed() {
  uint32_t seed;
  if (parseseed(getenv("QUENDREL_SEED"), &seed)) return seed;
  return static_cast<uint32_t>(time(nullptr));
}
