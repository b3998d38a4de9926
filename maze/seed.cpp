#include "seed.h"

#include <stdlib.h>
#include <time.h>

#include "seedtext.h"

uint32_t mazeseed() {
  uint32_t seed;
  if (parseseedtext(getenv("QUENDREL_SEED"), &seed)) return seed;
  return static_cast<uint32_t>(time(nullptr));
}
