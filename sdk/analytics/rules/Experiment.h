#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sdk::analytics {

class ProtoExperiment;
class ProtoFlag;

// One experiment of a snapshot: its ID (0 is the launched experiment) and its flags by name. A plain
// value: it crosses between the manager's queue and the worker queue as a copy.
class Experiment {
 public:
  // Nothing, logged, without an ID.
  static std::optional<Experiment> initWithExperimentID(std::optional<std::int32_t> experimentID,
                                                            const std::vector<std::shared_ptr<ProtoFlag>>& flags);
  // ID from field 1 (0 when absent), flags from field 2.
  static Experiment initWithProtobuf(const ProtoExperiment& message);

  std::int32_t experimentID() const { return experimentID_; }
  std::vector<std::shared_ptr<ProtoFlag>> flags() const;
  void addFlag(const std::shared_ptr<ProtoFlag>& flag);
  // A copy of the flag of that name; nothing for an empty name (logged) or an unknown one.
  std::shared_ptr<ProtoFlag> flagWithName(const std::string& name) const;
  std::shared_ptr<ProtoExperiment> proto() const;

 private:
  explicit Experiment(std::int32_t experimentID) : experimentID_(experimentID) {}

  std::int32_t experimentID_;
  std::map<std::string, std::shared_ptr<const ProtoFlag>> flagsByName_;
};

}  // namespace sdk::analytics

