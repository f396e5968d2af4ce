#include "sdk/analytics/rules/APMAudienceTimestampsCache.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/rules/APMResultWords.h"
#include "sdk/analytics/rules/AudienceFieldIndices.h"

using namespace sdk::analytics::audience_fields;

APMAudienceTimestampsCache::APMAudienceTimestampsCache(std::shared_ptr<APMMonitor> monitor)
    : monitor_(std::move(monitor)) {}

void APMAudienceTimestampsCache::populateCachedTimestamps(const std::optional<APMFilterResult>& record,
                                                          std::int32_t audienceID) {
  std::shared_ptr<APMPBResultData> current;
  if (record && !record->currentResults.empty()) current = APMPBResultData::initWithBuffer(record->currentResults);
  if (!dynamic_.contains(audienceID)) {
    auto& entries = dynamic_[audienceID];
    if (current) {
      for (const auto& element : APMNanoGetMessageArray<APMPBDynamicFilterResultTimestamp>(*current, kDynamicTimestamps)) {
        entries[APMNanoGetInt32(*element, kTimestampFilterID)] =
            static_cast<double>(APMNanoGetInt64(*element, kTimestampValues));
      }
    }
  }
  if (!sequences_.contains(audienceID)) {
    auto& cache = sequenceCache(audienceID);
    if (current) {
      for (const auto& element :
           APMNanoGetMessageArray<APMPBSequenceFilterResultTimestamp>(*current, kSequenceTimestamps)) {
        auto times = sdk::analytics::APMGetInt64List(*element, kTimestampValues);
        if (!times.empty()) {
          cache.addEventFilterTimestamp(static_cast<double>(times.back()), APMNanoGetInt32(*element, kTimestampFilterID));
        }
      }
    }
  }
}

APMSequenceTimestampsCache& APMAudienceTimestampsCache::sequenceCache(std::int32_t audienceID) {
  auto found = sequences_.find(audienceID);
  if (found == sequences_.end()) {
    found = sequences_.emplace(audienceID, *APMSequenceTimestampsCache::initWithAudienceID(audienceID, monitor_)).first;
  }
  return found->second;
}

void APMAudienceTimestampsCache::addDynamicTimestamp(double timestamp, std::int32_t audienceID,
                                                     std::int32_t filterID) {
  auto& entries = dynamic_[audienceID];
  auto found = entries.find(filterID);
  double stored = found == entries.end() ? 0 : found->second;
  if (timestamp > stored) {
    entries[filterID] = timestamp;
  } else {
    monitor_->logWithLevel(5, 6037, "Candidate evaluation timestamp is earlier than cached evaluation timestamp");
  }
}

void APMAudienceTimestampsCache::addEvaluationTimestamp(double timestamp, const APMEventFilter& filter) {
  if (filter.isSequence) {
    sequenceCache(filter.audienceID).addEventFilterTimestamp(timestamp, filter.filterID);
  } else if (filter.isDynamic || filter.isSessionScoped) {
    addDynamicTimestamp(timestamp, filter.audienceID, filter.filterID);
  }
}

void APMAudienceTimestampsCache::addEvaluationTimestamp(double timestamp, const APMPropertyFilter& filter) {
  if (filter.isSequence) {
    sequenceCache(filter.audienceID).setUserPropertyTimestamp(timestamp, filter.filterID);
  } else if (filter.isDynamic || filter.isSessionScoped) {
    addDynamicTimestamp(timestamp, filter.audienceID, filter.filterID);
  }
}

std::vector<std::shared_ptr<APMPBDynamicFilterResultTimestamp>> APMAudienceTimestampsCache::
    dynamicTimestampsForAudienceID(std::int32_t audienceID) const {
  std::vector<std::shared_ptr<APMPBDynamicFilterResultTimestamp>> out;
  auto found = dynamic_.find(audienceID);
  if (found == dynamic_.end()) return out;
  for (const auto& [filterID, timestamp] : found->second) {
    auto message = APMPBDynamicFilterResultTimestamp::make();
    APMNanoSetInt32(*message, kTimestampFilterID, filterID);
    APMNanoSetInt64(*message, kTimestampValues, static_cast<std::int64_t>(timestamp));
    out.push_back(std::move(message));
  }
  return out;
}

std::optional<std::vector<std::shared_ptr<APMPBSequenceFilterResultTimestamp>>> APMAudienceTimestampsCache::
    sequenceTimestampsForAudienceID(std::int32_t audienceID) const {
  auto found = sequences_.find(audienceID);
  if (found == sequences_.end()) return std::nullopt;
  return found->second.sequenceFilterResultTimestamps();
}
