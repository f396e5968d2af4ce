#include "sdk/analytics/engine/MeasurementEventPipeline.h"

#include <gtest/gtest.h>

#include "platform/foundation/IdentityFacts.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMRemoteConfig.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/RawEventMetadata.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using sdk::analytics::MeasurementEventPipeline;
using M = sdk::analytics::RawEventMetadata;

constexpr const char* kAppID = "1:100000000001:ios:0123456789abcdef";

// The engine as the pipeline reaches it: log, worker queue and collection switch.
class Engine final : public sdk::analytics::MeasurementHost {
 public:
  std::shared_ptr<APMMonitor> monitor() const override { return APMMonitor::shared(); }
  std::optional<std::string> remoteConfigValue(const std::string&) const override { return std::nullopt; }
  bool boolSetting(const std::string&, bool defaultValue) const override { return defaultValue; }
  std::shared_ptr<APMScheduler> scheduler() const override { return scheduler_; }
  bool isEnabled() const override { return true; }
  std::shared_ptr<APMScheduler> scheduler_ = std::make_shared<APMScheduler>("com.vadeze.vura.worker");
};

class MeasurementEventPipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = sdk::analytics::testing::ScopedIdentitySettings::install();
    Error error;
    database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, persisted, &error);
    ASSERT_TRUE(database) << error;
    auto config = APMPBMeasurementConfig::make();
    APMNanoSetString(*config, 1, std::string(kAppID));
    auto setting = APMPBSetting::make();
    APMNanoSetString(*setting, 0, std::string("measurement.upload.max_public_events_per_day"));
    APMNanoSetString(*setting, 1, std::string("2"));
    APMNanoAddMessage(*config, 3, *setting);
    auto blocked = APMPBEventConfig::make();
    APMNanoSetString(*blocked, 0, std::string("spam"));
    APMNanoSetBool(*blocked, 1, true);
    APMNanoAddMessage(*config, 4, *blocked);
    remoteConfig = APMRemoteConfig::initWithAppIDMeasurementConfig(kAppID, database, config, nullptr, {});
    ASSERT_TRUE(remoteConfig);
    identity = APMIdentity::initWithPersistedConfig(persisted, support);
    identity->setAppInstanceID("instance-1");
    pipeline = std::make_unique<MeasurementEventPipeline>(
        MeasurementEventPipeline::Components{engine, database, remoteConfig, persisted, identity, nullptr, {}},
        MeasurementEventPipeline::Hooks{});
  }
  void TearDown() override {
    engine->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", [] {});
    sdk::analytics::testing::ScopedIdentitySettings::uninstall();
  }

  void log(const std::string& name) {
    sdk::analytics::LoggedEvent logged;
    logged.origin = "app";
    logged.isPublicEvent = true;
    logged.name = name;
    logged.timestamp = environment.clock()->now();
    logged.enabled = true;
    engine->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", [&] { pipeline->router().logEventOnWorkerQueue(logged); });
  }
  std::vector<std::shared_ptr<APMPBMeasurementBundle>> storedMetadata() {
    Error error;
    auto rows = database->store().recordsForQuery("SELECT metadata_fingerprint FROM raw_events ORDER BY rowid", {},
                                                  &error);
    std::vector<std::shared_ptr<APMPBMeasurementBundle>> bundles;
    for (const auto& row : *rows) {
      bundles.push_back(database->queryRawEventsMetadataWithFingerprint(row.at("metadata_fingerprint").toInt64(), &error));
    }
    return bundles;
  }

  sdk::analytics::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<sdk::analytics::testing::ScopedIdentitySettings> settings;
  std::shared_ptr<Engine> engine = std::make_shared<Engine>();
  std::shared_ptr<APMPersistedConfig> persisted = std::make_shared<APMPersistedConfig>();
  std::shared_ptr<sdk::analytics::testing::FakeIdentitySupport> support =
      std::make_shared<sdk::analytics::testing::FakeIdentitySupport>();
  std::shared_ptr<APMDatabase> database;
  std::shared_ptr<APMRemoteConfig> remoteConfig;
  std::shared_ptr<APMIdentity> identity;
  std::unique_ptr<MeasurementEventPipeline> pipeline;
};

TEST_F(MeasurementEventPipelineTest, TheEnginesSettingsAndMetadataGovernTheWrite) {
  log("shop");
  log("spam");
  log("browse");
  log("more");
  auto metadata = storedMetadata();
  ASSERT_EQ(metadata.size(), 2u);
  EXPECT_EQ(APMNanoGetString(*metadata[0], M::kPlatform), "ios");
  EXPECT_EQ(APMNanoGetString(*metadata[0], M::kAppInstanceID), "instance-1");
  std::vector<std::int64_t> codes;
  for (const auto& parameters : scope.errorEvents()) codes.push_back(parameters.at("_err").int64Value());
  EXPECT_EQ(codes, (std::vector<std::int64_t>{11, 16}));
}

TEST_F(MeasurementEventPipelineTest, AnalyticsStorageDeniedLeavesTheIdentifierFieldsOut) {
  APMConsentSettingsUtil::setConsentSettings(
      Dictionary{{"ad_storage", Value("granted")}, {"analytics_storage", Value("denied")}});
  log("shop");
  auto metadata = storedMetadata();
  ASSERT_EQ(metadata.size(), 1u);
  EXPECT_FALSE(APMNanoHasField(*metadata[0], M::kAppInstanceID));
  EXPECT_FALSE(APMNanoHasField(*metadata[0], M::kVendorDeviceID));
}

TEST_F(MeasurementEventPipelineTest, LimitsComeFromTheSettings) {
  EXPECT_EQ(pipeline->userPropertyLimits().maxPublicUserProperties, 25);
  EXPECT_TRUE(pipeline->userPropertyLimits().lastAdvertisingIDResetFeatureEnabled);
  EXPECT_EQ(pipeline->maxPublicEventParams(), 25);
  EXPECT_EQ(pipeline->maxPublicEventsPerDay(), 2);
  EXPECT_TRUE(pipeline->isEventBlocklisted("spam"));
}

}  // namespace
