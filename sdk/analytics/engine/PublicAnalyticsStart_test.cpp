#include "sdk/analytics/engine/PublicAnalyticsStart.h"

#include <gtest/gtest.h>

#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/installations/Installations.h"
#include "sdk/installations/InstallationsTestSupport.h"
#include "testing/MainThreadEnvironment.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Array;

void drain(MeasurementEngine& engine) {
  for (int i = 0; i < 2; ++i) engine.scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
}

// The start through the core: configuring the SDK starts the
// engine, and the app's opt-out through the core holds at the next launch.
TEST(PublicAnalyticsStartTest, ConfiguringTheSDKStartsTheEngineAndAPersistedOptOutLasts) {
  ostrel::testing::MonitorScope scope;
  auto options = ostrel::testing::validOptionsDictionary();
  options["ANALYTICS_SAFELISTED_EVENTS"] = Array{"_e", "_s"};
  ostrel::testing::SdkWorld world({{"CFBundleIdentifier", ostrel::testing::kBundleID}}, options);
  ostrel::testing::MainThreadEnvironment environment;
  MeasurementEngine::resetSharedInstanceForTesting();
  Analytics::resetForTesting();
  sdk::analytics::registerPublicAnalyticsClass();

  sdk::core::App::configure();
  Analytics::drainForTesting();
  auto engine = MeasurementEngine::sharedInstance();
  ASSERT_TRUE(engine);
  drain(*engine);
  EXPECT_EQ(engine->appID(), ostrel::testing::kAppID);
  EXPECT_EQ(engine->safelistedEvents(), (std::vector<std::string>{"_e", "_s"}));
  EXPECT_TRUE(engine->isEnabled());
  EXPECT_FALSE(engine->network());  // no service address configured: nothing is sent

  // Events reach the engine's database, as far as the options' safelist lets them.
  Analytics::logEventWithName("level_up", {});
  Analytics::drainForTesting();
  drain(*engine);
  ASSERT_TRUE(engine->database());
  auto count = [&](const char* name) {
    auto rows = engine->database()->store().recordsForQuery("SELECT name FROM raw_events WHERE name = ?",
                                                            {platform::foundation::Value(name)});
    return rows ? rows->size() : 0u;
  };
  EXPECT_EQ(count("level_up"), 0u);
  EXPECT_EQ(count("_f"), 0u);
  const auto engagements = count("_e");  // the first open's
  Analytics::logInternalEventWithOrigin("auto", "_e", {});
  Analytics::drainForTesting();
  drain(*engine);
  EXPECT_EQ(count("_e"), engagements + 1);

  sdk::core::AnalyticsConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(false);
  Analytics::drainForTesting();
  drain(*engine);
  EXPECT_FALSE(engine->isEnabled());
  // In the engine's own suite, not only in the standard defaults the core wrote.
  EXPECT_EQ(UserDefaultsSuite(PersistedConfig::kSuiteName).integerForKey("/vadeze/measurement/measurement_enabled_state"),
            2);
  EXPECT_FALSE(engine->collection().shouldEnableMeasurement());

  // A switch the core does not persist changes this launch only.
  sdk::core::AnalyticsConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(true, false);
  Analytics::drainForTesting();
  drain(*engine);
  EXPECT_TRUE(engine->isEnabled());
  EXPECT_EQ(UserDefaultsSuite(PersistedConfig::kSuiteName).integerForKey("/vadeze/measurement/measurement_enabled_state"),
            2);

  drain(*engine);
  Analytics::resetForTesting();
  MeasurementEngine::resetSharedInstanceForTesting();
  sdk::analytics::IdentitySettings::setCurrent(nullptr);
  AppIdentifiers::setEngineIdentity(nullptr);
  platform::foundation::UserDefaults::standard()->removeObjectForKey("/vadeze/measurement/measurement_enabled_state");
}

// The installation ID: asked for at the start only when the installations service has an address, and
// fetched again when the service hands out another one.
TEST(PublicAnalyticsStartTest, TheStartKeepsTheInstallationIDOnlyWhereTheInstallationCanBeRegistered) {
  ostrel::testing::MonitorScope scope;
  ostrel::testing::LoopbackServer server;
  constexpr const char* kAssignedID = "cXNlcnZlcl9hc3NpZ25lZA";
  server.on("POST", ostrel::testing::installationsPath(),
            ostrel::testing::createdReply("refresh-token", "auth-token", "604800s", kAssignedID));
  sdk::installations::Installations::registerLibrary();
  sdk::analytics::registerPublicAnalyticsClass();
  auto identity = Identity::sharedInstance();
  auto configure = [&](platform::foundation::Dictionary options, bool registers) {
    ostrel::testing::SdkWorld world({{"CFBundleIdentifier", ostrel::testing::kBundleID}}, options);
    ostrel::testing::PromiseEnvironment environment;
    MeasurementEngine::resetSharedInstanceForTesting();
    Analytics::resetForTesting();
    const std::string before = identity->coreInstallationID();
    sdk::core::App::configure();
    Analytics::drainForTesting();
    // Registration and the ID it brings come back through the main queue.
    if (registers) {
      platform::dispatch::MainLoop::runUntil(
          [&] { return identity->coreInstallationID() == kAssignedID && server.requestCount() > 0; }, 20);
    }
    EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10));
    environment.drain();
    const std::string after = identity->coreInstallationID();
    if (auto engine = MeasurementEngine::sharedInstance()) drain(*engine);
    Analytics::resetForTesting();
    MeasurementEngine::resetSharedInstanceForTesting();
    return std::pair(before, after);
  };

  auto [before, after] = configure(ostrel::testing::validOptionsDictionary(), false);
  EXPECT_EQ(after, before) << "no service address: no installation made";
  EXPECT_EQ(server.requestCount(), 0u);

  auto options = ostrel::testing::validOptionsDictionary();
  options[sdk::installations::ServiceClient::kServiceURLOptionKey] = server.url("/");
  auto [_, registered] = configure(options, true);
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(registered, kAssignedID) << "the ID the service assigned replaced the one made here";

  sdk::analytics::IdentitySettings::setCurrent(nullptr);
  AppIdentifiers::setEngineIdentity(nullptr);
}

}  // namespace

}  // namespace sdk::analytics

