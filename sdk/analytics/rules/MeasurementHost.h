#pragma once

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

class MeasurementDatabase;
class AnalyticsEvent;
class Scheduler;

// What the rules (script runtime, event editing, audiences, conditional user properties, experiments) need of the
// measurement engine: its log, its remote configuration, its database and worker queue. The engine implements it; tests use a fake.
class MeasurementHost {
 public:
  virtual ~MeasurementHost() = default;
  // The analytics log (the engine's monitor).
  virtual std::shared_ptr<Monitor> monitor() const = 0;
  // The text cached for a remote-configuration key, if any.
  virtual std::optional<std::string> remoteConfigValue(const std::string& key) const = 0;
  // A boolean measurement setting, `defaultValue` when unset or unreadable.
  virtual bool boolSetting(const std::string& key, bool defaultValue) const = 0;
  // An integer measurement setting: `defaultValue` when unset, unreadable or outside
  // [minimum, maximum].
  virtual std::int64_t integerSetting(const std::string& key, std::int64_t defaultValue, std::int64_t minimum,
                                      std::int64_t maximum) const {
    auto text = remoteConfigValue(key);
    if (!text) return defaultValue;
    std::int64_t value = 0;
    const char* end = text->data() + text->size();
    auto [last, failure] = std::from_chars(text->data(), end, value);
    if (failure != std::errc() || last != end || value < minimum || value > maximum) return defaultValue;
    return value;
  }

  // The engine's measurement database, worker-queue scheduler and collection switch, and its
  // writing of an event handled on the worker queue. Without an engine there is nothing to write to.
  virtual std::shared_ptr<MeasurementDatabase> database() const { return nullptr; }
  virtual std::shared_ptr<Scheduler> scheduler() const { return nullptr; }
  virtual bool isEnabled() const { return false; }
  virtual void writeEventOnWorkerQueue(const AnalyticsEvent& event) const { (void)event; }
  // The app instance ID the experiments service diverts by; nothing before the engine has one.
  virtual std::optional<std::string> appInstanceID() const { return std::nullopt; }
};

}  // namespace sdk::analytics

