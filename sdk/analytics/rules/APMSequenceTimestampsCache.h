#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class APMMonitor;
class APMPBSequenceFilterResultTimestamp;

// When each sequence filter of one audience held during one evaluation pass. Not thread-safe: it
// lives on the worker queue for one pass.
class APMSequenceTimestampsCache {
 public:
  // Nothing without an audience ID.
  static std::optional<APMSequenceTimestampsCache> initWithAudienceID(std::optional<std::int32_t> audienceID,
                                                                      std::shared_ptr<APMMonitor> monitor);

  std::int32_t audienceID() const { return audienceID_; }
  // A copy of the filter's list; nothing without a filter ID.
  std::optional<std::vector<double>> sequenceTimestampsForFilterID(std::optional<std::int32_t> filterID) const;
  // Event filters collect every time they held, except a second one within the same whole second.
  void addEventFilterTimestamp(double timestamp, std::int32_t filterID);
  // Property filters keep only the latest time.
  void setUserPropertyTimestamp(double timestamp, std::int32_t filterID);
  // One message per filter, ascending by filter ID, each with its times ascending.
  std::vector<std::shared_ptr<APMPBSequenceFilterResultTimestamp>> sequenceFilterResultTimestamps() const;

 private:
  APMSequenceTimestampsCache(std::int32_t audienceID, std::shared_ptr<APMMonitor> monitor)
      : audienceID_(audienceID), monitor_(std::move(monitor)) {}

  std::int32_t audienceID_;
  std::shared_ptr<APMMonitor> monitor_;
  std::map<std::int32_t, std::vector<double>> timestamps_;
};
