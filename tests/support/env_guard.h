#pragma once

#include <optional>
#include <string>

namespace tidewick::test {

// Sets (or unsets) an environment variable for one test and puts the old value back afterwards.
class EnvGuard {
 public:
  EnvGuard(std::string name, const std::optional<std::string>& value);
  ~EnvGuard();
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_previous;
};

}  // namespace tidewick::test
