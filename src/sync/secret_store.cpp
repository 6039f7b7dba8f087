#include "sync/secret_store.h"

#include <chrono>
#include <condition_variable>
#include <libsecret/secret.h>
#include <memory>
#include <mutex>
#include <thread>

namespace tidewick {

namespace {

// Long enough for a keyring on a busy desktop, short enough that a caller waiting on a service that never answers
// (a hung daemon, a prompt nobody sees) gives up and asks for the password instead.
constexpr auto kSecretTimeout = std::chrono::seconds(5);

const SecretSchema* AccountSchema() {
  static const SecretSchema kSchema = {"org.tidewick.Account",
                                       SECRET_SCHEMA_NONE,
                                       {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                       0,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr};
  return &kSchema;
}

// A cancellable that cancels itself after kSecretTimeout, for one blocking call.
class TTimedCancellable {
 public:
  TTimedCancellable()
      : m_cancellable(g_cancellable_new()), m_timer([this](const std::stop_token& stop) {
          std::unique_lock lock(m_mutex);
          m_wake.wait_for(lock, stop, kSecretTimeout, [] { return false; });
          if (!stop.stop_requested()) {
            g_cancellable_cancel(m_cancellable);
          }
        }) {}
  ~TTimedCancellable() {
    m_timer.request_stop();
    m_timer.join();
    g_object_unref(m_cancellable);
  }
  TTimedCancellable(const TTimedCancellable&) = delete;
  TTimedCancellable& operator=(const TTimedCancellable&) = delete;

  GCancellable* Get() const { return m_cancellable; }

 private:
  GCancellable* m_cancellable;
  std::mutex m_mutex;
  std::condition_variable_any m_wake;
  std::jthread m_timer;  // last: started once the rest exists
};

struct TErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using TErrorPtr = std::unique_ptr<GError, TErrorFree>;

}  // namespace

bool SecretServiceAvailable() {
  const TTimedCancellable cancellable;
  GError* error = nullptr;
  // Opening a session asks the service itself: a bus without one, or no bus at all, fails here.
  SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, cancellable.Get(), &error);
  const TErrorPtr failure(error);
  if (service == nullptr) {
    return false;
  }
  const bool available = secret_service_get_session_algorithms(service) != nullptr;
  g_object_unref(service);
  return available;
}

TSecretResult LookupAccountPassword(const std::string& serverUrl, const std::string& userName, std::string& password) {
  const TTimedCancellable cancellable;
  GError* error = nullptr;
  gchar* found = secret_password_lookup_sync(AccountSchema(), cancellable.Get(), &error, "server", serverUrl.c_str(),
                                             "user", userName.c_str(), nullptr);
  const TErrorPtr failure(error);
  if (failure) {
    return TSecretResult::Unavailable;
  }
  if (found == nullptr) {
    return TSecretResult::NotFound;
  }
  password.assign(found);
  secret_password_free(found);  // wipes the copy libsecret made
  return TSecretResult::Ok;
}

TSecretResult StoreAccountPassword(const std::string& serverUrl, const std::string& userName,
                                   const std::string& password) {
  const TTimedCancellable cancellable;
  const std::string label = "Tidewick: " + userName + "@" + serverUrl;
  GError* error = nullptr;
  const gboolean stored = secret_password_store_sync(AccountSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                                     password.c_str(), cancellable.Get(), &error, "server",
                                                     serverUrl.c_str(), "user", userName.c_str(), nullptr);
  const TErrorPtr failure(error);
  return stored && !failure ? TSecretResult::Ok : TSecretResult::Unavailable;
}

TSecretResult ClearAccountPassword(const std::string& serverUrl, const std::string& userName) {
  const TTimedCancellable cancellable;
  GError* error = nullptr;
  const gboolean removed = secret_password_clear_sync(AccountSchema(), cancellable.Get(), &error, "server",
                                                      serverUrl.c_str(), "user", userName.c_str(), nullptr);
  const TErrorPtr failure(error);
  if (failure) {
    return TSecretResult::Unavailable;
  }
  return removed ? TSecretResult::Ok : TSecretResult::NotFound;
}

}  // namespace tidewick
