#include "sdk/analytics/rules/AudienceEvaluation.h"

#include <map>

#include "platform/foundation/ErrorOr.h"
#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/AudienceEvaluationBudget.h"
#include "sdk/analytics/rules/AudienceResults.h"
#include "sdk/analytics/rules/EventParameterLookup.h"
#include "sdk/analytics/rules/ResultWords.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

// The log lines of one kind of walk (events or user properties).
struct AudienceEvaluation::EvaluationTexts {
  struct Line {
    std::int64_t code;
    const char* text;
  };
  Line queryFilters, queryResult, corruptFilter, save, setAside, outOfTime, skipped;
};

namespace {

const AudienceEvaluation::EvaluationTexts& eventTexts();
const AudienceEvaluation::EvaluationTexts& propertyTexts();

// The records of one walk, by audience: each is read from the database at most once, and what the
// walk made of it stands in for what was read.
class WalkRecords {
 public:
  explicit WalkRecords(MeasurementDatabase& database) : database_(database) {}

  platform::foundation::ErrorOr<std::optional<StoredFilterResults>> recordFor(std::int32_t audienceID) {
    if (auto found = updated_.find(audienceID); found != updated_.end()) return std::optional(found->second);
    if (auto known = read_.find(audienceID); known != read_.end()) return known->second;
    auto stored = TRY(database_.filterResultForAudienceID(audienceID));
    read_.emplace(audienceID, stored);
    return stored;
  }
  void update(std::int32_t audienceID, StoredFilterResults record) {
    updated_[audienceID] = std::move(record);
    read_.erase(audienceID);
  }
  std::vector<StoredFilterResults> takeUpdated() {
    std::vector<StoredFilterResults> records;
    for (auto& [id, record] : updated_) records.push_back(std::move(record));
    updated_.clear();
    return records;
  }

 private:
  MeasurementDatabase& database_;
  std::map<std::int32_t, StoredFilterResults> updated_;
  std::map<std::int32_t, std::optional<StoredFilterResults>> read_;
};

// Whether the stored record has a result for the filter, whatever it is.
bool hasStoredResult(const std::optional<StoredFilterResults>& record, std::int32_t filterID) {
  if (!record || record->currentResults.empty()) return false;
  auto data = ProtoResultData::initWithBuffer(record->currentResults);
  return data && resultBit(getResultWords(*data, audience_fields::kResultStatus), filterID);
}

// A dynamic filter left without a result: its stored result goes when an answer for the input
// could have changed it, rather than stand for an input it was not judged on.
template <typename Filter, typename Decide>
void dropUnjudgedResult(const Filter& filter, const std::optional<StoredFilterResults>& record, bool heldBefore,
                        const Decide& decide, WalkRecords& records, AudienceTimestampsCache& cache) {
  if (!filter.isDynamic || decide(filter, true, heldBefore) == decide(filter, false, heldBefore)) return;
  if (!hasStoredResult(record, filter.filterID)) return;
  cache.populateCachedTimestamps(record, filter.audienceID);
  records.update(filter.audienceID, AudienceResults::updatedFilterResultWithFilterID(
                                        filter.filterID, filter.audienceID, record, std::nullopt, cache));
}

// Where the next walk over `set` starts when the database does not know it yet: nothing when it
// knows it, or when the walk starts at the first filter and nothing says otherwise.
template <typename FilterSet>
std::optional<AudienceWalkStart> movedWalkStart(const FilterSet& set) {
  if (set.filters.empty()) return std::nullopt;
  const auto& at = set.filters[set.walk.index].record;
  const AudienceWalkStart wanted{at.audienceID, at.filterID};
  if (set.walk.stored ? *set.walk.stored == wanted : set.walk.index == 0) return std::nullopt;
  return wanted;
}

}  // namespace

AudienceEvaluation::AudienceEvaluation(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<Monitor> monitor)
    : database_(std::move(database)), monitor_(std::move(monitor)) {}

// What became of one filter in a walk.
enum class AudienceEvaluation::Walked { Judged, SetAside, RanOutOfItsTime, OutOfTime };

// One filter judged, unless its pattern is set aside for this input or no time is left for it.
template <typename Kept, typename Evaluate, typename IsSetAside>
AudienceEvaluation::Walked AudienceEvaluation::walkOne(const Kept& kept, AudienceEvaluationBudget& budget,
                                                       const WalkContext& context, const Evaluate& evaluate,
                                                       const IsSetAside& isSetAside, FilterOutcome& outcome) {
  if (isSetAside(kept)) return Walked::SetAside;
  if (!budget.remains()) return Walked::OutOfTime;
  outcome = evaluate(kept, budget);
  if (budget.takePatternRanOut()) {
    logSetAside(kept.record.audienceID, kept.record.filterID, context);
    return Walked::RanOutOfItsTime;
  }
  // A search stopped when the time ran out.
  return !outcome && budget.isSpent() ? Walked::OutOfTime : Walked::Judged;
}

