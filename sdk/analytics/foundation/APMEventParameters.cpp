#include "sdk/analytics/foundation/APMEventParameters.h"

#include <set>
#include <vector>

#include "platform/foundation/Utf8.h"
#include "sdk/analytics/foundation/APMDataTypeValidator.h"
#include "sdk/analytics/foundation/APMErrorEvent.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTests.h"

using platform::foundation::Utf8;
using platform::foundation::Value;

namespace {

bool isPublicParameterName(const std::string& name) { return !name.empty() && name.front() != '_'; }

bool nameAccepted(const std::string& name, bool isPublicEvent) {
  if (isPublicEvent) return APMDataTypeValidator::isValidPublicEventParameterName(name, nullptr);
  return APMDataTypeValidator::isValidInternalEventName(name, nullptr);
}

std::string cut(const std::string& text, std::size_t limit) {
  if (Utf8::length(text) <= limit) return text;
  return Utf8::substring(text, 0, limit - 3) + "...";
}

APMParameters sanitizeItem(const platform::foundation::Dictionary& item, const std::string& eventName,
                           bool isPublicEvent) {
  platform::foundation::Dictionary standard;
  for (const auto& [name, value] : item) {
    if (APMIsStandardItemParameterName(name)) {
      standard.emplace(name, value);
      continue;
    }
    APMMonitor::shared()->logWithLevel(3, 18016, "Item parameter is not supported. Parameter ignored. Event, name",
                                       Value(APMEventNameForDisplay(eventName)), Value(name));
    APMLogErrorEventWithValue(APMErrorCodeItemCustomParameterRefused, name, 40, std::nullopt);
  }
  return APMSanitizeEventParameters(standard, eventName, isPublicEvent, true);
}

std::optional<APMValue> sanitizedValue(const std::string& name, const Value& value, const std::string& eventName,
                                       bool isPublicEvent, bool isItem) {
  if (value.isString()) {
    std::size_t limit = isPublicEvent ? kAPMPublicParameterValueLength : kAPMInternalParameterValueLength;
    return APMValue(cut(*value.string(), limit));
  }
  if (auto number = APMValue::valueFromObject(value)) return number;
  if (value.isArray() && !isItem) {
    std::vector<APMParameters> items;
    for (const Value& element : *value.array()) {
      if (element.isDictionary()) items.push_back(sanitizeItem(*element.dictionary(), eventName, isPublicEvent));
    }
    return APMValue(std::move(items));
  }
  APMMonitor::shared()->logWithLevel(3, 18015, "Parameter value type is not supported. Parameter ignored. Event, name",
                                     Value(APMEventNameForDisplay(eventName)), Value(name));
  return std::nullopt;
}

}  // namespace

APMParameters APMSanitizeEventParameters(const platform::foundation::Dictionary& parameters,
                                         const std::string& eventName, bool isPublicEvent, bool isItem) {
  APMParameters sanitized;
  for (const auto& [name, value] : parameters) {
    if (!nameAccepted(name, isPublicEvent)) continue;
    if (auto accepted = sanitizedValue(name, value, eventName, isPublicEvent, isItem)) {
      sanitized.emplace(name, std::move(*accepted));
    }
  }
  std::size_t before = sanitized.size();
  APMTrimParametersToLimit(sanitized, kAPMMaxPublicEventParameters);
  if (sanitized.size() < before) {
    APMMonitor::shared()->logWithLevel(3, 18017, "Event has too many parameters. Discarding beyond limit. Event, limit",
                                       Value(APMEventNameForDisplay(eventName)),
                                       Value(static_cast<std::int64_t>(kAPMMaxPublicEventParameters)));
    APMLogErrorEventWithValue(APMErrorCodeTooManyEventParams, eventName, 40, std::nullopt);
  }
  return sanitized;
}

void APMTrimParametersToLimit(APMParameters& parameters, std::size_t limit) {
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

bool APMIsStandardItemParameterName(const std::string& name) {
  static const std::set<std::string> kNames = {
      "affiliation",    "coupon",         "creative_name",  "creative_slot",  "discount",       "index",
      "item_brand",     "item_category",  "item_category2", "item_category3", "item_category4", "item_category5",
      "item_id",        "item_list_id",   "item_list_name", "item_name",      "item_variant",   "location_id",
      "price",          "promotion_id",   "promotion_name", "quantity",
  };
  return kNames.count(name) != 0;
}
