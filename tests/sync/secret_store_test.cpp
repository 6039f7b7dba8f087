#include "sync/secret_store.h"

#include <unistd.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace tidewick {
namespace {

// Against a real Secret Service: the ctest core.sync.secret_service runs these inside a private D-Bus session with
// its own unlocked GNOME Keyring (tests/sync/secret_service_session.sh).
TEST(SecretStore, StoresLooksUpAndClearsAPasswordInTheSecretService) {
  if (std::getenv("TIDEWICK_SECRET_SERVICE") == nullptr) {
    GTEST_SKIP() << "needs the private keyring session of core.sync.secret_service";
  }
  ASSERT_TRUE(SecretServiceAvailable());
  const std::string server = "https://rss.example.org/tt-rss/";
  std::string password = "unchanged";
  EXPECT_EQ(LookupAccountPassword(server, "anna", password), TSecretResult::NotFound);
  EXPECT_EQ(password, "unchanged");
  ASSERT_EQ(StoreAccountPassword(server, "anna", "s3cr\xC3\xABt \"pw\""), TSecretResult::Ok);
  ASSERT_EQ(StoreAccountPassword(server, "bert", "other"), TSecretResult::Ok);
  ASSERT_EQ(StoreAccountPassword(server, "anna", "s3cr\xC3\xABt \"pw\" 2"), TSecretResult::Ok);  // replaces it
  EXPECT_EQ(LookupAccountPassword(server, "anna", password), TSecretResult::Ok);
  EXPECT_EQ(password, "s3cr\xC3\xABt \"pw\" 2");
  EXPECT_EQ(LookupAccountPassword("https://rss.example.org/", "anna", password), TSecretResult::NotFound);
  EXPECT_EQ(ClearAccountPassword(server, "anna"), TSecretResult::Ok);
  EXPECT_EQ(ClearAccountPassword(server, "anna"), TSecretResult::NotFound);
  EXPECT_EQ(LookupAccountPassword(server, "anna", password), TSecretResult::NotFound);
  EXPECT_EQ(LookupAccountPassword(server, "bert", password), TSecretResult::Ok);
  EXPECT_EQ(password, "other");
}

// Without a bus every call says so, at once, and none claims success. In a child, and only in core.sync, which
// never connects to a bus before: a process keeps the first session bus it reached.
TEST(SecretStore, WithoutASessionBusEverythingIsUnavailable) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tidewick-bus", 1);
    std::string password;
    const bool unavailable = !SecretServiceAvailable() &&
                             LookupAccountPassword("s", "u", password) == TSecretResult::Unavailable &&
                             StoreAccountPassword("s", "u", "pw") == TSecretResult::Unavailable &&
                             ClearAccountPassword("s", "u") == TSecretResult::Unavailable && password.empty();
    ::_exit(unavailable ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tidewick
