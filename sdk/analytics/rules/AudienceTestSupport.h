#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
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

// Builders of filter messages, as the server writes them.
inline std::shared_ptr<sdk::analytics::ProtoNumberFilter> numberFilter(std::uint64_t type, std::optional<std::string> value,
                                                       std::optional<std::string> minimum = std::nullopt,
                                                       std::optional<std::string> maximum = std::nullopt) {
  using namespace sdk::analytics::audience_fields;
  auto filter = sdk::analytics::ProtoNumberFilter::make();
  sdk::analytics::nanoSetInt64(*filter, kNumberComparisonType, static_cast<std::int64_t>(type));
  sdk::analytics::nanoSetString(*filter, kNumberComparisonValue, value);
  sdk::analytics::nanoSetString(*filter, kNumberMinimum, minimum);
  sdk::analytics::nanoSetString(*filter, kNumberMaximum, maximum);
  return filter;
}

inline std::shared_ptr<sdk::analytics::ProtoStringFilter> stringFilter(std::uint64_t type, std::optional<std::string> expression,
                                                       bool caseSensitive = false,
                                                       std::vector<std::string> list = {}) {
  using namespace sdk::analytics::audience_fields;
  auto filter = sdk::analytics::ProtoStringFilter::make();
  sdk::analytics::nanoSetInt64(*filter, kStringMatchType, static_cast<std::int64_t>(type));
  sdk::analytics::nanoSetString(*filter, kStringExpression, expression);
  if (caseSensitive) sdk::analytics::nanoSetBool(*filter, kStringCaseSensitive, true);
  platform::foundation::Array entries;
  for (auto& entry : list) entries.emplace_back(entry);
  sdk::analytics::nanoSetArray(*filter, kStringExpressionList, entries);
  return filter;
}

inline std::shared_ptr<sdk::analytics::ProtoFilter> valueFilter(const sdk::analytics::NanoMessage& inner, std::optional<std::string> parameter = {},
                                                bool complement = false) {
  using namespace sdk::analytics::audience_fields;
  auto filter = sdk::analytics::ProtoFilter::make();
  const bool number = &inner.descriptor() == &sdk::analytics::ProtoNumberFilter::descriptor();
  sdk::analytics::nanoSetMessage(*filter, number ? kFilterNumber : kFilterString, &inner);
  if (complement) sdk::analytics::nanoSetBool(*filter, kFilterComplement, true);
  sdk::analytics::nanoSetString(*filter, kFilterParameterName, parameter);
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
  using namespace sdk::analytics::audience_fields;
  auto filter = sdk::analytics::ProtoEventFilter::make();
  if (id) sdk::analytics::nanoSetInt32(*filter, kEventFilterID, *id);
  sdk::analytics::nanoSetString(*filter, kEventFilterName, name);
  sdk::analytics::nanoSetMessageArray(*filter, kEventFilterParameters, parameters);
  sdk::analytics::nanoSetMessage(*filter, kEventFilterCount, count.get());
  if (flags.dynamic) sdk::analytics::nanoSetBool(*filter, kEventFilterDynamic, true);
  if (flags.sequence) sdk::analytics::nanoSetBool(*filter, kEventFilterSequence, true);
  if (flags.sessionScoped) sdk::analytics::nanoSetBool(*filter, kEventFilterSessionScoped, true);
  return filter;
}

inline std::shared_ptr<sdk::analytics::ProtoPropertyFilter> propertyFilter(std::optional<std::int32_t> id,
                                                           std::optional<std::string> name,
                                                           std::shared_ptr<sdk::analytics::ProtoFilter> filter, FilterFlags flags = {}) {
  using namespace sdk::analytics::audience_fields;
  auto message = sdk::analytics::ProtoPropertyFilter::make();
  if (id) sdk::analytics::nanoSetInt32(*message, kPropertyFilterID, *id);
  sdk::analytics::nanoSetString(*message, kPropertyFilterName, name);
  sdk::analytics::nanoSetMessage(*message, kPropertyFilterFilter, filter.get());
  if (flags.dynamic) sdk::analytics::nanoSetBool(*message, kPropertyFilterDynamic, true);
  if (flags.sequence) sdk::analytics::nanoSetBool(*message, kPropertyFilterSequence, true);
  if (flags.sessionScoped) sdk::analytics::nanoSetBool(*message, kPropertyFilterSessionScoped, true);
  return message;
}

inline std::shared_ptr<sdk::analytics::ProtoAudience> audience(std::optional<std::int32_t> id,
                                               std::vector<std::shared_ptr<sdk::analytics::ProtoEventFilter>> events,
                                               std::vector<std::shared_ptr<sdk::analytics::ProtoPropertyFilter>> properties = {}) {
  using namespace sdk::analytics::audience_fields;
  auto message = sdk::analytics::ProtoAudience::make();
  if (id) sdk::analytics::nanoSetInt32(*message, kAudienceID, *id);
  sdk::analytics::nanoSetMessageArray(*message, kAudiencePropertyFilters, properties);
  sdk::analytics::nanoSetMessageArray(*message, kAudienceEventFilters, events);
  return message;
}

}  // namespace ostrel::testing
