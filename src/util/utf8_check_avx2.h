#pragma once

// A UTF-8 check 32 bytes at a time with AVX2, for processors that have it: every byte of a block is judged by its
// neighbours through three table look-ups (the lead byte's high and low half, the next byte's high half), after
// the method of Keiser and Lemire ("Validating UTF-8 in less than one instruction per byte", 2021). Feeds in
// scripts other than Latin are a third to a half multi-byte characters, which a check of one character at a time
// crawls through.

#include <optional>
#include <string_view>

namespace tidewick {

// Whether bytes are valid UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF); nothing when the
// processor has no AVX2.
std::optional<bool> IsValidUtf8Avx2(std::string_view bytes);

}  // namespace tidewick
