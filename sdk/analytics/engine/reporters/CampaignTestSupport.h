#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/engine/APMIdentifiers.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/reporters/CampaignReporter.h"
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMServiceURL.h"
#include "sdk/analytics/foundation/APMSqliteStore.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "sdk/analytics/rules/APMETestSupport.h"
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
    APMIdentifiers::sharedInstance()->setOrigin("fa");
    sdk::analytics::CampaignReporter::installFactory();
  }
  ~CampaignEngineTest() override {
    stopEngine();
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    APMIdentifiers::setEngineIdentity(nullptr);
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
    identity = APMIdentity::initWithPersistedConfig(persisted, support);
    identity->setAppIDFromVMP(kAppID);
    APMMeasurement::Parts parts;
    parts.persistedConfig = persisted;
    parts.scheduler = std::make_shared<APMScheduler>("test.worker");
    parts.alarm = std::make_shared<APMAlarm>(parts.scheduler->workerQueue(), APMMeasurement::kAlarmName);
    parts.identity = identity;
    parts.network = network;
    engine = APMMeasurement::initWithParts(parts, kAppID, true, false, {});
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

  std::vector<APMEvent> storedEvents() {
    std::vector<APMEvent> events;
    onWorker([&] {
      platform::foundation::Error error;
      auto rows = engine->database()->store().recordsForQuery("SELECT * FROM raw_events ORDER BY rowid", {}, &error);
      for (const auto& row : rows.value_or(std::vector<APMSqliteStore::Row>{})) {
        if (auto data = APMDatabase::rawEventDataFromDictionary(row, &error)) events.push_back(data->rawEvent);
      }
    });
    return events;
  }
  std::vector<APMEvent> storedEvents(const std::string& name) {
    std::vector<APMEvent> named;
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
  std::shared_ptr<APMPersistedConfig> persisted = std::make_shared<APMPersistedConfig>();
  std::shared_ptr<ZURAridire> network = ZURAridire::initWithReachabilityHost("127.0.0.1");
  std::shared_ptr<APMIdentity> identity;
  std::shared_ptr<APMMeasurement> engine;
};

}  // namespace ostrel::testing
