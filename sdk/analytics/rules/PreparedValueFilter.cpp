#include "sdk/analytics/rules/PreparedValueFilter.h"

#include <cmath>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"
#include "sdk/analytics/rules/CaselessText.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

const std::string* nonEmptyString(const NanoMessage& message, int index) {
  const std::string* text = nanoStringIn(message, index);
  return text && !text->empty() ? text : nullptr;
}

}  // namespace

PreparedValueFilter::PreparedValueFilter(const ProtoFilter& filter)
    : message_(&filter),
      numberMessage_(nanoMessageIn<ProtoNumberFilter>(filter, kFilterNumber)),
      stringMessage_(nanoMessageIn<ProtoStringFilter>(filter, kFilterString)),
      parameterName_(nonEmptyString(filter, kFilterParameterName)),
      complement_(nanoGetBool(filter, kFilterComplement)) {
  // A number filter decides when both are present: the string filter is never prepared then.
  if (numberMessage_) {
    number_ = PreparedNumberFilter::from(*numberMessage_);
  } else if (stringMessage_) {
    string_ = PreparedStringFilter::from(*stringMessage_);
  }
}

FilterOutcome PreparedValueFilter::evaluate(const AnalyticsValue& value, CaselessText& text, Monitor& monitor,
                                            AudienceEvaluationBudget* budget) const {
  using platform::foundation::Value;
  FilterOutcome outcome;
  if (numberMessage_) {
    outcome = judgeNumber(value, monitor);
  } else if (stringMessage_) {
    const std::string* string = value.string();
    if (!string) {
      monitor.logWithLevel(LogLevel::kWarning, messages::kValueNotString, "Value is not a string. Audience filter will not be evaluated",
                           value.objectValue(), messageLogContext(*message_));
      return std::nullopt;
    }
    outcome = string_ ? string_->matches(text, monitor, budget) : matchStringFilter(*stringMessage_, *string, monitor);
  } else {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kFilterHasNoNumberOrStringFilter,
                         "Filter has neither a number nor string filter. Audience filter will not be evaluated",
                         value.objectValue(), messageLogContext(*message_));
    return std::nullopt;
  }
  if (outcome && complement_) outcome = !*outcome;
  return outcome;
}

bool PreparedValueFilter::isSetAsideFor(const AnalyticsValue& value) const {
  const std::string* text = value.string();
  return string_ && text && string_->isSetAsideFor(*text);
}

FilterOutcome PreparedValueFilter::judgeNumber(const AnalyticsValue& value, Monitor& monitor) const {
  using platform::foundation::Value;
  if (const std::string* text = value.string()) {
    if (!isDecimalNumberString(*text)) {
      monitor.logWithLevel(LogLevel::kWarning, messages::kStringValueNotNumeric, "String value is not a numeric value. Audience filter will not be evaluated. "
                           "Value, filter", Value(*text), messageLogContext(*message_));
      return std::nullopt;
    }
    auto decimal = decimalNumberFromString(*text);
    if (!decimal) return std::nullopt;
    return number_ ? number_->holdsFor(*decimal) : evaluateNumberFilter(*numberMessage_, *decimal, monitor);
  }
  if (value.isDouble()) {
    double number = value.doubleValue();
    if (!std::isfinite(number)) {
      monitor.logWithLevel(LogLevel::kWarning, messages::kValueOutOfDoubleRange, "Value is not within double range. Audience filter will not be evaluated",
                           value.objectValue(), messageLogContext(*message_));
      return std::nullopt;
    }
    return number_ ? number_->holdsFor(number) : evaluateNumberFilter(*numberMessage_, number, monitor);
  }
  if (value.isInt64()) {
    std::int64_t number = value.int64Value();
    return number_ ? number_->holdsFor(number) : evaluateNumberFilter(*numberMessage_, number, monitor);
  }
  return std::nullopt;
}

}  // namespace sdk::analytics

