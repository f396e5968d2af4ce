#include "sdk/analytics/rules/PreparedPropertyFilter.h"

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/CaselessText.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

}  // namespace

PreparedPropertyFilter::PreparedPropertyFilter(const ProtoPropertyFilter& filter)
    : message_(&filter), propertyName_(nanoStringIn(filter, kPropertyFilterName)) {
  if (const auto* valueFilter = nanoMessageIn<ProtoFilter>(filter, kPropertyFilterFilter)) {
    value_.emplace(*valueFilter);
  }
}

FilterOutcome PreparedPropertyFilter::evaluate(const UserAttribute* property, Monitor& monitor,
                                               AudienceEvaluationBudget* budget) const {
  using platform::foundation::Value;
  if (!property) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertyMissing, "User property is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (!propertyName_ || *propertyName_ != property->name) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertyNameMismatch,
                         "User property name does not match property filter name. Audience filter will not be "
                         "evaluated",
                         Value(userPropertyNameForDisplay(property->name)), messageLogContext(*message_));
    return std::nullopt;
  }
  if (!value_) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kPropertyFilterHasNoFilter, "Property filter does not have filter. Audience filter will not be evaluated");
    return std::nullopt;
  }
  const AnalyticsValue& value = property->value;
  if (!value.isString() && !value.isInt64() && !value.isDouble()) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kUnknownUserPropertyType, "Unknown user property type. Audience filter will not be evaluated. Property Name",
                         Value(userPropertyNameForDisplay(property->name)));
    return std::nullopt;
  }
  const std::string* string = value.string();
  CaselessText text(string ? std::string_view(*string) : std::string_view());
  return value_->evaluate(value, text, monitor, budget);
}

}  // namespace sdk::analytics

