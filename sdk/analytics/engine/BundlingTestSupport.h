#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/engine/APMRemoteConfig.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/engine/RawEventBundler.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMProtoConversions.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "sdk/analytics/rules/APMAudience.h"
#include "sdk/analytics/rules/APMPFakeHost.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {}

namespace ostrel::testing {

// 2023-11-14 22:00:00 UTC: the start of the hour the manual clock starts in.
inline constexpr double kHour = 1699999200.0;

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// The measurement database in a temporary container on the manual clock, with settings from a
// configuration a test writes, an audience evaluator without audiences and helpers to store raw
// events and read back the upload queue.
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
    platform::foundation::Error error;
    database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, persisted, &error);
    EXPECT_TRUE(database) << error;
    settings = APMRemoteConfig::initWithAppID(kAppID, database);
    audience = std::make_shared<APMAudience>(database, host);
  }

  RawEventBundler::Parts parts() const { return {database, settings, audience, persisted, nullptr}; }

  // A configuration of `appID` with the given "measurement." settings.
  static std::shared_ptr<APMPBMeasurementConfig> configuration(const std::map<std::string, std::string>& values,
                                                               const std::string& appID = kAppID) {
    return measurementConfig(appID, values);
  }

  void configure(const std::map<std::string, std::string>& values, const std::vector<EventSetting>& events = {}) {
    auto config = configuration(values);
    for (const auto& event : events) {
      auto message = APMPBEventConfig::make();
      APMNanoSetString(*message, 0, event.name);
      if (event.blocked) APMNanoSetBool(*message, 1, *event.blocked);
      if (event.conversion) APMNanoSetBool(*message, 2, true);
      if (event.samplingRate) APMNanoSetInt32(*message, 3, *event.samplingRate);
      APMNanoAddMessage(*config, 4, *message);
    }
    EXPECT_TRUE(settings->updateMeasurementConfig(config));
  }

  // Metadata as the event path stores it: platform, app ID and the given identifiers.
  static std::shared_ptr<APMPBMeasurementBundle> metadata(const std::string& appID = kAppID,
                                                          std::optional<std::string> advertisingID = std::nullopt,
                                                          std::optional<std::string> vendorID = std::nullopt) {
    auto bundle = APMPBMeasurementBundle::make();
    APMNanoSetInt32(*bundle, 0, 1);
    APMNanoSetString(*bundle, 8, std::string("ios"));
    APMNanoSetString(*bundle, 14, appID);
    APMNanoSetString(*bundle, 22, std::string("0123456789abcdef0123456789abcdef"));
    if (advertisingID) APMNanoSetString(*bundle, 19, advertisingID);
    if (vendorID) APMNanoSetString(*bundle, 20, vendorID);
    return bundle;
  }

  static APMEvent event(const std::string& name, double timestamp, APMParameters parameters = {}) {
    auto made = APMEvent::create("app", false, name, timestamp, 0, std::move(parameters));
    EXPECT_TRUE(made) << name;
    return *made;
  }

  // Stores the raw event under the metadata; its row ID.
  std::int64_t store(const APMEvent& rawEvent, const APMPBMeasurementBundle& eventMetadata, bool realtime = false) {
    platform::foundation::Error error;
    EXPECT_TRUE(database->insertIfNotExistsRawEventMetadata(eventMetadata, &error)) << error;
    EXPECT_TRUE(database->insertRawEvent(rawEvent, APMDatabase::metadataFingerprint(eventMetadata), realtime, &error))
        << error;
    return database->store().lastInsertRowID();
  }
  std::int64_t store(const std::string& name, double timestamp, APMParameters parameters = {}) {
    return store(event(name, timestamp, std::move(parameters)), *metadata());
  }

  std::vector<std::shared_ptr<APMPBMeasurementBundle>> queuedBundles() const {
    platform::foundation::Error error;
    auto queued = database->queryBundlesWithCountLimit(1000, 1 << 30, &error);
    EXPECT_TRUE(queued) << error;
    std::vector<std::shared_ptr<APMPBMeasurementBundle>> bundles;
    for (const auto& [bundle, _] : queued ? *queued : std::vector<APMDatabase::QueuedBundle>{}) bundles.push_back(bundle);
    return bundles;
  }
  std::int64_t count(const std::string& table) const {
    platform::foundation::Error error;
    auto rows = database->store().recordsForQuery("SELECT count(*) AS n FROM " + table, {}, &error);
    return rows && !rows->empty() ? rows->front().at("n").toInt64() : -1;
  }

  static std::vector<std::string> eventNames(const APMPBMeasurementBundle& bundle) {
    std::vector<std::string> names;
    for (const auto& e : APMNanoGetMessageArray<APMPBEvent>(bundle, 1)) names.push_back(*APMNanoGetString(*e, 1));
    return names;
  }
  static std::map<std::string, APMValue> parameters(const APMPBEvent& message) {
    auto decoded = APMEventFromProtoEvent(message);
    EXPECT_TRUE(decoded);
    return decoded ? decoded->parameters() : std::map<std::string, APMValue>{};
  }
  static std::optional<std::int64_t> integerUserProperty(const APMPBMeasurementBundle& bundle, const std::string& name) {
    for (const auto& a : APMNanoGetMessageArray<APMPBUserAttribute>(bundle, 2)) {
      if (APMNanoGetString(*a, 1) == name) return APMNanoGetInt64(*a, 3);
    }
    return std::nullopt;
  }

  double now() const { return environment.clock()->now(); }

  MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<APMPersistedConfig> persisted = std::make_shared<APMPersistedConfig>();
  std::shared_ptr<APMPFakeHost> host = std::make_shared<APMPFakeHost>();
  std::shared_ptr<APMDatabase> database;
  std::shared_ptr<APMRemoteConfig> settings;
  std::shared_ptr<APMAudience> audience;
};

}  // namespace ostrel::testing
