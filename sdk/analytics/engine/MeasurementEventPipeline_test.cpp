#include "sdk/analytics/engine/MeasurementEventPipeline.h"

#include <gtest/gtest.h>

#include <future>

#include "platform/foundation/IdentityFacts.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/engine/MeasurementEventEntries.h"
#include "sdk/analytics/engine/RawEventMetadata.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using sdk::analytics::MeasurementEventPipeline;
using namespace sdk::analytics::measurement_fields;

using ostrel::testing::kMeasurementAppID;

// The engine as the pipeline reaches it: log, worker queue and collection switch.
class Engine final : public sdk::analytics::MeasurementHost {
 public:
  std::shared_ptr<Monitor> monitor() const override { return Monitor::shared(); }
  std::optional<std::string> remoteConfigValue(const std::string&) const override { return std::nullopt; }
  bool boolSetting(const std::string&, bool defaultValue) const override { return defaultValue; }
  std::shared_ptr<Scheduler> scheduler() const override { return scheduler_; }
  bool isEnabled() const override { return true; }
  std::shared_ptr<Scheduler> scheduler_ = std::make_shared<Scheduler>("com.vadeze.vura.worker");
};

class MeasurementEventPipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ostrel::testing::ScopedIdentitySettings::install();
    database = ostrel::testing::succeeded(
        MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName, persisted));
    ASSERT_TRUE(database);
    auto config = ProtoMeasurementConfig::make();
    nanoSetString(*config, 1, std::string(kMeasurementAppID));
    auto setting = ProtoSetting::make();
    nanoSetString(*setting, 0, std::string("measurement.upload.max_public_events_per_day"));
    nanoSetString(*setting, 1, std::string("2"));
    nanoAddMessage(*config, 3, *setting);
    auto blocked = ProtoEventConfig::make();
    nanoSetString(*blocked, 0, std::string("spam"));
    nanoSetBool(*blocked, 1, true);
    nanoAddMessage(*config, 4, *blocked);
    // The settings store what they are made with on the worker queue, as the engine makes them.
    engine->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", [&] {
      remoteConfig = RemoteConfig::initWithAppIDMeasurementConfig(kMeasurementAppID, database, config, nullptr, {});
    });
    ASSERT_TRUE(remoteConfig);
    identity = Identity::initWithPersistedConfig(persisted, support);
    identity->setAppInstanceID("instance-1");
    pipeline = std::make_unique<MeasurementEventPipeline>(
        MeasurementEventPipeline::Components{engine, database, remoteConfig, persisted, identity, nullptr, {}, nullptr, {}});
  }
  void TearDown() override {
    engine->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", [] {});
    ostrel::testing::ScopedIdentitySettings::uninstall();
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
  std::vector<std::shared_ptr<ProtoMeasurementBundle>> storedMetadata() {
    auto rows = database->store().recordsForQuery("SELECT metadata_fingerprint FROM raw_events ORDER BY rowid", {});
    std::vector<std::shared_ptr<ProtoMeasurementBundle>> bundles;
    for (const auto& row : *rows) {
      bundles.push_back(ostrel::testing::succeeded(
          database->queryRawEventsMetadataWithFingerprint(row.at("metadata_fingerprint").toInt64())));
    }
    return bundles;
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<ostrel::testing::ScopedIdentitySettings> settings;
  std::shared_ptr<Engine> engine = std::make_shared<Engine>();
  std::shared_ptr<PersistedConfig> persisted = std::make_shared<PersistedConfig>();
  std::shared_ptr<ostrel::testing::FakeIdentitySupport> support =
      std::make_shared<ostrel::testing::FakeIdentitySupport>();
  std::shared_ptr<MeasurementDatabase> database;
  std::shared_ptr<RemoteConfig> remoteConfig;
  std::shared_ptr<Identity> identity;
  std::unique_ptr<MeasurementEventPipeline> pipeline;
};

TEST_F(MeasurementEventPipelineTest, TheEnginesSettingsAndMetadataGovernTheWrite) {
  log("shop");
  log("spam");
  log("browse");
  log("more");
  auto metadata = storedMetadata();
  ASSERT_EQ(metadata.size(), 2u);
  EXPECT_EQ(nanoGetString(*metadata[0], kBundlePlatform), "ios");
  EXPECT_EQ(nanoGetString(*metadata[0], kBundleAppInstanceID), "instance-1");
  std::vector<std::int64_t> codes;
  for (const auto& parameters : scope.errorEvents()) codes.push_back(parameters.at("_err").int64Value());
  EXPECT_EQ(codes, (std::vector<std::int64_t>{11, 16}));
}

TEST_F(MeasurementEventPipelineTest, AnalyticsStorageDeniedLeavesTheIdentifierFieldsOut) {
  ConsentSettings::setConsentSettings(
      Dictionary{{"ad_storage", Value("granted")}, {"analytics_storage", Value("denied")}});
  log("shop");
  auto metadata = storedMetadata();
  ASSERT_EQ(metadata.size(), 1u);
  EXPECT_FALSE(nanoHasField(*metadata[0], kBundleAppInstanceID));
  EXPECT_FALSE(nanoHasField(*metadata[0], kBundleVendorDeviceID));
}

TEST_F(MeasurementEventPipelineTest, LimitsComeFromTheSettings) {
  EXPECT_EQ(pipeline->userPropertyLimits().maxPublicUserProperties, 25);
  EXPECT_TRUE(pipeline->userPropertyLimits().lastAdvertisingIDResetFeatureEnabled);
  EXPECT_EQ(pipeline->settings()->maxPublicEventParams(), 25);
  EXPECT_EQ(pipeline->maxPublicEventsPerDay(), 2);
  EXPECT_TRUE(pipeline->isEventBlocklisted("spam"));
}

TEST_F(MeasurementEventPipelineTest, EntriesWorkInOrderOnTheWorkerQueueAndAnswerOnAGlobalQueue) {
  std::shared_ptr<MeasurementEventPipeline> shared(std::move(pipeline));
  bool built = false;
  sdk::analytics::MeasurementEventEntries entries(engine->scheduler_, [&]() -> std::shared_ptr<MeasurementEventPipeline> {
    return built ? shared : nullptr;
  });
  auto property = [](const char* name, const char* value) {
    return UserAttribute("app", name, AnalyticsValue(value), 1);
  };
  auto read = [&](const std::string& name) {
    std::promise<std::optional<UserAttribute>> answer;
    entries.userAttributeWithName(name, [&](const std::optional<UserAttribute>& a) {
      EXPECT_FALSE(engine->scheduler_->workerQueue()->isCurrent());
      answer.set_value(a);
    });
    return answer.get_future().get();
  };

  // Before the components exist, collection is off.
  entries.setUserAttribute(property("tier", "gold"));
  EXPECT_FALSE(read("tier"));

  built = true;
  entries.setDefaultEventParameters(Dictionary{{"plan", Value("pro")}});
  entries.setUserAttribute(property("tier", "gold"));
  EXPECT_EQ(read("tier")->value.stringValue(), "gold");
  entries.removeUserAttribute(property("tier", ""));
  EXPECT_FALSE(read("tier"));

  sdk::analytics::LoggedEvent logged;
  logged.origin = "app";
  logged.isPublicEvent = true;
  logged.name = "shop";
  logged.timestamp = 1000;
  logged.enabled = true;
  entries.logEvent(logged);
  entries.logEvent(*AnalyticsEvent::create("auto", false, "_custom", 1000, 0, {}));
  entries.setUserAttribute(property("tier", "silver"));
  std::promise<Dictionary> properties;
  entries.userPropertiesIncludingInternal(false, [&](const Dictionary& d) { properties.set_value(d); });
  EXPECT_EQ(properties.get_future().get(), (Dictionary{{"tier", Value("silver")}}));
  auto rows = database->store().recordsForQuery("SELECT name FROM raw_events ORDER BY rowid", {});
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ(rows->at(0).at("name"), Value("shop"));
  auto stored = database->rawEventsWithMetadataFingerprint(
      storedMetadata().empty() ? 0 : MeasurementDatabase::metadataFingerprint(*storedMetadata()[0]), nullptr);
  ASSERT_FALSE(stored->empty());
  EXPECT_EQ(stored->front().rawEvent.parameters().at("plan").stringValue(), "pro");

  std::promise<std::int64_t> maximum;
  entries.maxUserPropertiesForOrigin("fcm", [&](std::int64_t n) { maximum.set_value(n); });
  EXPECT_EQ(maximum.get_future().get(), 25);

  // Missing arguments are refused where they are given.
  entries.logEvent(std::optional<AnalyticsEvent>());
  entries.setUserAttribute(std::nullopt);
  entries.removeUserAttribute(std::nullopt);
  entries.userAttributeWithName("tier", nullptr);
  entries.userPropertiesIncludingInternal(true, nullptr);
  entries.maxUserPropertiesForOrigin("", [](std::int64_t) { ADD_FAILURE(); });
  entries.maxUserPropertiesForOrigin("fcm", nullptr);
  for (std::int64_t code : {23048, 23079, 23074, 23088, 23090, 23093, 23094}) EXPECT_TRUE(scope.logged(code)) << code;
  engine->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", [] {});
}

}  // namespace

}  // namespace sdk::analytics

