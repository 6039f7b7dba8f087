#include "util/allocator_tuning.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace tidewick {

void KeepAllocatorCompact() {
#if defined(M_ARENA_MAX) && defined(M_MMAP_THRESHOLD)
  // Two arenas: the store is read and documents are read by two threads at once, which one arena's lock would
  // make take turns; more would only keep more freed memory apart.
  constexpr int kArenas = 2;
  constexpr int kOwnMappingFrom = 256 << 10;  // a fixed value also stops glibc from raising it after each free
  mallopt(M_ARENA_MAX, kArenas);
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}

}  // namespace tidewick
