#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class APMPBExperiment;
class APMPBFlag;

// One experiment of a snapshot: its ID (0 is the launched experiment) and its flags by name. A plain
// value: it crosses between the manager's queue and the worker queue as a copy.
class APMEExperiment {
 public:
  // Nothing, logged, without an ID.
  static std::optional<APMEExperiment> initWithExperimentID(std::optional<std::int32_t> experimentID,
                                                            const std::vector<std::shared_ptr<APMPBFlag>>& flags);
  // ID from field 1 (0 when absent), flags from field 2.
  static APMEExperiment initWithProtobuf(const APMPBExperiment& message);

  std::int32_t experimentID() const { return experimentID_; }
  std::vector<std::shared_ptr<APMPBFlag>> flags() const;
  void addFlag(const std::shared_ptr<APMPBFlag>& flag);
  // A copy of the flag of that name; nothing for an empty name (logged) or an unknown one.
  std::shared_ptr<APMPBFlag> flagWithName(const std::string& name) const;
  std::shared_ptr<APMPBExperiment> proto() const;

 private:
  explicit APMEExperiment(std::int32_t experimentID) : experimentID_(experimentID) {}

  std::int32_t experimentID_;
  std::map<std::string, std::shared_ptr<const APMPBFlag>> flagsByName_;
};
