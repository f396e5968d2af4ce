#include "sdk/analytics/rules/PreparedValueFilter.h"

#include <cmath>

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/rules/APMStringFilterEvaluator.h"
#include "sdk/analytics/rules/CaselessText.h"

namespace sdk::analytics {

namespace {

// Field indices of APMPBFilter.
constexpr int kValueStringField = 0, kValueNumberField = 1, kValueComplementField = 2, kValueParameterField = 3;

const std::string* nonEmptyString(const APMNanoMessage& message, int index) {
  const std::string* text = APMNanoStringIn(message, index);
  return text && !text->empty() ? text : nullptr;
}

}  // namespace

PreparedValueFilter::PreparedValueFilter(const APMPBFilter& filter)
    : message_(&filter),
      numberMessage_(APMNanoMessageIn<APMPBNumberFilter>(filter, kValueNumberField)),
      stringMessage_(APMNanoMessageIn<APMPBStringFilter>(filter, kValueStringField)),
      parameterName_(nonEmptyString(filter, kValueParameterField)),
      complement_(APMNanoGetBool(filter, kValueComplementField)) {
  // A number filter decides when both are present: the string filter is never prepared then.
  if (numberMessage_) {
    number_ = PreparedNumberFilter::from(*numberMessage_);
  } else if (stringMessage_) {
    string_ = PreparedStringFilter::from(*stringMessage_);
  }
}

APMFilterOutcome PreparedValueFilter::evaluate(const APMValue& value, CaselessText& text, APMMonitor& monitor) const {
  using platform::foundation::Value;
  APMFilterOutcome outcome;
  if (numberMessage_) {
    outcome = judgeNumber(value, monitor);
  } else if (stringMessage_) {
    const std::string* string = value.string();
    if (!string) {
      monitor.logWithLevel(3, 7003, "Value is not a string. Audience filter will not be evaluated",
                           value.objectValue(), APMMessageContext(*message_));
      return std::nullopt;
    }
    outcome = string_ ? string_->matches(text, monitor) : APMMatchStringFilter(*stringMessage_, *string, monitor);
  } else {
    monitor.logWithLevel(1, 7000,
                         "Filter has neither a number nor string filter. Audience filter will not be evaluated",
                         value.objectValue(), APMMessageContext(*message_));
    return std::nullopt;
  }
  if (outcome && complement_) outcome = !*outcome;
  return outcome;
}

APMFilterOutcome PreparedValueFilter::judgeNumber(const APMValue& value, APMMonitor& monitor) const {
  using platform::foundation::Value;
  if (const std::string* text = value.string()) {
    if (!APMIsDecimalNumberString(*text)) {
      monitor.logWithLevel(3, 7001, "String value is not a numeric value. Audience filter will not be evaluated. "
                           "Value, filter", Value(*text), APMMessageContext(*message_));
      return std::nullopt;
    }
    auto decimal = APMDecimalNumberFromString(*text);
    if (!decimal) return std::nullopt;
    return number_ ? number_->holdsFor(*decimal) : APMEvaluateNumberFilter(*numberMessage_, *decimal, monitor);
  }
  if (value.isDouble()) {
    double number = value.doubleValue();
    if (!std::isfinite(number)) {
      monitor.logWithLevel(3, 7002, "Value is not within double range. Audience filter will not be evaluated",
                           value.objectValue(), APMMessageContext(*message_));
      return std::nullopt;
    }
    return number_ ? number_->holdsFor(number) : APMEvaluateNumberFilter(*numberMessage_, number, monitor);
  }
  if (value.isInt64()) {
    std::int64_t number = value.int64Value();
    return number_ ? number_->holdsFor(number) : APMEvaluateNumberFilter(*numberMessage_, number, monitor);
  }
  return std::nullopt;
}

}  // namespace sdk::analytics
