#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// The engine as audience tests see it: the shared monitor and settings a test writes.
class AudienceHost : public MeasurementHost {
 public:
  std::shared_ptr<sdk::analytics::Monitor> monitor() const override { return sdk::analytics::Monitor::shared(); }
  std::optional<std::string> remoteConfigValue(const std::string& key) const override {
    auto found = settings.find(key);
    if (found == settings.end()) return std::nullopt;
    return found->second;
  }
  bool boolSetting(const std::string&, bool defaultValue) const override { return defaultValue; }

  std::map<std::string, std::string> settings;
};

// Builders of filter messages, by field tag as the server writes them.
inline std::shared_ptr<sdk::analytics::ProtoNumberFilter> numberFilter(std::uint64_t type, std::optional<std::string> value,
                                                       std::optional<std::string> minimum = std::nullopt,
                                                       std::optional<std::string> maximum = std::nullopt) {
  auto filter = sdk::analytics::ProtoNumberFilter::make();
  sdk::analytics::nanoSetInt64(*filter, 0, static_cast<std::int64_t>(type));
  sdk::analytics::nanoSetString(*filter, 2, value);
  sdk::analytics::nanoSetString(*filter, 3, minimum);
  sdk::analytics::nanoSetString(*filter, 4, maximum);
  return filter;
}

inline std::shared_ptr<sdk::analytics::ProtoStringFilter> stringFilter(std::uint64_t type, std::optional<std::string> expression,
                                                       bool caseSensitive = false,
                                                       std::vector<std::string> list = {}) {
  auto filter = sdk::analytics::ProtoStringFilter::make();
  sdk::analytics::nanoSetInt64(*filter, 0, static_cast<std::int64_t>(type));
  sdk::analytics::nanoSetString(*filter, 1, expression);
  if (caseSensitive) sdk::analytics::nanoSetBool(*filter, 2, true);
  platform::foundation::Array entries;
  for (auto& entry : list) entries.emplace_back(entry);
  sdk::analytics::nanoSetArray(*filter, 3, entries);
  return filter;
}

inline std::shared_ptr<sdk::analytics::ProtoFilter> valueFilter(const sdk::analytics::NanoMessage& inner, std::optional<std::string> parameter = {},
                                                bool complement = false) {
  auto filter = sdk::analytics::ProtoFilter::make();
  sdk::analytics::nanoSetMessage(*filter, &inner.descriptor() == &sdk::analytics::ProtoNumberFilter::descriptor() ? 1 : 0, &inner);
  if (complement) sdk::analytics::nanoSetBool(*filter, 2, true);
  sdk::analytics::nanoSetString(*filter, 3, parameter);
  return filter;
}

struct FilterFlags {
  bool dynamic = false;
  bool sequence = false;
  bool sessionScoped = false;
};

inline std::shared_ptr<sdk::analytics::ProtoEventFilter> eventFilter(std::optional<std::int32_t> id, std::optional<std::string> name,
                                                     std::vector<std::shared_ptr<sdk::analytics::ProtoFilter>> parameters = {},
                                                     std::shared_ptr<sdk::analytics::ProtoNumberFilter> count = nullptr,
                                                     FilterFlags flags = {}) {
  auto filter = sdk::analytics::ProtoEventFilter::make();
  if (id) sdk::analytics::nanoSetInt32(*filter, 0, *id);
  sdk::analytics::nanoSetString(*filter, 1, name);
  sdk::analytics::nanoSetMessageArray(*filter, 2, parameters);
  sdk::analytics::nanoSetMessage(*filter, 4, count.get());
  if (flags.dynamic) sdk::analytics::nanoSetBool(*filter, 5, true);
  if (flags.sequence) sdk::analytics::nanoSetBool(*filter, 6, true);
  if (flags.sessionScoped) sdk::analytics::nanoSetBool(*filter, 7, true);
  return filter;
}

inline std::shared_ptr<sdk::analytics::ProtoPropertyFilter> propertyFilter(std::optional<std::int32_t> id,
                                                           std::optional<std::string> name,
                                                           std::shared_ptr<sdk::analytics::ProtoFilter> filter, FilterFlags flags = {}) {
  auto message = sdk::analytics::ProtoPropertyFilter::make();
  if (id) sdk::analytics::nanoSetInt32(*message, 0, *id);
  sdk::analytics::nanoSetString(*message, 1, name);
  sdk::analytics::nanoSetMessage(*message, 2, filter.get());
  if (flags.dynamic) sdk::analytics::nanoSetBool(*message, 3, true);
  if (flags.sequence) sdk::analytics::nanoSetBool(*message, 4, true);
  if (flags.sessionScoped) sdk::analytics::nanoSetBool(*message, 5, true);
  return message;
}

inline std::shared_ptr<sdk::analytics::ProtoAudience> audience(std::optional<std::int32_t> id,
                                               std::vector<std::shared_ptr<sdk::analytics::ProtoEventFilter>> events,
                                               std::vector<std::shared_ptr<sdk::analytics::ProtoPropertyFilter>> properties = {}) {
  auto message = sdk::analytics::ProtoAudience::make();
  if (id) sdk::analytics::nanoSetInt32(*message, 0, *id);
  sdk::analytics::nanoSetMessageArray(*message, 1, properties);
  sdk::analytics::nanoSetMessageArray(*message, 2, events);
  return message;
}

}  // namespace ostrel::testing
