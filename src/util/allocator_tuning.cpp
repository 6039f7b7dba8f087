#include "util/allocator_tuning.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace tidewick {

void ShareAllocatorArenas() {
#if defined(M_ARENA_MAX)
  constexpr int kArenas = 1;  // the workers mostly wait for the network; one arena keeps freed memory reusable
  mallopt(M_ARENA_MAX, kArenas);
#endif
}

}  // namespace tidewick
