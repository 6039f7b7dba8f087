#pragma once

// Allocator settings for programs that run many download workers at once.

namespace tidewick {

// Lets all threads share a few malloc arenas instead of one per thread (glibc's default is eight per core): a
// worker's freed document is then reused by the next one instead of staying with its thread's arena, which keeps
// the peak memory of a refresh of many feeds close to what is really held. Call it before starting threads; does
// nothing where the C library has no such setting.
void ShareAllocatorArenas();

}  // namespace tidewick
