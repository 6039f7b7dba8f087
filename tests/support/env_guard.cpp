#include "support/env_guard.h"

#include <stdlib.h>
#include <time.h>

namespace tidewick::test {

namespace {
void Apply(const std::string& name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
  if (name == "TZ") {
    tzset();
  }
}
}  // namespace

EnvGuard::EnvGuard(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
  if (const char* old = getenv(m_name.c_str())) {
    m_previous = old;
  }
  Apply(m_name, value);
}

EnvGuard::~EnvGuard() {
  Apply(m_name, m_previous);
}

}  // namespace tidewick::test
