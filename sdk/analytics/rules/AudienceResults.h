#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/rules/AudienceTimestampsCache.h"

namespace sdk::analytics {

class MeasurementDatabase;
class ProtoAudienceLeafFilterResult;

// The audiences' stored results: each filter's bits in its audience's record, the leaves a bundle
// carries (whereupon the current results become the previous ones), and session-scoped results
// cleared when a session begins. Runs only on the measurement worker queue.
class AudienceResults {
 public:
  AudienceResults(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<Monitor> monitor);

  // Whether the stored record says the filter held.
  static bool isFilterResult(const std::optional<StoredFilterResults>& result, std::int32_t filterID, Monitor& monitor);
  // The record with the filter's bits set from `newEvaluationResult` (nothing: judged without result)
  // and the timestamps of the cache.
  static StoredFilterResults updatedFilterResultWithFilterID(std::int32_t filterID, std::int32_t audienceID,
                                                             const std::optional<StoredFilterResults>& currentFilterResult,
                                                             std::optional<bool> newEvaluationResult,
                                                             const AudienceTimestampsCache& audienceTimestampsCache);

  // The leaf results for a bundle; each audience's current results then become its previous ones.
  // Nothing in `results` when a database step failed.
  [[nodiscard]] bool resultsForBundling(
      std::optional<std::vector<std::shared_ptr<ProtoAudienceLeafFilterResult>>>* results);
  // A new session: session-scoped filters lose their results.
  [[nodiscard]] bool clearEvaluationResultsForSessionScopedFilters();

 private:
  std::shared_ptr<MeasurementDatabase> database_;
  std::shared_ptr<Monitor> monitor_;
};

}  // namespace sdk::analytics
