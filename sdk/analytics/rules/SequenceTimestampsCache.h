#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace sdk::analytics {

class Monitor;
class ProtoSequenceFilterResultTimestamp;

// When each sequence filter of one audience held during one evaluation pass. Not thread-safe: it
// lives on the worker queue for one pass.
class SequenceTimestampsCache {
 public:
  // Nothing without an audience ID.
  static std::optional<SequenceTimestampsCache> initWithAudienceID(std::optional<std::int32_t> audienceID,
                                                                      std::shared_ptr<Monitor> monitor);

  std::int32_t audienceID() const { return audienceID_; }
  // A copy of the filter's list; nothing without a filter ID.
  std::optional<std::vector<double>> sequenceTimestampsForFilterID(std::optional<std::int32_t> filterID) const;
  // Event filters collect every time they held, except a second one within the same whole second.
  void addEventFilterTimestamp(double timestamp, std::int32_t filterID);
  // Property filters keep only the latest time.
  void setUserPropertyTimestamp(double timestamp, std::int32_t filterID);
  // One message per filter, ascending by filter ID, each with its times ascending.
  std::vector<std::shared_ptr<ProtoSequenceFilterResultTimestamp>> sequenceFilterResultTimestamps() const;

 private:
  SequenceTimestampsCache(std::int32_t audienceID, std::shared_ptr<Monitor> monitor)
      : audienceID_(audienceID), monitor_(std::move(monitor)) {}

  std::int32_t audienceID_;
  std::shared_ptr<Monitor> monitor_;
  std::map<std::int32_t, std::vector<double>> timestamps_;
};

}  // namespace sdk::analytics

