#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "sdk/analytics/foundation/APMAudienceRecords.h"
#include "sdk/analytics/rules/APMSequenceTimestampsCache.h"

class APMMonitor;
class APMPBDynamicFilterResultTimestamp;

// The times at which dynamic, session-scoped and sequence filters held, per audience, over one
// evaluation pass. Stored records seed it; updated records take their timestamps from it.
class APMAudienceTimestampsCache {
 public:
  explicit APMAudienceTimestampsCache(std::shared_ptr<APMMonitor> monitor);

  // Seeds the audience's entries from its stored record, unless the pass already has them.
  void populateCachedTimestamps(const std::optional<APMFilterResult>& record, std::int32_t audienceID);
  void addEvaluationTimestamp(double timestamp, const APMEventFilter& filter);
  void addEvaluationTimestamp(double timestamp, const APMPropertyFilter& filter);

  std::vector<std::shared_ptr<APMPBDynamicFilterResultTimestamp>> dynamicTimestampsForAudienceID(
      std::int32_t audienceID) const;
  // Nothing when the audience has no sequence cache.
  std::optional<std::vector<std::shared_ptr<APMPBSequenceFilterResultTimestamp>>> sequenceTimestampsForAudienceID(
      std::int32_t audienceID) const;

 private:
  APMSequenceTimestampsCache& sequenceCache(std::int32_t audienceID);
  void addDynamicTimestamp(double timestamp, std::int32_t audienceID, std::int32_t filterID);

  std::shared_ptr<APMMonitor> monitor_;
  std::map<std::int32_t, std::map<std::int32_t, double>> dynamic_;
  std::map<std::int32_t, APMSequenceTimestampsCache> sequences_;
};
