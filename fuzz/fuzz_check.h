#pragma once

// The fuzz targets' assertion: a broken property aborts, which libFuzzer reports with the input that broke it.

#include <cstdlib>

namespace tidewick::fuzz {

inline void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace tidewick::fuzz
