#include "sdk/analytics/rules/SequenceTimestampsCache.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/ResultWords.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

std::optional<SequenceTimestampsCache> SequenceTimestampsCache::initWithAudienceID(
    std::optional<std::int32_t> audienceID, std::shared_ptr<Monitor> monitor) {
  if (!audienceID) return std::nullopt;
  return SequenceTimestampsCache(*audienceID, std::move(monitor));
}

std::optional<std::vector<double>> SequenceTimestampsCache::sequenceTimestampsForFilterID(
    std::optional<std::int32_t> filterID) const {
  if (!filterID) return std::nullopt;
  auto found = timestamps_.find(*filterID);
  return found == timestamps_.end() ? std::vector<double>{} : found->second;
}

void SequenceTimestampsCache::addEventFilterTimestamp(double timestamp, std::int32_t filterID) {
  auto& list = timestamps_[filterID];
  if (!list.empty()) {
    if (std::trunc(list.back()) == std::trunc(timestamp)) return;
    if (list.back() > timestamp) {
      monitor_->logWithLevel(LogLevel::kSilentWarning, messages::kSequenceTimestampAddedOutOfOrder, "Adding a sequence timestamp less than the last added timestamp");
    }
  }
  list.push_back(timestamp);
}

void SequenceTimestampsCache::setUserPropertyTimestamp(double timestamp, std::int32_t filterID) {
  auto& list = timestamps_[filterID];
  if (!list.empty() && list.back() > timestamp) {
    monitor_->logWithLevel(LogLevel::kSilentWarning, messages::kSequenceTimestampSetOutOfOrder, "Setting a sequence timestamp less than the last set timestamp");
  }
  list.assign(1, timestamp);
}

std::vector<std::shared_ptr<ProtoSequenceFilterResultTimestamp>>
SequenceTimestampsCache::sequenceFilterResultTimestamps() const {
  std::vector<std::shared_ptr<ProtoSequenceFilterResultTimestamp>> out;
  for (const auto& [filterID, list] : timestamps_) {
    auto message = ProtoSequenceFilterResultTimestamp::make();
    nanoSetInt32(*message, audience_fields::kTimestampFilterID, filterID);
    std::vector<double> sorted = list;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::int64_t> times;
    for (double time : sorted) times.push_back(static_cast<std::int64_t>(time));
    sdk::analytics::setInt64List(*message, audience_fields::kTimestampValues, times);
    out.push_back(std::move(message));
  }
  return out;
}

}  // namespace sdk::analytics

