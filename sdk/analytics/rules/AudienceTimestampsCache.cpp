#include "sdk/analytics/rules/AudienceTimestampsCache.h"

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/ResultWords.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using namespace sdk::analytics::audience_fields;

AudienceTimestampsCache::AudienceTimestampsCache(std::shared_ptr<Monitor> monitor)
    : monitor_(std::move(monitor)) {}

void AudienceTimestampsCache::populateCachedTimestamps(const std::optional<StoredFilterResults>& record,
                                                          std::int32_t audienceID) {
  std::shared_ptr<ProtoResultData> current;
  if (record && !record->currentResults.empty()) current = ProtoResultData::initWithBuffer(record->currentResults);
  if (!dynamic_.contains(audienceID)) {
    auto& entries = dynamic_[audienceID];
    if (current) {
      for (const auto& element : nanoGetMessageArray<ProtoDynamicFilterResultTimestamp>(*current, kDynamicTimestamps)) {
        entries[nanoGetInt32(*element, kTimestampFilterID)] =
            static_cast<double>(nanoGetInt64(*element, kTimestampValues));
      }
    }
  }
  if (!sequences_.contains(audienceID)) {
    auto& cache = sequenceCache(audienceID);
    if (current) {
      for (const auto& element :
           nanoGetMessageArray<ProtoSequenceFilterResultTimestamp>(*current, kSequenceTimestamps)) {
        auto times = sdk::analytics::getInt64List(*element, kTimestampValues);
        if (!times.empty()) {
          cache.addEventFilterTimestamp(static_cast<double>(times.back()), nanoGetInt32(*element, kTimestampFilterID));
        }
      }
    }
  }
}

SequenceTimestampsCache& AudienceTimestampsCache::sequenceCache(std::int32_t audienceID) {
  auto found = sequences_.find(audienceID);
  if (found == sequences_.end()) {
    found = sequences_.emplace(audienceID, *SequenceTimestampsCache::initWithAudienceID(audienceID, monitor_)).first;
  }
  return found->second;
}

void AudienceTimestampsCache::addDynamicTimestamp(double timestamp, std::int32_t audienceID,
                                                     std::int32_t filterID) {
  auto& entries = dynamic_[audienceID];
  auto found = entries.find(filterID);
  double stored = found == entries.end() ? 0 : found->second;
  if (timestamp > stored) {
    entries[filterID] = timestamp;
  } else {
    monitor_->logWithLevel(LogLevel::kSilentWarning, messages::kEvaluationTimestampEarlierThanCached, "Candidate evaluation timestamp is earlier than cached evaluation timestamp");
  }
}

void AudienceTimestampsCache::addEvaluationTimestamp(double timestamp, const StoredEventFilter& filter) {
  if (filter.isSequence) {
    sequenceCache(filter.audienceID).addEventFilterTimestamp(timestamp, filter.filterID);
  } else if (filter.isDynamic || filter.isSessionScoped) {
    addDynamicTimestamp(timestamp, filter.audienceID, filter.filterID);
  }
}

void AudienceTimestampsCache::addEvaluationTimestamp(double timestamp, const StoredPropertyFilter& filter) {
  if (filter.isSequence) {
    sequenceCache(filter.audienceID).setUserPropertyTimestamp(timestamp, filter.filterID);
  } else if (filter.isDynamic || filter.isSessionScoped) {
    addDynamicTimestamp(timestamp, filter.audienceID, filter.filterID);
  }
}

std::vector<std::shared_ptr<ProtoDynamicFilterResultTimestamp>> AudienceTimestampsCache::
    dynamicTimestampsForAudienceID(std::int32_t audienceID) const {
  std::vector<std::shared_ptr<ProtoDynamicFilterResultTimestamp>> out;
  auto found = dynamic_.find(audienceID);
  if (found == dynamic_.end()) return out;
  for (const auto& [filterID, timestamp] : found->second) {
    auto message = ProtoDynamicFilterResultTimestamp::make();
    nanoSetInt32(*message, kTimestampFilterID, filterID);
    nanoSetInt64(*message, kTimestampValues, static_cast<std::int64_t>(timestamp));
    out.push_back(std::move(message));
  }
  return out;
}

std::optional<std::vector<std::shared_ptr<ProtoSequenceFilterResultTimestamp>>> AudienceTimestampsCache::
    sequenceTimestampsForAudienceID(std::int32_t audienceID) const {
  auto found = sequences_.find(audienceID);
  if (found == sequences_.end()) return std::nullopt;
  return found->second.sequenceFilterResultTimestamps();
}

}  // namespace sdk::analytics

