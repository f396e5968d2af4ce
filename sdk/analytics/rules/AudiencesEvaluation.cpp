#include <map>

#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/EventParameterLookup.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

// The log lines of one kind of walk (events or user properties).
struct Audiences::EvaluationTexts {
  std::int64_t queryFiltersCode;
  const char* queryFilters;
  std::int64_t queryResultCode;
  const char* queryResult;
  std::int64_t corruptFilterCode;
  const char* corruptFilter;
  std::int64_t saveCode;
  const char* save;
};

namespace {

const Audiences::EvaluationTexts& eventTexts();
const Audiences::EvaluationTexts& propertyTexts();

}  // namespace

// One walk over the stored filters of one event or property name. Several filters of one audience
// share one record: it is read at most once and saved once with the others.
template <typename KeptFilter, typename Evaluate, typename Decide>
bool Audiences::evaluateFilters(const std::vector<KeptFilter>& filters, double timestamp,
                                  AudienceTimestampsCache* givenCache, const EvaluationTexts& texts,
                                  const Value& subject, const Evaluate& evaluate, const Decide& decide) {
  std::optional<AudienceTimestampsCache> ownCache;
  if (!givenCache) ownCache.emplace(monitor_);
  AudienceTimestampsCache& cache = givenCache ? *givenCache : *ownCache;
  std::map<std::int32_t, StoredFilterResults> updated;
  std::map<std::int32_t, std::optional<StoredFilterResults>> read;
  for (const KeptFilter& kept : filters) {
    const auto& filter = kept.record;
    std::optional<StoredFilterResults> record;
    if (auto found = updated.find(filter.audienceID); found != updated.end()) {
      record = found->second;
    } else if (auto known = read.find(filter.audienceID); known != read.end()) {
      record = known->second;
    } else {
      auto stored = database_->filterResultForAudienceID(filter.audienceID);
      if (!stored) {
        monitor_->logWithLevel(LogLevel::kMonitoredError, texts.queryResultCode, texts.queryResult, subject,
                               Value(stored.error().localizedDescription()));
        return false;
      }
      record = std::move(stored).value();
      read.emplace(filter.audienceID, record);
    }
    bool heldBefore = isFilterResult(record, filter.filterID, *monitor_);
    if (heldBefore && !filter.isDynamic && !filter.isSequence && !filter.isSessionScoped) continue;
    std::optional<bool> outcome = evaluate(kept);
    if (!outcome) continue;
    cache.populateCachedTimestamps(record, filter.audienceID);
    if (*outcome) cache.addEvaluationTimestamp(timestamp, filter);
    bool result = decide(filter, *outcome, heldBefore);
    updated[filter.audienceID] =
        updatedFilterResultWithFilterID(filter.filterID, filter.audienceID, record, result, cache);
    read.erase(filter.audienceID);
  }
  if (updated.empty()) return true;
  std::vector<StoredFilterResults> records;
  for (auto& [id, record] : updated) records.push_back(std::move(record));
  if (auto saved = database_->updateFilterResults(records); !saved) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, texts.saveCode, texts.save, subject,
                           Value(saved.error().localizedDescription()));
    return false;
  }
  return true;
}

bool Audiences::evaluateFiltersForEvent(const AnalyticsEvent& event, const EventAggregates* eventAggregates,
                                          AudienceTimestampsCache* audienceTimestampsCache) {
  return evaluateFiltersForEventName(event.name(), event.parameters(), eventAggregates, event.timestamp(),
                                     audienceTimestampsCache);
}

bool Audiences::evaluateFiltersForEventName(const std::string& eventName, const Parameters& eventParameters,
                                              const EventAggregates* eventAggregates, double eventTimestamp,
                                              AudienceTimestampsCache* audienceTimestampsCache) {
  const EvaluationTexts& texts = eventTexts();
  const auto found = filters_.eventFilters(*database_, eventName);
  if (!found.ok()) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, texts.queryFiltersCode, texts.queryFilters, Value(eventNameForDisplay(eventName)),
                           Value(found.error().localizedDescription()));
    return false;
  }
  const sdk::analytics::EventFilterSet* filters = *found;
  if (filters->filters.empty()) return true;
  sdk::analytics::EventParameterLookup parameters(filters->parameterNames, eventParameters);
  bool aggregatesNamedAlike = eventAggregates && eventAggregates->name == eventName;
  auto evaluate = [&](const auto& kept) -> std::optional<bool> {
    if (!kept.message) {
      const StoredEventFilter& filter = kept.record;
      monitor_->logWithLevelContexts(LogLevel::kMonitoredError, texts.corruptFilterCode, texts.corruptFilter,
                                     {Value(eventNameForDisplay(eventName)), Value(filter.filterID),
                                      Value(filter.audienceID), Value(filter.isDynamic)});
      return std::nullopt;
    }
    if (!kept.namedAsStored) return kept.prepared->evaluate(eventName, parameters, eventAggregates, *monitor_);
    return kept.prepared->judge(eventName, parameters, eventAggregates, aggregatesNamedAlike, *monitor_);
  };
  // An event filter that held keeps holding: later events only move its timestamps.
  auto decide = [](const StoredEventFilter&, bool outcome, bool heldBefore) { return outcome || heldBefore; };
  return evaluateFilters(filters->filters, eventTimestamp, audienceTimestampsCache, texts,
                         Value(eventNameForDisplay(eventName)), evaluate, decide);
}