// One walk over the stored filters of one event or property name. Several filters of one audience
// share one record: it is read at most once and saved once with the others. The filters share one
// budget of CPU time, and the walk starts where the last one ran out of it, so that the filters
// left are not the same ones event after event; that place is saved with the results, so a process
// that evaluates only a few events a start goes on where the last one stopped. A filter left without
// a result (no time left, or its pattern set aside for this very input) keeps its stored result only
// when no answer for the input could have changed it. The log says how many were left.
template <typename FilterSet, typename Evaluate, typename IsSetAside, typename Decide>
bool AudienceEvaluation::evaluateFilters(FilterSet& set, AudienceEvaluationBudget& budget, const WalkContext& context,
                                         const Evaluate& evaluate, const IsSetAside& isSetAside, const Decide& decide) {
  std::optional<AudienceTimestampsCache> ownCache;
  if (!context.cache) ownCache.emplace(monitor_);
  AudienceTimestampsCache& cache = context.cache ? *context.cache : *ownCache;
  WalkRecords records(*database_);
  UnevaluatedFilters unevaluated;
  const std::size_t count = set.filters.size();
  const std::size_t start = set.walk.index < count ? set.walk.index : 0;
  std::optional<std::size_t> firstLeft;
  for (std::size_t step = 0; step < count; ++step) {
    const std::size_t index = (start + step) % count;
    const auto& kept = set.filters[index];
    const auto& filter = kept.record;
    auto found = records.recordFor(filter.audienceID);
    if (!found) {
      monitor_->logWithLevel(LogLevel::kMonitoredError, context.texts.queryResult.code, context.texts.queryResult.text,
                             context.subject, Value(found.error().localizedDescription()));
      return false;
    }
    const std::optional<StoredFilterResults>& record = *found;
    bool heldBefore = AudienceResults::isFilterResult(record, filter.filterID, *monitor_);
    if (heldBefore && !filter.isDynamic && !filter.isSequence && !filter.isSessionScoped) continue;
    FilterOutcome outcome;
    const Walked walked = walkOne(kept, budget, context, evaluate, isSetAside, outcome);
    unevaluated.setAside += walked == Walked::SetAside;
    if (walked == Walked::OutOfTime) {
      ++unevaluated.outOfTime;
      if (!firstLeft) firstLeft = index;
    }
    if (walked != Walked::Judged) dropUnjudgedResult(filter, record, heldBefore, decide, records, cache);
    if (walked != Walked::Judged || !outcome) continue;
    cache.populateCachedTimestamps(record, filter.audienceID);
    if (*outcome) cache.addEvaluationTimestamp(context.timestamp, filter);
    bool result = decide(filter, *outcome, heldBefore);
    records.update(filter.audienceID,
                   AudienceResults::updatedFilterResultWithFilterID(filter.filterID, filter.audienceID, record, result,
                                                                    cache));
  }
  set.walk.index = firstLeft.value_or(start);
  reportUnevaluated(unevaluated, context);
  const auto moved = movedWalkStart(set);
  if (!saveUpdated(records.takeUpdated(), moved, FilterSet::kKind, context)) return false;
  if (moved) set.walk.stored = moved;
  return true;
}

bool AudienceEvaluation::saveUpdated(const std::vector<StoredFilterResults>& updated,
                                     const std::optional<AudienceWalkStart>& start, AudienceFilterKind kind,
                                     const WalkContext& context) {
  if (updated.empty() && !start) return true;
  auto saved = start ? database_->updateFilterResultsAndWalkStart(updated, kind, context.name, *start)
                     : database_->updateFilterResults(updated);
  if (!saved) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, context.texts.save.code, context.texts.save.text, context.subject,
                           Value(saved.error().localizedDescription()));
    return false;
  }
  return true;
}

void AudienceEvaluation::logSetAside(std::int32_t audienceID, std::int32_t filterID, const WalkContext& context) {
  monitor_->logWithLevelContexts(LogLevel::kMonitoredWarning, context.texts.setAside.code, context.texts.setAside.text,
                                 {context.subject, Value(filterID), Value(audienceID)});
}

