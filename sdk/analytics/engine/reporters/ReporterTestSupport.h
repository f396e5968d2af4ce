#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/reporters/ReporterHost.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// What the reporters sent out, in order.
class RecordingReporterHost final : public ReporterHost {
 public:
  struct Event {
    std::string origin;
    std::string name;
    Dictionary parameters;
    std::optional<double> timestamp;

    std::int64_t integer(const std::string& parameter) const {
      auto found = parameters.find(parameter);
      return found == parameters.end() ? -1 : found->second.toInt64();
    }
    bool has(const std::string& parameter) const { return parameters.contains(parameter); }
  };

  void logInternalEvent(const std::string& origin, const std::string& name, const Dictionary& parameters,
                        std::optional<double> timestamp) override {
    std::lock_guard lock(mutex_);
    events_.push_back({origin, name, parameters, timestamp});
  }
  void setInternalUserProperty(const Value& value, const std::string& name, const std::string& origin) override {
    std::lock_guard lock(mutex_);
    properties_.push_back(name + "=" + (value.isNil() ? "nil" : value.description()) + " " + origin);
  }
  bool isAppActive() override { return active; }

  std::vector<Event> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> eventNames() const {
    std::vector<std::string> names;
    for (const auto& event : events()) names.push_back(event.name);
    return names;
  }
  std::vector<Event> named(const std::string& name) const {
    std::vector<Event> found;
    for (const auto& event : events()) {
      if (event.name == name) found.push_back(event);
    }
    return found;
  }
  std::vector<std::string> properties() const {
    std::lock_guard lock(mutex_);
    return properties_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
    properties_.clear();
  }

  std::atomic<bool> active{true};

 private:
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  std::vector<std::string> properties_;
};

// A clean container, the manual clock on the main thread, a recording host in force, the monitor's
// lines, and measurement settings a test can change.
class ReporterTestBase : public ::testing::Test {
 protected:
  ReporterTestBase() {
    ReporterHost::setCurrent(host);
    database = ostrel::testing::succeeded(sdk::analytics::MeasurementDatabase::initWithDatabaseName(
        sdk::analytics::MeasurementDatabase::kDatabaseName, persisted));
    if (database) {
      settingsQueue->sync(
          [&] { settings = sdk::analytics::RemoteConfig::initWithAppID("1:100000000001:ios:0123456789abcdef", database); });
    }
  }
  ~ReporterTestBase() override { ReporterHost::setCurrent(nullptr); }

  void SetUp() override { ASSERT_TRUE(settings); }

  // Replaces the configured settings with these ("measurement." keys, texts as served).
  void configure(const std::map<std::string, std::string>& values) {
    bool stored = false;
    settingsQueue->sync([&] {
      stored = settings->updateMeasurementConfig(ostrel::testing::measurementConfig("1:100000000001:ios:0123456789abcdef", values));
    });
    ASSERT_TRUE(stored);
  }

  MonitorScope scope{std::vector<std::string>{"-APMAnalyticsDebugEnabled", "-APMAnalyticsVerboseLoggingEnabled"}};
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<RecordingReporterHost> host = std::make_shared<RecordingReporterHost>();
  std::shared_ptr<sdk::analytics::PersistedConfig> persisted = std::make_shared<sdk::analytics::PersistedConfig>();
  std::shared_ptr<sdk::analytics::MeasurementDatabase> database;
  // The settings are stored and read back on a worker queue, as in the engine.
  std::shared_ptr<platform::dispatch::Queue> settingsQueue = platform::dispatch::Queue::serial("test.settings");
  std::shared_ptr<sdk::analytics::RemoteConfig> settings;
};

}  // namespace ostrel::testing
