#include "sdk/analytics/engine/ZEDIvadazudoStart.h"

#include <gtest/gtest.h>

#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/APMIdentifiers.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "sdk/analytics/foundation/APMUserDefaults.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/core/VURCoreTestSupport.h"
#include "sdk/installations/VURInstallations.h"
#include "sdk/installations/VURInstallationsTestSupport.h"
#include "testing/MainThreadEnvironment.h"

namespace {

using platform::foundation::Array;

void drain(APMMeasurement& engine) {
  for (int i = 0; i < 2; ++i) engine.scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
}

// The start through the core: configuring the SDK starts the
// engine, and the app's opt-out through the core holds at the next launch.
TEST(ZEDIvadazudoStartTest, ConfiguringTheSDKStartsTheEngineAndAPersistedOptOutLasts) {
  ostrel::testing::MonitorScope scope;
  auto options = ostrel::testing::validOptionsDictionary();
  options["ANALYTICS_SAFELISTED_EVENTS"] = Array{"_e", "_s"};
  ostrel::testing::SdkWorld world({{"CFBundleIdentifier", ostrel::testing::kBundleID}}, options);
  ostrel::testing::MainThreadEnvironment environment;
  APMMeasurement::resetSharedInstanceForTesting();
  APMAnalytics::resetForTesting();
  sdk::analytics::ZEDIvadazudoRegisterClass();

  REDIri::configure();
  APMAnalytics::drainForTesting();
  auto engine = APMMeasurement::sharedInstance();
  ASSERT_TRUE(engine);
  drain(*engine);
  EXPECT_EQ(engine->appID(), ostrel::testing::kAppID);
  EXPECT_EQ(engine->safelistedEvents(), (std::vector<std::string>{"_e", "_s"}));
  EXPECT_TRUE(engine->isEnabled());
  EXPECT_FALSE(engine->network());  // no service address configured: nothing is sent

  // Events reach the engine's database, as far as the options' safelist lets them.
  APMAnalytics::logEventWithName("level_up", {});
  APMAnalytics::drainForTesting();
  drain(*engine);
  platform::foundation::Error error;
  ASSERT_TRUE(engine->database());
  auto count = [&](const char* name) {
    auto rows = engine->database()->store().recordsForQuery("SELECT name FROM raw_events WHERE name = ?",
                                                            {platform::foundation::Value(name)}, &error);
    return rows ? rows->size() : 0u;
  };
  EXPECT_EQ(count("level_up"), 0u);
  EXPECT_EQ(count("_f"), 0u);
  const auto engagements = count("_e");  // the first open's
  APMAnalytics::logInternalEventWithOrigin("auto", "_e", {});
  APMAnalytics::drainForTesting();
  drain(*engine);
  EXPECT_EQ(count("_e"), engagements + 1);

  ZEDIvadazudoConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(false);
  APMAnalytics::drainForTesting();
  drain(*engine);
  EXPECT_FALSE(engine->isEnabled());
  // In the engine's own suite, not only in the standard defaults the core wrote.
  EXPECT_EQ(APMUserDefaults(APMPersistedConfig::kSuiteName).integerForKey("/vadeze/measurement/measurement_enabled_state"),
            2);
  EXPECT_FALSE(engine->shouldEnableMeasurement());

  // A switch the core does not persist changes this launch only.
  ZEDIvadazudoConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(true, false);
  APMAnalytics::drainForTesting();
  drain(*engine);
  EXPECT_TRUE(engine->isEnabled());
  EXPECT_EQ(APMUserDefaults(APMPersistedConfig::kSuiteName).integerForKey("/vadeze/measurement/measurement_enabled_state"),
            2);

  drain(*engine);
  APMAnalytics::resetForTesting();
  APMMeasurement::resetSharedInstanceForTesting();
  sdk::analytics::IdentitySettings::setCurrent(nullptr);
  APMIdentifiers::setEngineIdentity(nullptr);
  platform::foundation::UserDefaults::standard()->removeObjectForKey("/vadeze/measurement/measurement_enabled_state");
}

// The installation ID: asked for at the start only when the installations service has an address, and
// fetched again when the service hands out another one.
TEST(ZEDIvadazudoStartTest, TheStartKeepsTheInstallationIDOnlyWhereTheInstallationCanBeRegistered) {
  ostrel::testing::MonitorScope scope;
  ostrel::testing::LoopbackServer server;
  constexpr const char* kAssignedID = "cXNlcnZlcl9hc3NpZ25lZA";
  server.on("POST", ostrel::testing::installationsPath(),
            ostrel::testing::createdReply("refresh-token", "auth-token", "604800s", kAssignedID));
  VURInstallations::registerLibrary();
  sdk::analytics::ZEDIvadazudoRegisterClass();
  auto identity = APMIdentity::sharedInstance();
  auto configure = [&](platform::foundation::Dictionary options, bool registers) {
    ostrel::testing::SdkWorld world({{"CFBundleIdentifier", ostrel::testing::kBundleID}}, options);
    ostrel::testing::PromiseEnvironment environment;
    APMMeasurement::resetSharedInstanceForTesting();
    APMAnalytics::resetForTesting();
    const std::string before = identity->vurevoreInstallationID();
    REDIri::configure();
    APMAnalytics::drainForTesting();
    // Registration and the ID it brings come back through the main queue.
    if (registers) {
      platform::dispatch::MainLoop::runUntil(
          [&] { return identity->vurevoreInstallationID() == kAssignedID && server.requestCount() > 0; }, 20);
    }
    VBLWaitForPromisesWithTimeout(10);
    environment.drain();
    const std::string after = identity->vurevoreInstallationID();
    if (auto engine = APMMeasurement::sharedInstance()) drain(*engine);
    APMAnalytics::resetForTesting();
    APMMeasurement::resetSharedInstanceForTesting();
    return std::pair(before, after);
  };

  auto [before, after] = configure(ostrel::testing::validOptionsDictionary(), false);
  EXPECT_EQ(after, before) << "no service address: no installation made";
  EXPECT_EQ(server.requestCount(), 0u);

  auto options = ostrel::testing::validOptionsDictionary();
  options[VURInstallationsAPIService::kServiceURLOptionKey] = server.url("/");
  auto [_, registered] = configure(options, true);
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(registered, kAssignedID) << "the ID the service assigned replaced the one made here";

  sdk::analytics::IdentitySettings::setCurrent(nullptr);
  APMIdentifiers::setEngineIdentity(nullptr);
}

}  // namespace
