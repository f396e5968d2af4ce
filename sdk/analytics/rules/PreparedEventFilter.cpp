#include "sdk/analytics/rules/PreparedEventFilter.h"

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/EventParameterLookup.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

}  // namespace

PreparedEventFilter::PreparedEventFilter(const ProtoEventFilter& filter, std::vector<std::string>& parameterNames)
    : message_(&filter),
      eventName_(nanoStringIn(filter, kEventFilterName)),
      countMessage_(nanoMessageIn<ProtoNumberFilter>(filter, kEventFilterCount)),
      sessionScoped_(nanoGetBool(filter, kEventFilterSessionScoped)) {
  if (countMessage_) count_ = PreparedNumberFilter::from(*countMessage_);
  for (const ProtoFilter& parameterFilter : nanoMessagesIn<ProtoFilter>(filter, kEventFilterParameters)) {
    Parameter parameter{PreparedValueFilter(parameterFilter), std::nullopt};
    if (const std::string* name = parameter.filter.parameterName()) {
      parameter.slot = EventParameterLookup::slotFor(parameterNames, *name);
    }
    parameters_.push_back(std::move(parameter));
  }
}

bool PreparedEventFilter::isSetAsideFor(const EventParameterLookup& parameters) const {
  for (const Parameter& parameter : parameters_) {
    const AnalyticsValue* value = parameter.slot ? parameters.value(*parameter.slot) : nullptr;
    if (value && parameter.filter.isSetAsideFor(*value)) return true;
  }
  return false;
}

FilterOutcome PreparedEventFilter::evaluate(const std::string& eventName, EventParameterLookup& parameters,
                                            const EventAggregates* aggregates, Monitor& monitor,
                                            AudienceEvaluationBudget* budget) const {
  using platform::foundation::Value;
  if (eventName.empty()) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kEventNameMissing, "Event name is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (!eventName_ || *eventName_ != eventName) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kEventFilterNameMismatch, "Event filter name does not match event name. Audience filter will not be evaluated",
                         Value(eventNameForDisplay(eventName)), messageLogContext(*message_));
    return std::nullopt;
  }
  return judge(eventName, parameters, aggregates, aggregates && aggregates->name == eventName, monitor, budget);
}

FilterOutcome PreparedEventFilter::judge(const std::string& eventName, EventParameterLookup& parameters,
                                         const EventAggregates* aggregates, bool aggregatesNamedAlike,
                                         Monitor& monitor, AudienceEvaluationBudget* budget) const {
  using platform::foundation::Value;
  if (!countMessage_ && parameters_.empty()) return true;
  if (countMessage_) {
    if (!aggregatesNamedAlike) {
      monitor.logWithLevel(LogLevel::kMonitoredError, messages::kEventAggregatesNameMismatch,
                           "Event aggregates name does not match event name. Audience filter will not be evaluated",
                           Value(aggregates ? eventNameForDisplay(aggregates->name) : std::string()),
                           Value(eventNameForDisplay(eventName)), messageLogContext(*message_));
      return std::nullopt;
    }
    std::int64_t count = sessionScoped_ ? aggregates->currentSessionCount : aggregates->lifetimeCount;
    FilterOutcome outcome = count_ ? count_->holdsFor(count) : evaluateNumberFilter(*countMessage_, count, monitor);
    if (outcome != true) return outcome;
  }
  for (const Parameter& parameter : parameters_) {
    if (!parameter.slot) {
      monitor.logWithLevel(LogLevel::kMonitoredError, messages::kEventFilterHasNoParameterName, "Event filter does not have parameter name. Audience filter will not be evaluated");
      return std::nullopt;
    }
    const AnalyticsValue* value = parameters.value(*parameter.slot);
    if (!value) {
      monitor.logWithLevel(LogLevel::kWarning, messages::kEventLacksFilteredParameter, "Event does not have parameter required by filter. Audience filter will not be "
                           "evaluated", Value(eventNameForDisplay(eventName)),
                           Value(dictionaryDescriptionForDisplay(parameters.parameters())),
                           messageLogContext(*message_));
      return std::nullopt;
    }
    if (value->isString() && !parameter.filter.hasStringFilter()) {
      monitor.logWithLevel(LogLevel::kWarning, messages::kStringParameterWithoutStringFilter, "Event param is a string and the filter does not have a string filter. Audience "
                           "filter will not be evaluated. Event name, event params, filter",
                           Value(eventNameForDisplay(eventName)),
                           Value(dictionaryDescriptionForDisplay(parameters.parameters())),
                           messageLogContext(*message_));
      return std::nullopt;
    }
    FilterOutcome outcome = parameter.filter.evaluate(*value, parameters.text(*parameter.slot), monitor, budget);
    if (outcome != true) return outcome;
  }
  return true;
}

}  // namespace sdk::analytics

