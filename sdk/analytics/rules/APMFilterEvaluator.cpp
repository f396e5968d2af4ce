#include "sdk/analytics/rules/APMFilterEvaluator.h"

#include <cmath>

#include "sdk/analytics/foundation/APMEventAggregates.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMNameTests.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/foundation/APMUserAttribute.h"
#include "sdk/analytics/rules/APMNumberFilterEvaluator.h"
#include "sdk/analytics/rules/APMStringFilterEvaluator.h"

namespace sdk::analytics {
namespace {

using platform::foundation::Value;

// Field indices.
constexpr int kFilterString = 0, kFilterNumber = 1, kFilterComplement = 2, kFilterParameterName = 3;
constexpr int kEventFilterName = 1, kEventFilterParameters = 2, kEventFilterCount = 4, kEventFilterSessionScoped = 7;
constexpr int kPropertyFilterName = 1, kPropertyFilterFilter = 2;

APMFilterOutcome evaluateNumber(const APMPBNumberFilter& number, const APMPBFilter& filter, const APMValue& value,
                                APMMonitor& monitor) {
  if (const std::string* text = value.string()) {
    if (!APMIsDecimalNumberString(*text)) {
      monitor.logWithLevel(3, 7001, "String value is not a numeric value. Audience filter will not be evaluated. "
                           "Value, filter", Value(*text), APMMessageContext(filter));
      return std::nullopt;
    }
    auto decimal = APMDecimalNumberFromString(*text);
    if (!decimal) return std::nullopt;
    return APMEvaluateNumberFilter(number, *decimal, monitor);
  }
  if (value.isDouble()) {
    if (!std::isfinite(value.doubleValue())) {
      monitor.logWithLevel(3, 7002, "Value is not within double range. Audience filter will not be evaluated",
                           value.objectValue(), APMMessageContext(filter));
      return std::nullopt;
    }
    return APMEvaluateNumberFilter(number, value.doubleValue(), monitor);
  }
  if (value.isInt64()) return APMEvaluateNumberFilter(number, value.int64Value(), monitor);
  return std::nullopt;
}

}  // namespace

APMFilterOutcome APMEvaluateFilter(const APMPBFilter* filter, const APMValue& value, APMMonitor& monitor) {
  if (!filter) return std::nullopt;
  const auto* number = APMNanoMessageIn<APMPBNumberFilter>(*filter, kFilterNumber);
  const auto* string = APMNanoMessageIn<APMPBStringFilter>(*filter, kFilterString);
  APMFilterOutcome outcome;
  if (number) {
    outcome = evaluateNumber(*number, *filter, value, monitor);
  } else if (string) {
    const std::string* text = value.string();
    if (!text) {
      monitor.logWithLevel(3, 7003, "Value is not a string. Audience filter will not be evaluated",
                           value.objectValue(), APMMessageContext(*filter));
      return std::nullopt;
    }
    outcome = APMMatchStringFilter(*string, *text, monitor);
  } else {
    monitor.logWithLevel(1, 7000,
                         "Filter has neither a number nor string filter. Audience filter will not be evaluated",
                         value.objectValue(), APMMessageContext(*filter));
    return std::nullopt;
  }
  if (outcome && APMNanoGetBool(*filter, kFilterComplement)) outcome = !*outcome;
  return outcome;
}

APMFilterOutcome APMEvaluateEventFilter(const APMPBEventFilter* filter, const std::string& eventName,
                                        const APMParameters& parameters, const APMEventAggregates* aggregates,
                                        APMMonitor& monitor) {
  if (!filter) {
    monitor.logWithLevel(1, 7004, "Event filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (eventName.empty()) {
    monitor.logWithLevel(1, 7005, "Event name is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  const std::string* filterName = APMNanoStringIn(*filter, kEventFilterName);
  if (!filterName || *filterName != eventName) {
    monitor.logWithLevel(1, 7006, "Event filter name does not match event name. Audience filter will not be evaluated",
                         Value(APMEventNameForDisplay(eventName)), APMMessageContext(*filter));
    return std::nullopt;
  }
  const auto* countFilter = APMNanoMessageIn<APMPBNumberFilter>(*filter, kEventFilterCount);
  auto parameterFilters = APMNanoMessagesIn<APMPBFilter>(*filter, kEventFilterParameters);
  if (!countFilter && parameterFilters.empty()) return true;
  if (countFilter) {
    if (!aggregates || aggregates->name != eventName) {
      monitor.logWithLevel(1, 7007,
                           "Event aggregates name does not match event name. Audience filter will not be evaluated",
                           Value(aggregates ? APMEventNameForDisplay(aggregates->name) : std::string()),
                           Value(APMEventNameForDisplay(eventName)), APMMessageContext(*filter));
      return std::nullopt;
    }
    std::int64_t count = APMNanoGetBool(*filter, kEventFilterSessionScoped) ? aggregates->currentSessionCount
                                                                           : aggregates->lifetimeCount;
    APMFilterOutcome outcome = APMEvaluateNumberFilter(*countFilter, count, monitor);
    if (outcome != true) return outcome;
  }
  for (const APMPBFilter& parameterFilter : parameterFilters) {
    const std::string* parameterName = APMNanoStringIn(parameterFilter, kFilterParameterName);
    if (!parameterName || parameterName->empty()) {
      monitor.logWithLevel(1, 7008, "Event filter does not have parameter name. Audience filter will not be evaluated");
      return std::nullopt;
    }
    auto parameter = parameters.find(*parameterName);
    if (parameter == parameters.end()) {
      monitor.logWithLevel(3, 7009, "Event does not have parameter required by filter. Audience filter will not be "
                           "evaluated", Value(APMEventNameForDisplay(eventName)),
                           Value(APMDictionaryDescriptionForDisplay(parameters)), APMMessageContext(*filter));
      return std::nullopt;
    }
    if (parameter->second.isString() && !APMNanoHasField(parameterFilter, kFilterString)) {
      monitor.logWithLevel(3, 7010, "Event param is a string and the filter does not have a string filter. Audience "
                           "filter will not be evaluated. Event name, event params, filter",
                           Value(APMEventNameForDisplay(eventName)),
                           Value(APMDictionaryDescriptionForDisplay(parameters)), APMMessageContext(*filter));
      return std::nullopt;
    }
    APMFilterOutcome outcome = APMEvaluateFilter(&parameterFilter, parameter->second, monitor);
    if (outcome != true) return outcome;
  }
  return true;
}

APMFilterOutcome APMEvaluatePropertyFilter(const APMPBPropertyFilter* filter, const APMUserAttribute* property,
                                           APMMonitor& monitor) {
  if (!filter) {
    monitor.logWithLevel(1, 7011, "Property filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (!property) {
    monitor.logWithLevel(1, 7012, "User property is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  const std::string* filterName = APMNanoStringIn(*filter, kPropertyFilterName);
  if (!filterName || *filterName != property->name) {
    monitor.logWithLevel(1, 7013,
                         "User property name does not match property filter name. Audience filter will not be "
                         "evaluated",
                         Value(APMUserPropertyNameForDisplay(property->name)), APMMessageContext(*filter));
    return std::nullopt;
  }
  const auto* valueFilter = APMNanoMessageIn<APMPBFilter>(*filter, kPropertyFilterFilter);
  if (!valueFilter) {
    monitor.logWithLevel(1, 7014, "Property filter does not have filter. Audience filter will not be evaluated");
    return std::nullopt;
  }
  const APMValue& value = property->value;
  if (!value.isString() && !value.isInt64() && !value.isDouble()) {
    monitor.logWithLevel(1, 7015, "Unknown user property type. Audience filter will not be evaluated. Property Name",
                         Value(APMUserPropertyNameForDisplay(property->name)));
    return std::nullopt;
  }
  return APMEvaluateFilter(valueFilter, value, monitor);
}

}  // namespace sdk::analytics
