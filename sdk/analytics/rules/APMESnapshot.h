#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/rules/APMEExperiment.h"

class APMPBSnapshot;

// The experiments one SDK received in one fetch, by experiment ID (a later experiment of the same ID
// replaces an earlier one). A plain value, copied between queues.
class APMESnapshot {
 public:
  // Nothing, logged, for an empty SDK name. Timestamp now, not manually activated.
  static std::optional<APMESnapshot> initWithSDKName(const std::string& sdkName,
                                                     const std::vector<APMEExperiment>& experiments);
  // SDK name from field 1, experiments from field 2.
  static std::optional<APMESnapshot> initWithProtobuf(const APMPBSnapshot& message);

  const std::string& SDKName() const { return sdkName_; }
  std::vector<APMEExperiment> experiments() const;
  double timestamp() const { return timestamp_; }
  void setTimestamp(double timestamp) { timestamp_ = timestamp; }
  bool manuallyActivated() const { return manuallyActivated_; }
  void setManuallyActivated(bool manuallyActivated) { manuallyActivated_ = manuallyActivated; }

  // The flag of that name from the first experiment (by ascending ID) that has it.
  std::shared_ptr<APMPBFlag> flagByName(const std::string& name) const;
  void addFlag(const std::shared_ptr<APMPBFlag>& flag, std::optional<std::int32_t> experimentID);
  void addFlags(const std::vector<std::shared_ptr<APMPBFlag>>& flags, std::optional<std::int32_t> experimentID);
  // The same SDK name and experiments with a fresh timestamp, not manually activated.
  APMESnapshot copy() const;
  std::shared_ptr<APMPBSnapshot> proto() const;

 private:
  APMESnapshot(std::string sdkName, double timestamp) : sdkName_(std::move(sdkName)), timestamp_(timestamp) {}

  std::string sdkName_;
  std::map<std::int32_t, APMEExperiment> experimentsByID_;
  double timestamp_ = 0;
  bool manuallyActivated_ = false;
};
