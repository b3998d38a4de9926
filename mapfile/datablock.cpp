#include "datablock.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr uint64_t kHugePage = uint64_t(2) << 20;

}  // namespace

uint8_t *allocatedatablock(uint64_t length) {
  if (length > SIZE_MAX) {
    errno = ENOMEM;
    return nullptr;
  }
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (length >= 4 * kHugePage) {
    void *block = nullptr;
    int error = posix_memalign(&block, kHugePage, size_t(length));
    if (error != 0) {
      errno = error;
      return nullptr;
    }
    // Only advice: without huge pages the block works the same.
    madvise(block, size_t(length) / kHugePage * kHugePage, MADV_HUGEPAGE);
    return static_cast<uint8_t *>(block);
  }
#endif
  return static_cast<uint8_t *>(malloc(size_t(length)));
}

void fillwords(uint8_t *data, uint64_t length, uint16_t word) {
  uint8_t pattern[64];
  for (size_t i = 0; i < sizeof pattern; i += 2) {
    pattern[i] = static_cast<uint8_t>(word);
    pattern[i + 1] = static_cast<uint8_t>(word >> 8);
  }
  uint64_t done = 0;
  for (; done + sizeof pattern <= length; done += sizeof pattern)
    memcpy(data + done, pattern, sizeof pattern);
  memcpy(data + done, pattern, size_t(length - done));
}
