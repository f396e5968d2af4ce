#include "sdk/analytics/engine/PublicAnalytics.h"

#include <gtest/gtest.h>

#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/FacadeTestSupport.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/core/App.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

class PublicInterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ostrel::testing::ScopedIdentitySettings::install();
    Analytics::resetForTesting();
    Analytics::installErrorEventHandler();
    ostrel::testing::installRecordingEngine(engine);
    Analytics::setIdentityForTesting(Identity::initWithPersistedConfig(std::make_shared<PersistedConfig>()));
  }
  void TearDown() override {
    Analytics::resetForTesting();
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::MonitorScope log;
  std::shared_ptr<ostrel::testing::RecordingEngine> engine =
      std::make_shared<ostrel::testing::RecordingEngine>();
};

TEST_F(PublicInterfaceTest, EventsAndPropertiesWaitForTheConfiguredApp) {
  ASSERT_FALSE(sdk::core::App::isDefaultAppConfigured());
  PublicAnalytics::logEventWithName("level_up", {});
  PublicAnalytics::setUserPropertyString(Value("red"), "color");
  PublicAnalytics::setUserID(Value("u1"));
  Analytics::startWithAppID("1:app", "fa", {});
  Analytics::drainForTesting();
  EXPECT_TRUE(log.logged(25018));
  EXPECT_TRUE(log.logged(25019));
  EXPECT_EQ(engine->calls(), (std::vector<std::string>{"create 1:app", "set _id=u1 app"}))
      << "the user ID is taken before configuration";
}

// What another SDK part hands the interface reaches the facade's own listeners and links.
TEST_F(PublicInterfaceTest, ListenersAndOpenedLinksGoThroughToTheFacade) {
  std::vector<std::string> heard;
  std::vector<std::string> opened;
  const auto token = PublicAnalytics::addLogEventListener([&](const AnalyticsEvent& e) { heard.push_back(e.name()); });
  ASSERT_TRUE(token);
  PublicAnalytics::setOpenURLListener([&](const std::string& url) { opened.push_back(url); });
  Analytics::startWithAppID("1:app", "fa", {});
  const auto event = AnalyticsEvent::create("app", true, "level_up", 1, 0, {});
  ASSERT_TRUE(event);
  PublicAnalytics::notifyEventListeners(*event);
  PublicAnalytics::handleOpenURL("ostrel://open?utm_source=news");
  PublicAnalytics::removeLogEventListener(token);
  PublicAnalytics::notifyEventListeners(*event);
  Analytics::drainForTesting();
  EXPECT_EQ(heard, std::vector<std::string>{"level_up"});
  EXPECT_EQ(opened, std::vector<std::string>{"ostrel://open?utm_source=news"});
}

TEST_F(PublicInterfaceTest, StartOptionsCarryTheSwitchesAndTheLogTag) {
  auto options = sdk::core::AppOptions::initInternalWithOptionsDictionary(
      Dictionary{{"VADEZE_APP_ID", Value("1:app")}, {sdk::core::AppOptions::kAnalyticsCollectionEnabled, Value(false)}});
  ASSERT_TRUE(options);
  const Dictionary start = PublicAnalytics::startOptions(*options);
  EXPECT_EQ(start.at(Analytics::kOptionCollectionEnabled), Value(false));
  EXPECT_EQ(start.at(Analytics::kOptionCollectionDeactivated), Value(false));
  EXPECT_EQ(start.at(Analytics::kOptionLogTag), Value("[Vurevore/Analytics]"));
  EXPECT_FALSE(start.contains(Analytics::kOptionSafelistedEvents)) << "no options file, no safelist";
  EXPECT_EQ(PublicAnalytics::topLevelVersion(), "8.7.0");
}

}  // namespace

}  // namespace sdk::analytics

