#pragma once

#include <string>
#include <string_view>

namespace tidewick {

// The program's version values: "ProductName", "ProductVersion" or "LegalCopyright" (compiled in by the build);
// any other name gives "".
std::string GetVersionString(std::string_view valueName);

}  // namespace tidewick
