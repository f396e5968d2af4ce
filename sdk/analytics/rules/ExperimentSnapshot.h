#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/rules/Experiment.h"

namespace sdk::analytics {

class ProtoSnapshot;

// The experiments one SDK received in one fetch, by experiment ID (a later experiment of the same ID
// replaces an earlier one). A plain value, copied between queues.
class ExperimentSnapshot {
 public:
  // Nothing, logged, for an empty SDK name. Timestamp now, not manually activated.
  static std::optional<ExperimentSnapshot> initWithSDKName(const std::string& sdkName,
                                                     const std::vector<Experiment>& experiments);
  // SDK name from field 1, experiments from field 2.
  static std::optional<ExperimentSnapshot> initWithProtobuf(const ProtoSnapshot& message);

  const std::string& SDKName() const { return sdkName_; }
  std::vector<Experiment> experiments() const;
  double timestamp() const { return timestamp_; }
  void setTimestamp(double timestamp) { timestamp_ = timestamp; }
  bool manuallyActivated() const { return manuallyActivated_; }
  void setManuallyActivated(bool manuallyActivated) { manuallyActivated_ = manuallyActivated; }

  // The flag of that name from the first experiment (by ascending ID) that has it.
  std::shared_ptr<ProtoFlag> flagByName(const std::string& name) const;
  void addFlag(const std::shared_ptr<ProtoFlag>& flag, std::optional<std::int32_t> experimentID);
  void addFlags(const std::vector<std::shared_ptr<ProtoFlag>>& flags, std::optional<std::int32_t> experimentID);
  // The same SDK name and experiments with a fresh timestamp, not manually activated.
  ExperimentSnapshot copy() const;
  std::shared_ptr<ProtoSnapshot> proto() const;

 private:
  ExperimentSnapshot(std::string sdkName, double timestamp) : sdkName_(std::move(sdkName)), timestamp_(timestamp) {}

  std::string sdkName_;
  std::map<std::int32_t, Experiment> experimentsByID_;
  double timestamp_ = 0;
  bool manuallyActivated_ = false;
};

}  // namespace sdk::analytics

