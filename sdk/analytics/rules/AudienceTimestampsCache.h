#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/rules/SequenceTimestampsCache.h"

namespace sdk::analytics {

class Monitor;
class ProtoDynamicFilterResultTimestamp;

// The times at which dynamic, session-scoped and sequence filters held, per audience, over one
// evaluation pass. Stored records seed it; updated records take their timestamps from it.
class AudienceTimestampsCache {
 public:
  explicit AudienceTimestampsCache(std::shared_ptr<Monitor> monitor);

  // Seeds the audience's entries from its stored record, unless the pass already has them.
  void populateCachedTimestamps(const std::optional<StoredFilterResults>& record, std::int32_t audienceID);
  void addEvaluationTimestamp(double timestamp, const StoredEventFilter& filter);
  void addEvaluationTimestamp(double timestamp, const StoredPropertyFilter& filter);

  std::vector<std::shared_ptr<ProtoDynamicFilterResultTimestamp>> dynamicTimestampsForAudienceID(
      std::int32_t audienceID) const;
  // Nothing when the audience has no sequence cache.
  std::optional<std::vector<std::shared_ptr<ProtoSequenceFilterResultTimestamp>>> sequenceTimestampsForAudienceID(
      std::int32_t audienceID) const;

 private:
  SequenceTimestampsCache& sequenceCache(std::int32_t audienceID);
  void addDynamicTimestamp(double timestamp, std::int32_t audienceID, std::int32_t filterID);

  std::shared_ptr<Monitor> monitor_;
  std::map<std::int32_t, std::map<std::int32_t, double>> dynamic_;
  std::map<std::int32_t, SequenceTimestampsCache> sequences_;
};

}  // namespace sdk::analytics

