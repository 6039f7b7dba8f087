#pragma once

#include <string>

namespace tidewick {

// How fetches reach the web, as the settings hold it. The defaults are those of a fresh settings file.
struct TProxy {
  int Mode = 0;        // 0: the system's proxy configuration (environment), 1: direct, 2: the server below
  std::string Server;  // host of the proxy (mode 2); empty falls back to the system's configuration
  int Port = 8080;     // port of the proxy (mode 2)
};

}  // namespace tidewick
