#pragma once

// Allocator settings for programs that run many download workers at once.

namespace tidewick {

// Keeps the peak memory of a refresh of many feeds close to what is really held: all threads share two malloc
// arenas (glibc's default is eight per core), so a worker's freed document is reused by the next one instead of
// staying with its thread, and blocks from 256 KiB on (large bodies and document trees) are mapped on their own and
// handed back to the system when freed instead of leaving holes between the entries that stay. Call it before
// starting threads; does nothing where the C library has no such settings.
void KeepAllocatorCompact();

}  // namespace tidewick
