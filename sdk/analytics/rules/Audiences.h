#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/rules/AudienceDefinitions.h"
#include "sdk/analytics/rules/AudienceEvaluation.h"
#include "sdk/analytics/rules/AudienceResults.h"
#include "sdk/analytics/rules/AudienceTimestampsCache.h"

namespace sdk::analytics {

class AnalyticsEvent;
class MeasurementDatabase;
class MeasurementHost;
class ProtoAudience;
class ProtoAudienceLeafFilterResult;
class ProtoUserAttribute;
struct EventAggregates;
struct UserAttribute;

// The server-defined audiences: their filters as stored from the configuration (AudienceDefinitions),
// their evaluation over the events and user properties of each bundle (AudienceEvaluation), and the
// per-audience results that bundles carry (AudienceResults). Runs only on the measurement worker queue.
class Audiences {
 public:
  Audiences(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<const sdk::analytics::MeasurementHost> host);

  // --- definitions
  // Replaces the stored filters with those of the valid audiences. True also when the whole list is
  // refused for its size (nothing changes then); false when a database step failed.
  [[nodiscard]] bool updateAudiences(const std::vector<std::shared_ptr<ProtoAudience>>& audiences);
  // Once more results are stored than allowed, deletes those of audiences that neither have stored
  // filters nor are in `audienceIDs`.
  [[nodiscard]] bool maybeDeleteStaleFilterResults(const std::set<std::int32_t>& audienceIDs);

  // --- evaluation (false only when a database step failed). The filters of one call share one
  // budget of CPU time, about an event's editing's; those it leaves no time for have no result, and
  // the next call starts with them. A filter whose regular expression runs out of its own time on a
  // value is set aside for that value until the audiences change. A dynamic filter left without a
  // result loses the one it had when the value could have changed it. All of it is logged.
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

  // --- results
  // The leaf results for a bundle; each audience's current results then become its previous ones.
  // Nothing in `results` when a database step failed.
  [[nodiscard]] bool resultsForBundling(
      std::optional<std::vector<std::shared_ptr<ProtoAudienceLeafFilterResult>>>* results);
  // A new session: session-scoped filters lose their results.
  [[nodiscard]] bool clearEvaluationResultsForSessionScopedFilters();

  // Whether the stored record says the filter held.
  static bool isFilterResult(const std::optional<StoredFilterResults>& result, std::int32_t filterID, Monitor& monitor) {
    return AudienceResults::isFilterResult(result, filterID, monitor);
  }
  // The record with the filter's bits set from `newEvaluationResult` (nothing: judged without result)
  // and the timestamps of the cache.
  static StoredFilterResults updatedFilterResultWithFilterID(std::int32_t filterID, std::int32_t audienceID,
                                                             const std::optional<StoredFilterResults>& currentFilterResult,
                                                             std::optional<bool> newEvaluationResult,
                                                             const AudienceTimestampsCache& audienceTimestampsCache) {
    return AudienceResults::updatedFilterResultWithFilterID(filterID, audienceID, currentFilterResult,
                                                            newEvaluationResult, audienceTimestampsCache);
  }

 private:
  AudienceDefinitions definitions_;
  AudienceEvaluation evaluation_;
  AudienceResults results_;
};

}  // namespace sdk::analytics

