#include "sync/sync_service.h"

#include "sync/ttrss_service.h"

namespace tidewick {

std::unique_ptr<TSyncService> MakeSyncService(const std::string& kind, TSyncConnection connection) {
  if (kind == "ttrss") {
    return std::make_unique<TTtrssService>(std::move(connection));
  }
  return nullptr;
}

}  // namespace tidewick