// Running out of time is the configuration's fault, as an event's editing running out of its own is
// the program's, and is reported as loudly; the filters set aside were reported when they were.
void AudienceEvaluation::reportUnevaluated(const UnevaluatedFilters& unevaluated, const WalkContext& context) {
  const EvaluationTexts& texts = context.texts;
  if (unevaluated.outOfTime > 0) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, texts.outOfTime.code, texts.outOfTime.text, context.subject,
                           Value(unevaluated.outOfTime));
  }
  if (unevaluated.setAside > 0) {
    monitor_->logWithLevel(LogLevel::kDebug, texts.skipped.code, texts.skipped.text, context.subject,
                           Value(unevaluated.setAside));
  }
}

bool AudienceEvaluation::evaluateFiltersForEvent(const AnalyticsEvent& event, const EventAggregates* eventAggregates,
                                                 AudienceTimestampsCache* audienceTimestampsCache) {
  return evaluateFiltersForEventName(event.name(), event.parameters(), eventAggregates, event.timestamp(),
                                     audienceTimestampsCache);
}

bool AudienceEvaluation::evaluateFiltersForEventName(const std::string& eventName, const Parameters& eventParameters,
                                                     const EventAggregates* eventAggregates, double eventTimestamp,
                                                     AudienceTimestampsCache* audienceTimestampsCache) {
  const EvaluationTexts& texts = eventTexts();
  // Reading and preparing the filters, the first time the name is seen, is part of the event's work.
  AudienceEvaluationBudget budget;
  const auto found = filters_.eventFilters(*database_, eventName);
  if (!found.ok()) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, texts.queryFilters.code, texts.queryFilters.text, Value(eventNameForDisplay(eventName)),
                           Value(found.error().localizedDescription()));
    return false;
  }
  sdk::analytics::EventFilterSet* filters = *found;
  if (filters->filters.empty()) return true;
  sdk::analytics::EventParameterLookup parameters(filters->parameterNames, eventParameters);
  bool aggregatesNamedAlike = eventAggregates && eventAggregates->name == eventName;
  auto evaluate = [&](const auto& kept, AudienceEvaluationBudget& budget) -> std::optional<bool> {
    if (!kept.message) {
      const StoredEventFilter& filter = kept.record;
      monitor_->logWithLevelContexts(LogLevel::kMonitoredError, texts.corruptFilter.code, texts.corruptFilter.text,
                                     {Value(eventNameForDisplay(eventName)), Value(filter.filterID),
                                      Value(filter.audienceID), Value(filter.isDynamic)});
      return std::nullopt;
    }
    if (!kept.namedAsStored) return kept.prepared->evaluate(eventName, parameters, eventAggregates, *monitor_, &budget);
    return kept.prepared->judge(eventName, parameters, eventAggregates, aggregatesNamedAlike, *monitor_, &budget);
  };
  auto isSetAside = [&](const auto& kept) { return kept.prepared && kept.prepared->isSetAsideFor(parameters); };
  // An event filter that held keeps holding: later events only move its timestamps.
  auto decide = [](const StoredEventFilter&, bool outcome, bool heldBefore) { return outcome || heldBefore; };
  const Value subject(eventNameForDisplay(eventName));
  return evaluateFilters(*filters, budget, {eventTimestamp, audienceTimestampsCache, texts, subject, eventName},
                         evaluate, isSetAside, decide);
}

bool AudienceEvaluation::evaluateFiltersForUserProperty(const UserAttribute& userProperty,
                                                        AudienceTimestampsCache* audienceTimestampsCache,
                                                        double evaluationTimestamp) {
  const EvaluationTexts& texts = propertyTexts();
  AudienceEvaluationBudget budget;
  const auto found = filters_.propertyFilters(*database_, userProperty.name);
  if (!found.ok()) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, texts.queryFilters.code, texts.queryFilters.text,
                           Value(userPropertyNameForDisplay(userProperty.name)), Value(found.error().localizedDescription()));
    return false;
  }
  sdk::analytics::PropertyFilterSet* filters = *found;
  auto evaluate = [&](const auto& kept, AudienceEvaluationBudget& budget) -> std::optional<bool> {
    if (!kept.message) {
      const StoredPropertyFilter& filter = kept.record;
      monitor_->logWithLevelContexts(LogLevel::kMonitoredError, texts.corruptFilter.code, texts.corruptFilter.text,
                                     {Value(userPropertyNameForDisplay(userProperty.name)), Value(filter.filterID),
                                      Value(filter.audienceID), Value(filter.isDynamic)});
      return std::nullopt;
    }
    return kept.prepared->evaluate(&userProperty, *monitor_, &budget);
  };
  auto isSetAside = [&](const auto& kept) { return kept.prepared && kept.prepared->isSetAsideFor(userProperty); };
  // A property's value can stop matching: a dynamic filter that is not session-scoped follows it.
  auto decide = [](const StoredPropertyFilter& filter, bool outcome, bool heldBefore) {
    if (outcome) return true;
    if (filter.isDynamic && !filter.isSessionScoped) return false;
    return heldBefore;
  };
  const Value subject(userPropertyNameForDisplay(userProperty.name));
  return evaluateFilters(*filters, budget,
                         {evaluationTimestamp, audienceTimestampsCache, texts, subject, userProperty.name}, evaluate,
                         isSetAside, decide);
}

