#include "sdk/analytics/engine/ZEDIvadazudo.h"

#include <gtest/gtest.h>

#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/FacadeTestSupport.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "sdk/core/REDIri.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

class PublicInterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ostrel::testing::ScopedIdentitySettings::install();
    APMAnalytics::resetForTesting();
    APMAnalytics::installErrorEventHandler();
    ostrel::testing::installRecordingEngine(engine);
    APMAnalytics::setIdentityForTesting(APMIdentity::initWithPersistedConfig(std::make_shared<APMPersistedConfig>()));
  }
  void TearDown() override {
    APMAnalytics::resetForTesting();
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::MonitorScope log;
  std::shared_ptr<ostrel::testing::RecordingEngine> engine =
      std::make_shared<ostrel::testing::RecordingEngine>();
};

TEST_F(PublicInterfaceTest, EventsAndPropertiesWaitForTheConfiguredApp) {
  ASSERT_FALSE(REDIri::isDefaultAppConfigured());
  ZEDIvadazudo::logEventWithName("level_up", {});
  ZEDIvadazudo::setUserPropertyString(Value("red"), "color");
  ZEDIvadazudo::setUserID(Value("u1"));
  APMAnalytics::startWithAppID("1:app", "fa", {});
  APMAnalytics::drainForTesting();
  EXPECT_TRUE(log.logged(25018));
  EXPECT_TRUE(log.logged(25019));
  EXPECT_EQ(engine->calls(), (std::vector<std::string>{"create 1:app", "set _id=u1 app"}))
      << "the user ID is taken before configuration";
}

TEST_F(PublicInterfaceTest, StartOptionsCarryTheSwitchesAndTheLogTag) {
  auto options = VUROptions::initInternalWithOptionsDictionary(
      Dictionary{{"VADEZE_APP_ID", Value("1:app")}, {VUROptions::kAnalyticsCollectionEnabled, Value(false)}});
  ASSERT_TRUE(options);
  const Dictionary start = ZEDIvadazudo::startOptions(*options);
  EXPECT_EQ(start.at(APMAnalytics::kOptionCollectionEnabled), Value(false));
  EXPECT_EQ(start.at(APMAnalytics::kOptionCollectionDeactivated), Value(false));
  EXPECT_EQ(start.at(APMAnalytics::kOptionLogTag), Value("[Vurevore/Analytics]"));
  EXPECT_FALSE(start.contains(APMAnalytics::kOptionSafelistedEvents)) << "no options file, no safelist";
  EXPECT_EQ(ZEDIvadazudo::topLevelVersion(), "8.7.0");
}

}  // namespace
