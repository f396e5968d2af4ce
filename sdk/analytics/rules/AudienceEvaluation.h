#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"
#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/rules/AudienceFilterCache.h"
#include "sdk/analytics/rules/AudienceTimestampsCache.h"
#include "sdk/analytics/rules/FilterOutcome.h"

namespace sdk::analytics {

class AnalyticsEvent;
class AudienceEvaluationBudget;
class MeasurementDatabase;
class ProtoUserAttribute;
struct EventAggregates;
struct UserAttribute;

// The audiences' filters judged on an event or a user property: one walk over the stored filters of
// its name, which saves what it judged with the audiences' results. Runs only on the measurement
// worker queue.
class AudienceEvaluation {
 public:
  AudienceEvaluation(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<Monitor> monitor);

  // False only when a database step failed (see Audiences.h).
  [[nodiscard]] bool evaluateFiltersForEvent(const AnalyticsEvent& event, const EventAggregates* eventAggregates,
                                             AudienceTimestampsCache* audienceTimestampsCache);
  [[nodiscard]] bool evaluateFiltersForEventName(const std::string& eventName, const Parameters& eventParameters,
                                                 const EventAggregates* eventAggregates, double eventTimestamp,
                                                 AudienceTimestampsCache* audienceTimestampsCache);
  [[nodiscard]] bool evaluateFiltersForUserProperty(const UserAttribute& userProperty,
                                                    AudienceTimestampsCache* audienceTimestampsCache,
                                                    double evaluationTimestamp);
  [[nodiscard]] bool evaluateFiltersForNanoUserProperty(const ProtoUserAttribute& userProperty,
                                                        AudienceTimestampsCache* audienceTimestampsCache,
                                                        std::optional<double> evaluationTime);

  // The log lines of one kind of walk.
  struct EvaluationTexts;

 private:
  // Filters of one walk left without a result: for want of time, or set aside before.
  struct UnevaluatedFilters {
    std::int64_t outOfTime = 0;
    std::int64_t setAside = 0;
  };

  // What one walk reports with: the time of its event or evaluation, its cache, its log lines, the
  // name they are about and that name as stored.
  struct WalkContext {
    double timestamp;
    AudienceTimestampsCache* cache;
    const EvaluationTexts& texts;
    const platform::foundation::Value& subject;
    const std::string& name;
  };
  enum class Walked;

  template <typename FilterSet, typename Evaluate, typename IsSetAside, typename Decide>
  [[nodiscard]] bool evaluateFilters(FilterSet& set, AudienceEvaluationBudget& budget, const WalkContext& context,
                                     const Evaluate& evaluate, const IsSetAside& isSetAside, const Decide& decide);
  template <typename Kept, typename Evaluate, typename IsSetAside>
  Walked walkOne(const Kept& kept, AudienceEvaluationBudget& budget, const WalkContext& context,
                 const Evaluate& evaluate, const IsSetAside& isSetAside, FilterOutcome& outcome);
  // Saves what a walk judged and, when given, where the next walk starts.
  [[nodiscard]] bool saveUpdated(const std::vector<StoredFilterResults>& updated,
                                 const std::optional<AudienceWalkStart>& start, AudienceFilterKind kind,
                                 const WalkContext& context);
  void logSetAside(std::int32_t audienceID, std::int32_t filterID, const WalkContext& context);
  void reportUnevaluated(const UnevaluatedFilters& unevaluated, const WalkContext& context);

  std::shared_ptr<MeasurementDatabase> database_;
  std::shared_ptr<Monitor> monitor_;
  AudienceFilterCache filters_;
};

}  // namespace sdk::analytics
