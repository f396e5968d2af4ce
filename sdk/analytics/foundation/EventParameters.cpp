#include "sdk/analytics/foundation/EventParameters.h"

#include <set>
#include <vector>

#include "platform/foundation/Utf8.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"

namespace sdk::analytics {

using platform::foundation::Utf8;
using platform::foundation::Value;

namespace {

bool isPublicParameterName(const std::string& name) { return !name.empty() && name.front() != '_'; }

bool nameAccepted(const std::string& name, bool isPublicEvent) {
  if (isPublicEvent) return DataTypeValidator::isValidPublicEventParameterName(name, nullptr);
  return DataTypeValidator::isValidInternalEventName(name, nullptr);
}

std::string cut(const std::string& text, std::size_t limit) {
  if (Utf8::length(text) <= limit) return text;
  return Utf8::substring(text, 0, limit - 3) + "...";
}

Parameters sanitizeItem(const platform::foundation::Dictionary& item, const std::string& eventName,
                           bool isPublicEvent) {
  platform::foundation::Dictionary standard;
  for (const auto& [name, value] : item) {
    if (isStandardItemParameterName(name)) {
      standard.emplace(name, value);
      continue;
    }
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kUnsupportedItemParameter,
                                    "Item parameter is not supported. Parameter ignored. Event, name",
                                    Value(eventNameForDisplay(eventName)), Value(name));
    logErrorEventWithValue(kErrorCodeItemCustomParameterRefused, name, 40, std::nullopt);
  }
  return sanitizeEventParameters(standard, eventName, isPublicEvent, true);
}

std::optional<AnalyticsValue> sanitizedValue(const std::string& name, const Value& value, const std::string& eventName,
                                       bool isPublicEvent, bool isItem) {
  if (value.isString()) {
    std::size_t limit = isPublicEvent ? kPublicParameterValueLength : kInternalParameterValueLength;
    return AnalyticsValue(cut(*value.string(), limit));
  }
  if (auto number = AnalyticsValue::valueFromObject(value)) return number;
  if (value.isArray() && !isItem) {
    std::vector<Parameters> items;
    for (const Value& element : *value.array()) {
      if (element.isDictionary()) items.push_back(sanitizeItem(*element.dictionary(), eventName, isPublicEvent));
    }
    return AnalyticsValue(std::move(items));
  }
  Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kUnsupportedParameterValueType,
                                  "Parameter value type is not supported. Parameter ignored. Event, name",
                                  Value(eventNameForDisplay(eventName)), Value(name));
  return std::nullopt;
}

}  // namespace

Parameters sanitizeEventParameters(const platform::foundation::Dictionary& parameters,
                                         const std::string& eventName, bool isPublicEvent, bool isItem) {
  Parameters sanitized;
  for (const auto& [name, value] : parameters) {
    if (!nameAccepted(name, isPublicEvent)) continue;
    if (auto accepted = sanitizedValue(name, value, eventName, isPublicEvent, isItem)) {
      sanitized.emplace(name, std::move(*accepted));
    }
  }
  std::size_t before = sanitized.size();
  trimParametersToLimit(sanitized, kMaxPublicEventParameters);
  if (sanitized.size() < before) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kTooManyEventParameters,
                                    "Event has too many parameters. Discarding beyond limit. Event, limit",
                                    Value(eventNameForDisplay(eventName)),
                                    Value(static_cast<std::int64_t>(kMaxPublicEventParameters)));
    logErrorEventWithValue(kErrorCodeTooManyEventParams, eventName, 40, std::nullopt);
  }
  return sanitized;
}

void trimParametersToLimit(Parameters& parameters, std::size_t limit) {
  std::size_t publicCount = 0;
  for (const auto& [name, _] : parameters) publicCount += isPublicParameterName(name) ? 1 : 0;
  // The map is ordered by name, so walking it backwards removes from the end of the sorted order.
  for (auto it = parameters.end(); publicCount > limit && it != parameters.begin();) {
    --it;
    if (!isPublicParameterName(it->first)) continue;
    it = parameters.erase(it);
    --publicCount;
  }
}

bool isStandardItemParameterName(const std::string& name) {
  static const std::set<std::string> kNames = {
      "affiliation",    "coupon",         "creative_name",  "creative_slot",  "discount",       "index",
      "item_brand",     "item_category",  "item_category2", "item_category3", "item_category4", "item_category5",
      "item_id",        "item_list_id",   "item_list_name", "item_name",      "item_variant",   "location_id",
      "price",          "promotion_id",   "promotion_name", "quantity",
  };
  return kNames.count(name) != 0;
}

}  // namespace sdk::analytics

