#include "largeblock.h"

#include <errno.h>
#include <stdlib.h>

// The platform's part, one block per platform: where huge pages can be asked
// for (Linux, among the POSIX systems), large blocks are aligned to them and advised onto them;
// everywhere else (Windows, the browser) they come from malloc.
#include "platform.h"

#if TREVALK_OS_POSIX
#include <sys/mman.h>
#endif

#if TREVALK_OS_POSIX && defined(MADV_HUGEPAGE)

namespace {

constexpr uint64_t kHugePage = uint64_t(2) << 20;

void *allocatealigned(size_t length) {
  if (length < 4 * kHugePage) return malloc(length);
  void *block = nullptr;
  int error = posix_memalign(&block, kHugePage, length);
  if (error != 0) {
    errno = error;
    return nullptr;
  }
  // Only advice: without huge pages the block works the same.
  madvise(block, length / kHugePage * kHugePage, MADV_HUGEPAGE);
  return block;
}

}  // namespace

#else  // Windows, the browser, other systems

namespace {

void *allocatealigned(size_t length) { return malloc(length); }

}  // namespace

#endif

uint8_t *allocatelargeblock(uint64_t length) {
  if (length > SIZE_MAX) {
    errno = ENOMEM;
    return nullptr;
  }
  return static_cast<uint8_t *>(allocatealigned(size_t(length)));
}
