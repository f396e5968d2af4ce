#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "sdk/analytics/foundation/APMAudienceRecords.h"
#include "sdk/analytics/foundation/APMValue.h"
#include "sdk/analytics/rules/APMAudienceTimestampsCache.h"
#include "sdk/analytics/rules/AudienceFilterCache.h"

class APMDatabase;
class APMEvent;
class APMMonitor;
class APMPBAudience;
class APMPBAudienceLeafFilterResult;
class APMPBUserAttribute;
struct APMEventAggregates;
struct APMUserAttribute;

namespace sdk::analytics {
class MeasurementHost;
}

// The server-defined audiences: their filters as stored from the configuration, their evaluation
// over the events and user properties of each bundle, and the per-audience results that bundles
// carry. Runs only on the measurement worker queue.
class APMAudience {
 public:
  APMAudience(std::shared_ptr<APMDatabase> database, std::shared_ptr<const sdk::analytics::MeasurementHost> host);

  // --- definitions
  // Replaces the stored filters with those of the valid audiences. True also when the whole list is
  // refused for its size (nothing changes then); false when a database step failed.
  [[nodiscard]] bool updateAudiences(const std::vector<std::shared_ptr<APMPBAudience>>& audiences);
  // Once more results are stored than allowed, deletes those of audiences that neither have stored
  // filters nor are in `audienceIDs`.
  [[nodiscard]] bool maybeDeleteStaleFilterResults(const std::set<std::int32_t>& audienceIDs);

  // --- evaluation (false only when a database step failed)
  [[nodiscard]] bool evaluateFiltersForEvent(const APMEvent& event, const APMEventAggregates* eventAggregates,
                                             APMAudienceTimestampsCache* audienceTimestampsCache);
  [[nodiscard]] bool evaluateFiltersForEventName(const std::string& eventName, const APMParameters& eventParameters,
                                                 const APMEventAggregates* eventAggregates, double eventTimestamp,
                                                 APMAudienceTimestampsCache* audienceTimestampsCache);
  [[nodiscard]] bool evaluateFiltersForUserProperty(const APMUserAttribute& userProperty,
                                                    APMAudienceTimestampsCache* audienceTimestampsCache,
                                                    double evaluationTimestamp);
  [[nodiscard]] bool evaluateFiltersForNanoUserProperty(const APMPBUserAttribute& userProperty,
                                                        APMAudienceTimestampsCache* audienceTimestampsCache,
                                                        std::optional<double> evaluationTime);

  // --- results
  // The leaf results for a bundle; each audience's current results then become its previous ones.
  // Nothing in `results` when a database step failed.
  [[nodiscard]] bool resultsForBundling(
      std::optional<std::vector<std::shared_ptr<APMPBAudienceLeafFilterResult>>>* results);
  // A new session: session-scoped filters lose their results.
  [[nodiscard]] bool clearEvaluationResultsForSessionScopedFilters();

  // Whether the stored record says the filter held.
  static bool isFilterResult(const std::optional<APMFilterResult>& result, std::int32_t filterID, APMMonitor& monitor);
  // The record with the filter's bits set from `newEvaluationResult` (nothing: judged without result)
  // and the timestamps of the cache.
  static APMFilterResult updatedFilterResultWithFilterID(std::int32_t filterID, std::int32_t audienceID,
                                                         const std::optional<APMFilterResult>& currentFilterResult,
                                                         std::optional<bool> newEvaluationResult,
                                                         const APMAudienceTimestampsCache& audienceTimestampsCache);

  // The log lines of one kind of evaluation walk.
  struct EvaluationTexts;

 private:
  template <typename KeptFilter, typename Evaluate, typename Decide>
  bool evaluateFilters(const std::vector<KeptFilter>& filters, double timestamp, APMAudienceTimestampsCache* cache,
                       const EvaluationTexts& texts, const platform::foundation::Value& subject,
                       const Evaluate& evaluate, const Decide& decide);
  std::int64_t setting(const char* key, std::int64_t defaultValue, std::int64_t maximum) const;
  void logFailure(int level, std::int64_t code, const std::string& message, const platform::foundation::Error& error);

  std::shared_ptr<APMDatabase> database_;
  std::shared_ptr<const sdk::analytics::MeasurementHost> host_;
  std::shared_ptr<APMMonitor> monitor_;
  sdk::analytics::AudienceFilterCache filters_;
};
