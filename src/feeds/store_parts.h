#pragma once

// A large sound store read by several threads: the file is cut where feeds start, each part is read into feed
// records on a thread of its own, and the parts are joined in file order. The result is the one a single reading
// gives; whenever that is not certain (a part does not end between two feeds, a break in the structure, bytes
// that are not UTF-8 or a zero byte), there is none and the caller reads the file in one go.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "feeds/store_reader.h"

namespace tidewick {

// Reads the store in fd (size bytes, UTF-8) in up to parts parts, each read piece by piece.
std::optional<TStoreReadResult> ReadStoreInParts(int fd, uint64_t size, size_t pieceSize, size_t parts);

}  // namespace tidewick
