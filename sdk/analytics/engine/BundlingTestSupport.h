#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/engine/RawEventBundler.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/MeasurementHostTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// 2023-11-14 22:00:00 UTC: the start of the hour the manual clock starts in.
inline constexpr double kHour = 1699999200.0;

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// The measurement database in a temporary container on the manual clock, with settings from a
// configuration a test writes, an audience evaluator without audiences and helpers to store raw
// events and read back the upload queue. The settings and the bundling belong to the worker queue of
// `scheduler`, as they do in the engine: onWorker() runs a step there.
class BundlingEnvironment {
 public:
  static constexpr const char* kAppID = "1:123:ios:abc";

  struct EventSetting {
    std::string name;
    std::optional<bool> blocked;
    std::optional<std::int32_t> samplingRate;
    bool conversion = false;
  };

  explicit BundlingEnvironment(std::vector<std::string> launchArguments = {})
      : scope(std::move(launchArguments)) {
    database = ostrel::testing::succeeded(sdk::analytics::MeasurementDatabase::initWithDatabaseName(
        sdk::analytics::MeasurementDatabase::kDatabaseName, persisted));
    EXPECT_TRUE(database);
    onWorker([&] { settings = sdk::analytics::RemoteConfig::initWithAppID(kAppID, database); });
    audience = std::make_shared<sdk::analytics::Audiences>(database, host);
  }

  RawEventBundler::Parts parts() const { return {database, settings, audience, persisted, nullptr}; }

  // A configuration of `appID` with the given "measurement." settings.
  static std::shared_ptr<sdk::analytics::ProtoMeasurementConfig> configuration(const std::map<std::string, std::string>& values,
                                                               const std::string& appID = kAppID) {
    return measurementConfig(appID, values);
  }

  void configure(const std::map<std::string, std::string>& values, const std::vector<EventSetting>& events = {}) {
    using namespace sdk::analytics::measurement_fields;
    auto config = configuration(values);
    for (const auto& event : events) {
      auto message = sdk::analytics::ProtoEventConfig::make();
      sdk::analytics::nanoSetString(*message, kEventConfigName, event.name);
      if (event.blocked) sdk::analytics::nanoSetBool(*message, kEventConfigBlocked, *event.blocked);
      if (event.conversion) sdk::analytics::nanoSetBool(*message, kEventConfigConversion, true);
      if (event.samplingRate) sdk::analytics::nanoSetInt32(*message, kEventConfigSamplingRate, *event.samplingRate);
      sdk::analytics::nanoAddMessage(*config, kConfigEventConfigs, *message);
    }
    onWorker([&] { EXPECT_TRUE(settings->updateMeasurementConfig(config)); });
  }

  // Runs `work` on the worker queue, behind what is queued there.
  void onWorker(const std::function<void()>& work) const { scheduler->dispatchSyncOnWorkerQueueBlockID("test", work); }
  // One bundling step on the worker queue: whether it made a bundle.
  bool bundle(sdk::analytics::RawEventBundler& bundler) const {
    bool made = false;
    onWorker([&] { made = bundler.bundleRawEvents(); });
    return made;
  }

  // Metadata as the event path stores it: platform, app ID and the given identifiers.
  static std::shared_ptr<sdk::analytics::ProtoMeasurementBundle> metadata(const std::string& appID = kAppID,
                                                          std::optional<std::string> advertisingID = std::nullopt,
                                                          std::optional<std::string> vendorID = std::nullopt) {
    using namespace sdk::analytics::measurement_fields;
    auto bundle = sdk::analytics::ProtoMeasurementBundle::make();
    sdk::analytics::nanoSetInt32(*bundle, kBundleProtocolVersion, 1);
    sdk::analytics::nanoSetString(*bundle, kBundlePlatform, std::string("ios"));
    sdk::analytics::nanoSetString(*bundle, kBundleAppID, appID);
    sdk::analytics::nanoSetString(*bundle, kBundleAppInstanceID, std::string("0123456789abcdef0123456789abcdef"));
    if (advertisingID) sdk::analytics::nanoSetString(*bundle, kBundleResettableDeviceID, advertisingID);
    if (vendorID) sdk::analytics::nanoSetString(*bundle, kBundleVendorDeviceID, vendorID);
    return bundle;
  }

