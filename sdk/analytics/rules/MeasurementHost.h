#pragma once

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sdk/analytics/foundation/APMMonitor.h"

namespace sdk::analytics {

// What the script runtime and event editing need of the measurement engine: its log and its
// remote configuration. The engine implements it; tests use a fake.
class MeasurementHost {
 public:
  virtual ~MeasurementHost() = default;
  // The analytics log (the engine's monitor).
  virtual std::shared_ptr<APMMonitor> monitor() const = 0;
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
};

}  // namespace sdk::analytics
