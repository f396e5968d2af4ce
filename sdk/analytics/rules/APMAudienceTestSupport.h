#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {}

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// The engine as audience tests see it: the shared monitor and settings a test writes.
class AudienceHost : public MeasurementHost {
 public:
  std::shared_ptr<APMMonitor> monitor() const override { return APMMonitor::shared(); }
  std::optional<std::string> remoteConfigValue(const std::string& key) const override {
    auto found = settings.find(key);
    if (found == settings.end()) return std::nullopt;
    return found->second;
  }
  bool boolSetting(const std::string&, bool defaultValue) const override { return defaultValue; }

  std::map<std::string, std::string> settings;
};

// Builders of filter messages, by field tag as the server writes them.
inline std::shared_ptr<APMPBNumberFilter> numberFilter(std::uint64_t type, std::optional<std::string> value,
                                                       std::optional<std::string> minimum = std::nullopt,
                                                       std::optional<std::string> maximum = std::nullopt) {
  auto filter = APMPBNumberFilter::make();
  APMNanoSetInt64(*filter, 0, static_cast<std::int64_t>(type));
  APMNanoSetString(*filter, 2, value);
  APMNanoSetString(*filter, 3, minimum);
  APMNanoSetString(*filter, 4, maximum);
  return filter;
}

inline std::shared_ptr<APMPBStringFilter> stringFilter(std::uint64_t type, std::optional<std::string> expression,
                                                       bool caseSensitive = false,
                                                       std::vector<std::string> list = {}) {
  auto filter = APMPBStringFilter::make();
  APMNanoSetInt64(*filter, 0, static_cast<std::int64_t>(type));
  APMNanoSetString(*filter, 1, expression);
  if (caseSensitive) APMNanoSetBool(*filter, 2, true);
  platform::foundation::Array entries;
  for (auto& entry : list) entries.emplace_back(entry);
  APMNanoSetArray(*filter, 3, entries);
  return filter;
}

inline std::shared_ptr<APMPBFilter> valueFilter(const APMNanoMessage& inner, std::optional<std::string> parameter = {},
                                                bool complement = false) {
  auto filter = APMPBFilter::make();
  APMNanoSetMessage(*filter, &inner.descriptor() == &APMPBNumberFilter::descriptor() ? 1 : 0, &inner);
  if (complement) APMNanoSetBool(*filter, 2, true);
  APMNanoSetString(*filter, 3, parameter);
  return filter;
}

struct FilterFlags {
  bool dynamic = false;
  bool sequence = false;
  bool sessionScoped = false;
};

inline std::shared_ptr<APMPBEventFilter> eventFilter(std::optional<std::int32_t> id, std::optional<std::string> name,
                                                     std::vector<std::shared_ptr<APMPBFilter>> parameters = {},
                                                     std::shared_ptr<APMPBNumberFilter> count = nullptr,
                                                     FilterFlags flags = {}) {
  auto filter = APMPBEventFilter::make();
  if (id) APMNanoSetInt32(*filter, 0, *id);
  APMNanoSetString(*filter, 1, name);
  APMNanoSetMessageArray(*filter, 2, parameters);
  APMNanoSetMessage(*filter, 4, count.get());
  if (flags.dynamic) APMNanoSetBool(*filter, 5, true);
  if (flags.sequence) APMNanoSetBool(*filter, 6, true);
  if (flags.sessionScoped) APMNanoSetBool(*filter, 7, true);
  return filter;
}

inline std::shared_ptr<APMPBPropertyFilter> propertyFilter(std::optional<std::int32_t> id,
                                                           std::optional<std::string> name,
                                                           std::shared_ptr<APMPBFilter> filter, FilterFlags flags = {}) {
  auto message = APMPBPropertyFilter::make();
  if (id) APMNanoSetInt32(*message, 0, *id);
  APMNanoSetString(*message, 1, name);
  APMNanoSetMessage(*message, 2, filter.get());
  if (flags.dynamic) APMNanoSetBool(*message, 3, true);
  if (flags.sequence) APMNanoSetBool(*message, 4, true);
  if (flags.sessionScoped) APMNanoSetBool(*message, 5, true);
  return message;
}

inline std::shared_ptr<APMPBAudience> audience(std::optional<std::int32_t> id,
                                               std::vector<std::shared_ptr<APMPBEventFilter>> events,
                                               std::vector<std::shared_ptr<APMPBPropertyFilter>> properties = {}) {
  auto message = APMPBAudience::make();
  if (id) APMNanoSetInt32(*message, 0, *id);
  APMNanoSetMessageArray(*message, 1, properties);
  APMNanoSetMessageArray(*message, 2, events);
  return message;
}

}  // namespace ostrel::testing