bool AudienceEvaluation::evaluateFiltersForNanoUserProperty(const ProtoUserAttribute& userProperty,
                                                            AudienceTimestampsCache* audienceTimestampsCache,
                                                            std::optional<double> evaluationTime) {
  using namespace measurement_fields;
  std::optional<AnalyticsValue> value;
  if (auto text = nanoGetString(userProperty, kAttributeString)) {
    value = AnalyticsValue(*text);
  } else if (nanoHasField(userProperty, kAttributeDouble)) {
    value = AnalyticsValue(nanoGetDouble(userProperty, kAttributeDouble));
  } else if (nanoHasField(userProperty, kAttributeInteger)) {
    value = AnalyticsValue(nanoGetInt64(userProperty, kAttributeInteger));
  }
  if (!value) {
    monitor_->logWithLevel(LogLevel::kSilentError, messages::kUserPropertyNotConvertible, "Could not convert user property from nano format.");
    return false;
  }
  double lastSet = static_cast<double>(nanoGetInt64(userProperty, kAttributeSetTimestamp)) / 1000.0;
  UserAttribute attribute("", nanoGetString(userProperty, kAttributeName).value_or(""), *value, lastSet);
  return evaluateFiltersForUserProperty(attribute, audienceTimestampsCache, evaluationTime.value_or(lastSet));
}

namespace {

const AudienceEvaluation::EvaluationTexts& eventTexts() {
  static const AudienceEvaluation::EvaluationTexts texts{
      {messages::kEventFiltersQueryFailed, "Unable to query event filters for event. Event will not be evaluated. Event name, error"},
      {messages::kEventFilterResultQueryFailed, "Unable to query filter result for audience. Event will not be evaluated. Event name, error"},
      {messages::kEventFilterCorrupt, "Event filter contains no data or corrupt data. Event will not be evaluated. Event name, filter ID, "
            "audience ID, dynamic"},
      {messages::kEventFilterResultsSaveFailed, "Unable to save updated Audience filter results. Event will not be evaluated. Event name, error"},
      {messages::kEventFilterSetAside, "Event filter ran out of time. Filter will not be evaluated on the same values until the audiences change. Event name, "
            "filter ID, audience ID"},
      {messages::kEventFiltersOutOfTime, "Audience evaluation ran out of time. Event filters will not be evaluated. Event name, filter count"},
      {messages::kSetAsideEventFiltersSkipped, "Event filters set aside for running out of time will not be evaluated. Event name, filter count"}};
  return texts;
}

const AudienceEvaluation::EvaluationTexts& propertyTexts() {
  static const AudienceEvaluation::EvaluationTexts texts{
      {messages::kPropertyFiltersQueryFailed, "Unable to query property filters for property. Property will not be evaluated. Property name, error"},
      {messages::kPropertyFilterResultQueryFailed, "Unable to query filter result for audience. Property will not be evaluated. Property name, error"},
      {messages::kPropertyFilterCorrupt, "User property filter contains no data or corrupt data. User property will not be evaluated. User "
            "property name, filter ID, audience ID, dynamic"},
      {messages::kPropertyFilterResultsSaveFailed, "Unable to save updated Audience filter results. User property will not be evaluated. User property "
            "name, error"},
      {messages::kPropertyFilterSetAside, "User property filter ran out of time. Filter will not be evaluated on the same value until the audiences change. User "
            "property name, filter ID, audience ID"},
      {messages::kPropertyFiltersOutOfTime, "Audience evaluation ran out of time. User property filters will not be evaluated. User property "
            "name, filter count"},
      {messages::kSetAsidePropertyFiltersSkipped, "User property filters set aside for running out of time will not be evaluated. User property "
            "name, filter count"}};
  return texts;
}

}  // namespace

}  // namespace sdk::analytics

