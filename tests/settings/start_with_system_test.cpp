#include "settings/start_with_system.h"

#include <gtest/gtest.h>

#include "platform/autostart.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

class StartWithSystem : public testing::Test {
 protected:
  test::TempDir m_dir;
  test::EnvGuard m_config{"XDG_CONFIG_HOME", m_dir.Path().string()};
};

TEST_F(StartWithSystem, CheckingTheBoxCreatesTheEntryForThisProgramAndUncheckingRemovesIt) {
  EXPECT_FALSE(IsStartWithSystemEnabled("/opt/Tidewick/tidewick"));
  EXPECT_FALSE(SetStartWithSystem(true, ""));
  ASSERT_TRUE(SetStartWithSystem(true, "/opt/Tidewick/tidewick"));
  EXPECT_EQ(ReadAutostartCommand(), "\"/opt/Tidewick/tidewick\" /MIN");
  EXPECT_TRUE(IsStartWithSystemEnabled("/OPT/tidewick/TIDEWICK"));  // paths compare ignoring case
  EXPECT_FALSE(IsStartWithSystemEnabled("/usr/bin/tidewick"));
  EXPECT_FALSE(IsStartWithSystemEnabled(""));
  ASSERT_TRUE(SetStartWithSystem(false, "/opt/Tidewick/tidewick"));
  EXPECT_FALSE(IsStartWithSystemEnabled("/opt/Tidewick/tidewick"));
}

}  // namespace
}  // namespace tidewick
