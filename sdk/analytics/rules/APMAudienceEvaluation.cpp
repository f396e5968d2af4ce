#include <map>

#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMEvent.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTests.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMUserAttribute.h"
#include "sdk/analytics/rules/APMAudience.h"
#include "sdk/analytics/rules/EventParameterLookup.h"

using platform::foundation::Error;
using platform::foundation::Value;

// The log lines of one kind of walk (events or user properties).
struct APMAudience::EvaluationTexts {
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

const APMAudience::EvaluationTexts& eventTexts();
const APMAudience::EvaluationTexts& propertyTexts();

}  // namespace

// One walk over the stored filters of one event or property name. Several filters of one audience
// share one record: it is read at most once and saved once with the others.
template <typename KeptFilter, typename Evaluate, typename Decide>
bool APMAudience::evaluateFilters(const std::vector<KeptFilter>& filters, double timestamp,
                                  APMAudienceTimestampsCache* givenCache, const EvaluationTexts& texts,
                                  const Value& subject, const Evaluate& evaluate, const Decide& decide) {
  std::optional<APMAudienceTimestampsCache> ownCache;
  if (!givenCache) ownCache.emplace(monitor_);
  APMAudienceTimestampsCache& cache = givenCache ? *givenCache : *ownCache;
  std::map<std::int32_t, APMFilterResult> updated;
  std::map<std::int32_t, std::optional<APMFilterResult>> read;
  for (const KeptFilter& kept : filters) {
    const auto& filter = kept.record;
    std::optional<APMFilterResult> record;
    if (auto found = updated.find(filter.audienceID); found != updated.end()) {
      record = found->second;
    } else if (auto known = read.find(filter.audienceID); known != read.end()) {
      record = known->second;
    } else {
      Error error;
      record = database_->filterResultForAudienceID(filter.audienceID, &error);
      if (!record && !error.domain.empty()) {
        monitor_->logWithLevel(1, texts.queryResultCode, texts.queryResult, subject,
                               Value(error.localizedDescription()));
        return false;
      }
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
  std::vector<APMFilterResult> records;
  for (auto& [id, record] : updated) records.push_back(std::move(record));
  Error error;
  if (!database_->updateFilterResults(records, &error)) {
    monitor_->logWithLevel(1, texts.saveCode, texts.save, subject, Value(error.localizedDescription()));
    return false;
  }
  return true;
}

bool APMAudience::evaluateFiltersForEvent(const APMEvent& event, const APMEventAggregates* eventAggregates,
                                          APMAudienceTimestampsCache* audienceTimestampsCache) {
  return evaluateFiltersForEventName(event.name(), event.parameters(), eventAggregates, event.timestamp(),
                                     audienceTimestampsCache);
}

bool APMAudience::evaluateFiltersForEventName(const std::string& eventName, const APMParameters& eventParameters,
                                              const APMEventAggregates* eventAggregates, double eventTimestamp,
                                              APMAudienceTimestampsCache* audienceTimestampsCache) {
  const EvaluationTexts& texts = eventTexts();
  Error error;
  const sdk::analytics::EventFilterSet* filters = filters_.eventFilters(*database_, eventName, &error);
  if (!filters) {
    monitor_->logWithLevel(1, texts.queryFiltersCode, texts.queryFilters, Value(APMEventNameForDisplay(eventName)),
                           Value(error.localizedDescription()));
    return false;
  }
  if (filters->filters.empty()) return true;
  sdk::analytics::EventParameterLookup parameters(filters->parameterNames, eventParameters);
  bool aggregatesNamedAlike = eventAggregates && eventAggregates->name == eventName;
  auto evaluate = [&](const auto& kept) -> std::optional<bool> {
    if (!kept.message) {
      const APMEventFilter& filter = kept.record;
      monitor_->logWithLevelContexts(1, texts.corruptFilterCode, texts.corruptFilter,
                                     {Value(APMEventNameForDisplay(eventName)), Value(filter.filterID),
                                      Value(filter.audienceID), Value(filter.isDynamic)});
      return std::nullopt;
    }
    if (!kept.namedAsStored) return kept.prepared->evaluate(eventName, parameters, eventAggregates, *monitor_);
    return kept.prepared->judge(eventName, parameters, eventAggregates, aggregatesNamedAlike, *monitor_);
  };
  // An event filter that held keeps holding: later events only move its timestamps.
  auto decide = [](const APMEventFilter&, bool outcome, bool heldBefore) { return outcome || heldBefore; };
  return evaluateFilters(filters->filters, eventTimestamp, audienceTimestampsCache, texts,
                         Value(APMEventNameForDisplay(eventName)), evaluate, decide);
}

bool APMAudience::evaluateFiltersForUserProperty(const APMUserAttribute& userProperty,
                                                 APMAudienceTimestampsCache* audienceTimestampsCache,
                                                 double evaluationTimestamp) {
  const EvaluationTexts& texts = propertyTexts();
  Error error;
  const sdk::analytics::PropertyFilterSet* filters =
      filters_.propertyFilters(*database_, userProperty.name, &error);
  if (!filters) {
    monitor_->logWithLevel(1, texts.queryFiltersCode, texts.queryFilters,
                           Value(APMUserPropertyNameForDisplay(userProperty.name)), Value(error.localizedDescription()));
    return false;
  }
  auto evaluate = [&](const auto& kept) -> std::optional<bool> {
    if (!kept.message) {
      const APMPropertyFilter& filter = kept.record;
      monitor_->logWithLevelContexts(1, texts.corruptFilterCode, texts.corruptFilter,
                                     {Value(APMUserPropertyNameForDisplay(userProperty.name)), Value(filter.filterID),
                                      Value(filter.audienceID), Value(filter.isDynamic)});
      return std::nullopt;
    }
    return kept.prepared->evaluate(&userProperty, *monitor_);
  };
  // A property's value can stop matching: a dynamic filter that is not session-scoped follows it.
  auto decide = [](const APMPropertyFilter& filter, bool outcome, bool heldBefore) {
    if (outcome) return true;
    if (filter.isDynamic && !filter.isSessionScoped) return false;
    return heldBefore;
  };
  return evaluateFilters(filters->filters, evaluationTimestamp, audienceTimestampsCache, texts,
                         Value(APMUserPropertyNameForDisplay(userProperty.name)), evaluate, decide);
}

bool APMAudience::evaluateFiltersForNanoUserProperty(const APMPBUserAttribute& userProperty,
                                                     APMAudienceTimestampsCache* audienceTimestampsCache,
                                                     std::optional<double> evaluationTime) {
  // Fields: 0 set time (ms), 1 name, 2 string, 3 integer, 5 double.
  std::optional<APMValue> value;
  if (auto text = APMNanoGetString(userProperty, 2)) {
    value = APMValue(*text);
  } else if (APMNanoHasField(userProperty, 5)) {
    value = APMValue(APMNanoGetDouble(userProperty, 5));
  } else if (APMNanoHasField(userProperty, 3)) {
    value = APMValue(APMNanoGetInt64(userProperty, 3));
  }
  if (!value) {
    monitor_->logWithLevel(2, 6039, "Could not convert user property from nano format.");
    return false;
  }
  double lastSet = static_cast<double>(APMNanoGetInt64(userProperty, 0)) / 1000.0;
  APMUserAttribute attribute("", APMNanoGetString(userProperty, 1).value_or(""), *value, lastSet);
  return evaluateFiltersForUserProperty(attribute, audienceTimestampsCache, evaluationTime.value_or(lastSet));
}

namespace {

const APMAudience::EvaluationTexts& eventTexts() {
  static const APMAudience::EvaluationTexts texts{
      6000, "Unable to query event filters for event. Event will not be evaluated. Event name, error",
      6001, "Unable to query filter result for audience. Event will not be evaluated. Event name, error",
      6035, "Event filter contains no data or corrupt data. Event will not be evaluated. Event name, filter ID, "
            "audience ID, dynamic",
      6003, "Unable to save updated Audience filter results. Event will not be evaluated. Event name, error"};
  return texts;
}

const APMAudience::EvaluationTexts& propertyTexts() {
  static const APMAudience::EvaluationTexts texts{
      6004, "Unable to query property filters for property. Property will not be evaluated. Property name, error",
      6005, "Unable to query filter result for audience. Property will not be evaluated. Property name, error",
      6036, "User property filter contains no data or corrupt data. User property will not be evaluated. User "
            "property name, filter ID, audience ID, dynamic",
      6007, "Unable to save updated Audience filter results. User property will not be evaluated. User property "
            "name, error"};
  return texts;
}

}  // namespace