  static sdk::analytics::AnalyticsEvent event(const std::string& name, double timestamp, sdk::analytics::Parameters parameters = {}) {
    auto made = sdk::analytics::AnalyticsEvent::create("app", false, name, timestamp, 0, std::move(parameters));
    EXPECT_TRUE(made) << name;
    return *made;
  }

  // Stores the raw event under the metadata; its row ID.
  std::int64_t store(const sdk::analytics::AnalyticsEvent& rawEvent, const sdk::analytics::ProtoMeasurementBundle& eventMetadata, bool realtime = false) {
    EXPECT_TRUE(database->insertIfNotExistsRawEventMetadata(eventMetadata));
    EXPECT_TRUE(database->insertRawEvent(
        rawEvent, sdk::analytics::MeasurementDatabase::metadataFingerprint(eventMetadata), realtime));
    return database->store().lastInsertRowID();
  }
  std::int64_t store(const std::string& name, double timestamp, sdk::analytics::Parameters parameters = {}) {
    return store(event(name, timestamp, std::move(parameters)), *metadata());
  }

  std::vector<std::shared_ptr<sdk::analytics::ProtoMeasurementBundle>> queuedBundles() const {
    auto queued = database->queryBundlesWithCountLimit(1000, 1 << 30);
    EXPECT_TRUE(queued);
    std::vector<std::shared_ptr<sdk::analytics::ProtoMeasurementBundle>> bundles;
    for (const auto& [bundle, _] : queued ? *queued : std::vector<sdk::analytics::MeasurementDatabase::QueuedBundle>{}) bundles.push_back(bundle);
    return bundles;
  }
  std::int64_t count(const std::string& table) const {
    auto rows = database->store().recordsForQuery("SELECT count(*) AS n FROM " + table, {});
    return rows && !rows->empty() ? rows->front().at("n").toInt64() : -1;
  }

  static std::vector<std::string> eventNames(const sdk::analytics::ProtoMeasurementBundle& bundle) {
    using namespace sdk::analytics::measurement_fields;
    std::vector<std::string> names;
    for (const auto& e : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoEvent>(bundle, kBundleEvents)) {
      names.push_back(*sdk::analytics::nanoGetString(*e, kEventName));
    }
    return names;
  }
  static std::map<std::string, sdk::analytics::AnalyticsValue> parameters(const sdk::analytics::ProtoEvent& message) {
    auto decoded = sdk::analytics::eventFromProtoEvent(message);
    EXPECT_TRUE(decoded);
    return decoded ? decoded->parameters() : std::map<std::string, sdk::analytics::AnalyticsValue>{};
  }
  static std::optional<std::int64_t> integerUserProperty(const sdk::analytics::ProtoMeasurementBundle& bundle, const std::string& name) {
    using namespace sdk::analytics::measurement_fields;
    for (const auto& a : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoUserAttribute>(bundle, kBundleUserAttributes)) {
      if (sdk::analytics::nanoGetString(*a, kAttributeName) == name) return sdk::analytics::nanoGetInt64(*a, kAttributeInteger);
    }
    return std::nullopt;
  }

  double now() const { return environment.clock()->now(); }

  MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<sdk::analytics::PersistedConfig> persisted = std::make_shared<sdk::analytics::PersistedConfig>();
  std::shared_ptr<sdk::analytics::FakeMeasurementHost> host = std::make_shared<sdk::analytics::FakeMeasurementHost>();
  std::shared_ptr<sdk::analytics::Scheduler> scheduler = std::make_shared<sdk::analytics::Scheduler>("com.vadeze.vura.worker");
  std::shared_ptr<sdk::analytics::MeasurementDatabase> database;
  std::shared_ptr<sdk::analytics::RemoteConfig> settings;
  std::shared_ptr<sdk::analytics::Audiences> audience;
};

}  // namespace ostrel::testing