bool Audiences::evaluateFiltersForUserProperty(const UserAttribute& userProperty,
                                                 AudienceTimestampsCache* audienceTimestampsCache,
                                                 double evaluationTimestamp) {
  const EvaluationTexts& texts = propertyTexts();
  const auto found = filters_.propertyFilters(*database_, userProperty.name);
  if (!found.ok()) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, texts.queryFiltersCode, texts.queryFilters,
                           Value(userPropertyNameForDisplay(userProperty.name)), Value(found.error().localizedDescription()));
    return false;
  }
  const sdk::analytics::PropertyFilterSet* filters = *found;
  auto evaluate = [&](const auto& kept) -> std::optional<bool> {
    if (!kept.message) {
      const StoredPropertyFilter& filter = kept.record;
      monitor_->logWithLevelContexts(LogLevel::kMonitoredError, texts.corruptFilterCode, texts.corruptFilter,
                                     {Value(userPropertyNameForDisplay(userProperty.name)), Value(filter.filterID),
                                      Value(filter.audienceID), Value(filter.isDynamic)});
      return std::nullopt;
    }
    return kept.prepared->evaluate(&userProperty, *monitor_);
  };
  // A property's value can stop matching: a dynamic filter that is not session-scoped follows it.
  auto decide = [](const StoredPropertyFilter& filter, bool outcome, bool heldBefore) {
    if (outcome) return true;
    if (filter.isDynamic && !filter.isSessionScoped) return false;
    return heldBefore;
  };
  return evaluateFilters(filters->filters, evaluationTimestamp, audienceTimestampsCache, texts,
                         Value(userPropertyNameForDisplay(userProperty.name)), evaluate, decide);
}

bool Audiences::evaluateFiltersForNanoUserProperty(const ProtoUserAttribute& userProperty,
                                                     AudienceTimestampsCache* audienceTimestampsCache,
                                                     std::optional<double> evaluationTime) {
  // Fields: 0 set time (ms), 1 name, 2 string, 3 integer, 5 double.
  std::optional<AnalyticsValue> value;
  if (auto text = nanoGetString(userProperty, 2)) {
    value = AnalyticsValue(*text);
  } else if (nanoHasField(userProperty, 5)) {
    value = AnalyticsValue(nanoGetDouble(userProperty, 5));
  } else if (nanoHasField(userProperty, 3)) {
    value = AnalyticsValue(nanoGetInt64(userProperty, 3));
  }
  if (!value) {
    monitor_->logWithLevel(LogLevel::kSilentError, messages::kUserPropertyNotConvertible, "Could not convert user property from nano format.");
    return false;
  }
  double lastSet = static_cast<double>(nanoGetInt64(userProperty, 0)) / 1000.0;
  UserAttribute attribute("", nanoGetString(userProperty, 1).value_or(""), *value, lastSet);
  return evaluateFiltersForUserProperty(attribute, audienceTimestampsCache, evaluationTime.value_or(lastSet));
}

namespace {

const Audiences::EvaluationTexts& eventTexts() {
  static const Audiences::EvaluationTexts texts{
      messages::kEventFiltersQueryFailed, "Unable to query event filters for event. Event will not be evaluated. Event name, error",
      messages::kEventFilterResultQueryFailed, "Unable to query filter result for audience. Event will not be evaluated. Event name, error",
      messages::kEventFilterCorrupt, "Event filter contains no data or corrupt data. Event will not be evaluated. Event name, filter ID, "
            "audience ID, dynamic",
      messages::kEventFilterResultsSaveFailed, "Unable to save updated Audience filter results. Event will not be evaluated. Event name, error"};
  return texts;
}

const Audiences::EvaluationTexts& propertyTexts() {
  static const Audiences::EvaluationTexts texts{
      messages::kPropertyFiltersQueryFailed, "Unable to query property filters for property. Property will not be evaluated. Property name, error",
      messages::kPropertyFilterResultQueryFailed, "Unable to query filter result for audience. Property will not be evaluated. Property name, error",
      messages::kPropertyFilterCorrupt, "User property filter contains no data or corrupt data. User property will not be evaluated. User "
            "property name, filter ID, audience ID, dynamic",
      messages::kPropertyFilterResultsSaveFailed, "Unable to save updated Audience filter results. User property will not be evaluated. User property "
            "name, error"};
  return texts;
}

}  // namespace

}  // namespace sdk::analytics

