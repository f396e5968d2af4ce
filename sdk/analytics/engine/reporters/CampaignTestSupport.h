#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/reporters/CampaignReporter.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/SqliteStore.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/ExperimentsTestSupport.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace ostrel::testing {

// A real engine over a scratch container, with advertising services a test sets, an Info.plist it
// writes and the analytics services on a loopback server.
class CampaignEngineTest : public ::testing::Test {
 protected:
  static constexpr const char* kAppID = "1:100000000001:ios:0123456789abcdef";
  static constexpr const char* kDeviceID = "6D92078A-8246-4BA4-AE5B-76104861E7DC";

  CampaignEngineTest() {
    setenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable, server.url("").c_str(), 1);
    previousBundle = platform::foundation::Bundle::setMainPath(container.path());
    support->deviceID = kDeviceID;
    // Tests read the monitor's kept lines; an upload of the first open's events must not take them away
    // into a bundle.
    persisted->setLastMonitorDataSampledTimestamp(environment.clock()->now());
    sdk::analytics::AppIdentifiers::sharedInstance()->setOrigin("fa");
    sdk::analytics::CampaignReporter::installFactory();
  }
  ~CampaignEngineTest() override {
    stopEngine();
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    sdk::analytics::AppIdentifiers::setEngineIdentity(nullptr);
    platform::foundation::Bundle::setMainPath(previousBundle);
    unsetenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable);
  }

  void writeInfoPlist(const platform::foundation::Dictionary& info) {
    ASSERT_TRUE(platform::foundation::PropertyList::writeFile(container.pathFor("Info.plist"),
                                                              platform::foundation::Value(info),
                                                              platform::foundation::PropertyList::Format::Xml));
  }

  // A start of the engine, as at a launch: the previous one is gone first.
  void startEngine() {
    stopEngine();
    identity = sdk::analytics::Identity::initWithPersistedConfig(persisted, support);
    identity->setAppIDFromVMP(kAppID);
    sdk::analytics::MeasurementEngine::Parts parts;
    parts.persistedConfig = persisted;
    parts.scheduler = std::make_shared<sdk::analytics::Scheduler>("test.worker");
    parts.alarm = std::make_shared<sdk::analytics::Alarm>(parts.scheduler->workerQueue(), sdk::analytics::MeasurementEngine::kAlarmName);
    parts.identity = identity;
    parts.network = network;
    engine = sdk::analytics::MeasurementEngine::initWithParts(parts, kAppID, true, false, {});
    settle();
  }
  void stopEngine() {
    if (!engine) return;
    settle();
    engine.reset();
  }
  void settle() {
    for (int i = 0; i < 2; ++i) engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
  }
  void onWorker(const std::function<void()>& block) {
    engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", block);
  }
  static bool spinUntil(const std::function<bool()>& predicate) { return TaskManagerEnvironment::spinUntil(predicate); }

  std::vector<sdk::analytics::AnalyticsEvent> storedEvents() {
    std::vector<sdk::analytics::AnalyticsEvent> events;
    onWorker([&] {
      auto rows = engine->database()->store().recordsForQuery("SELECT * FROM raw_events ORDER BY rowid", {});
      for (const auto& row : rows.valueOr(std::vector<sdk::analytics::SqliteStore::Row>{})) {
        if (auto data = sdk::analytics::MeasurementDatabase::rawEventDataFromDictionary(row))
          events.push_back(data->rawEvent);
      }
    });
    return events;
  }
  std::vector<sdk::analytics::AnalyticsEvent> storedEvents(const std::string& name) {
    std::vector<sdk::analytics::AnalyticsEvent> named;
    for (auto& event : storedEvents()) {
      if (event.name() == name) named.push_back(event);
    }
    return named;
  }

  MonitorScope scope{std::vector<std::string>{"-APMAnalyticsDebugEnabled", "-APMAnalyticsVerboseLoggingEnabled"}};
  TempContainer container;
  MainThreadEnvironment environment;
  LoopbackServer server;
  std::string previousBundle;
  std::shared_ptr<ScopedIdentitySettings> settings = ScopedIdentitySettings::install();
  std::shared_ptr<FakeIdentitySupport> support = std::make_shared<FakeIdentitySupport>();
  std::shared_ptr<sdk::analytics::PersistedConfig> persisted = std::make_shared<sdk::analytics::PersistedConfig>();
  std::shared_ptr<sdk::utilities::HTTPClient> network = sdk::utilities::HTTPClient::initWithReachabilityHost("127.0.0.1");
  std::shared_ptr<sdk::analytics::Identity> identity;
  std::shared_ptr<sdk::analytics::MeasurementEngine> engine;
};

}  // namespace ostrel::testing
