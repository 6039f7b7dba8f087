#include "util/allocator_tuning.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace tidewick {

void KeepAllocatorCompact() {
#if defined(M_ARENA_MAX) && defined(M_MMAP_THRESHOLD)
  constexpr int kArenas = 1;                  // the workers mostly wait for the network: little lock contention
  constexpr int kOwnMappingFrom = 256 << 10;  // a fixed value also stops glibc from raising it after each free
  mallopt(M_ARENA_MAX, kArenas);
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}

}  // namespace tidewick
