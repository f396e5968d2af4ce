#include "sdk/core/CoreLogger.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "testing/ChildProcess.h"
#include "testing/TempContainer.h"

namespace sdk::core {

namespace {

constexpr const char* kExpectVariable = "VUR_LOGGER_TEST_EXPECT";

// One launch: the logger sets itself up from this process's arguments and the stored switch, and
// the child reports whether a debug line came through and what is stored now.
TEST(CoreLoggerTest, LaunchHalf) {
  const char* expect = std::getenv(kExpectVariable);
  if (!expect) GTEST_SKIP() << "runs as a child of the launch test";
  ostrel::testing::LoggedLines log;
  resetCoreLoggerForTesting();
  coreLogDebug("[Vurevore/Core]", "I-COR999999", "a debug line");
  coreLogInfo("[Vurevore/Core]", "I-COR999998", "an info line");
  const bool debugOn = std::string(expect) == "debug";
  EXPECT_EQ(log.contains("a debug line"), debugOn);
  EXPECT_EQ(log.contains("an info line"), debugOn) << "info passes only in debug mode";
  EXPECT_EQ(platform::foundation::UserDefaults::standard()->objectForKey(kDebugModeKey).toBool(), debugOn);
  coreLogError("[Vurevore/Core]", "I-COR999997", "an error line");
  EXPECT_TRUE(log.contains("8.7.0 - [Vurevore/Core][I-COR999997] an error line"));
}

TEST(CoreLoggerTest, TheDebugSwitchOutlivesTheLaunchUntilItIsTurnedOff) {
  ostrel::testing::TempContainer home;
  struct Launch {
    std::vector<std::string> arguments;
    const char* expect;
  };
  const Launch launches[] = {
      {{}, "quiet"},
      {{"-VURDebugEnabled"}, "debug"},
      {{}, "debug"},  // remembered
      {{"-VURDebugEnabled", "-VURDebugDisabled"}, "quiet"},
      {{}, "quiet"},
      {{"-VURLoggerForceSTDERR"}, "quiet"},
  };
  for (const auto& launch : launches) {
    pid_t child = ostrel::testing::spawnTestChild(
        "CoreLoggerTest.LaunchHalf", {std::string(kExpectVariable) + "=" + launch.expect, "OSTREL_HOME=" + home.path()},
        launch.arguments);
    EXPECT_EQ(ostrel::testing::waitTestChild(child), 0) << launch.expect;
  }
}

}  // namespace

}  // namespace sdk::core

