#include <gtest/gtest.h>

#include <cstdlib>

#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/APMIdentifiers.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMProtoConversions.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMServiceURL.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "sdk/analytics/rules/APMETestSupport.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using ostrel::testing::LoopbackRequest;
using ostrel::testing::LoopbackResponse;
using platform::foundation::Data;

constexpr const char* kAppID = "1:100000000001:ios:0123456789abcdef";

// The engine started over a loopback analytics service in debug mode: an event logged through the
// facade's entry goes out on the engine's own timer, after the configuration it fetches first.
class MeasurementUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable, server.url("").c_str(), 1);
    APMConsentSettingsUtil::setConsentSettings(std::nullopt);
    APMIdentifiers::sharedInstance()->setOrigin("fa");
    identity = APMIdentity::initWithPersistedConfig(persisted);
    identity->setAppIDFromVMP(kAppID);
    APMMeasurement::Parts parts;
    parts.persistedConfig = persisted;
    parts.scheduler = std::make_shared<APMScheduler>("test.worker");
    parts.alarm = std::make_shared<APMAlarm>(parts.scheduler->workerQueue(), APMMeasurement::kAlarmName);
    parts.identity = identity;
    parts.network = network;
    engine = APMMeasurement::initWithParts(parts, kAppID, true, false, {});
    settle();
    ASSERT_TRUE(engine->uploader());
    // The reachability checker's first answer comes through the main queue.
    ASSERT_TRUE(spinUntil([&] { return network->isNetworkConnected(); }));
  }
  void TearDown() override {
    settle();
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    APMIdentifiers::setEngineIdentity(nullptr);
    unsetenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable);
  }

  void settle() {
    for (int i = 0; i < 2; ++i) engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
  }
  static bool spinUntil(const std::function<bool()>& predicate) {
    return ostrel::testing::TaskManagerEnvironment::spinUntil(predicate);
  }
  bool untilRequests(std::size_t count) {
    return spinUntil([&] {
      bool done = false;
      engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [&] {
        done = server.requestCount() >= count && !engine->uploader()->isNetworkRequestPending();
      });
      return done;
    });
  }

  // An event as the facade hands it to the engine.
  void logEvent(const std::string& name, platform::foundation::Dictionary parameters) {
    sdk::analytics::LoggedEvent event;
    event.origin = "app";
    event.isPublicEvent = true;
    event.name = name;
    event.parameters = std::move(parameters);
    event.timestamp = environment.clock()->now();
    event.enabled = true;
    engine->logEvent(event);
    settle();
  }

  ostrel::testing::MonitorScope scope{std::vector<std::string>{"-APMAnalyticsDebugEnabled"}};
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::LoopbackServer server;
  std::shared_ptr<APMPersistedConfig> persisted = std::make_shared<APMPersistedConfig>();
  std::shared_ptr<ZURAridire> network = ZURAridire::initWithReachabilityHost("127.0.0.1");
  std::shared_ptr<APMIdentity> identity;
  std::shared_ptr<APMMeasurement> engine;
};

TEST_F(MeasurementUploadTest, ALoggedEventReachesTheServiceOnTheEnginesTimer) {
  auto config = APMPBMeasurementConfig::make();
  APMNanoSetString(*config, 1, std::string(kAppID));
  Data body = config->protoBuffer();
  server.on("GET", std::string("/config/app/") + kAppID, LoopbackResponse::ok(std::string(body.begin(), body.end())));
  server.on("POST", "/a", LoopbackResponse::withStatus(204));

  logEvent("take", {{"scene", platform::foundation::Value(std::int64_t{12})}});
  auto alarm = engine->alarm()->scheduledTimestamp();
  ASSERT_TRUE(alarm);
  EXPECT_LE(*alarm, environment.clock()->now() + 1);  // debug mode: within a second of the data

  environment.advance(1);
  ASSERT_TRUE(untilRequests(2));
  settle();
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_NE(requests[0].target.find("platform=ios"), std::string::npos);
  EXPECT_EQ(requests[1].path, "/a");
  EXPECT_EQ(requests[1].header("Content-Encoding"), "gzip");
  auto batch = APMPBMeasurementBatch::initWithBuffer(
      std::span(reinterpret_cast<const std::uint8_t*>(requests[1].body.data()), requests[1].body.size()));
  ASSERT_TRUE(batch);
  auto bundles = APMNanoGetMessageArray<APMPBMeasurementBundle>(*batch, 0);
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_EQ(APMNanoGetInt32(*bundles[0], 0), 1);
  EXPECT_EQ(APMNanoGetString(*bundles[0], 8), "ios");
  EXPECT_EQ(APMNanoGetString(*bundles[0], 22), identity->appInstanceID());
  auto events = APMNanoGetMessageArray<APMPBEvent>(*bundles[0], 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(APMNanoGetString(*events[0], 1), "take");
  EXPECT_EQ(APMEventFromProtoEvent(*events[0])->parameters().at("scene").int64Value(), 12);
  EXPECT_EQ(persisted->lastSuccessfulUploadTimestamp(), environment.clock()->now());

  platform::foundation::Error error;
  EXPECT_EQ(engine->database()->isRawEventsTableEmpty(&error), true);
  EXPECT_EQ(engine->database()->isQueuedBundleTableEmpty(&error), true);
  EXPECT_FALSE(engine->hasDataToUpload());
}

}  // namespace
