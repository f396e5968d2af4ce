#include "sdk/analytics/rules/ExperimentSnapshot.h"

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

std::optional<ExperimentSnapshot> ExperimentSnapshot::initWithSDKName(const std::string& sdkName,
                                                          const std::vector<Experiment>& experiments) {
  if (sdkName.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kSnapshotWithInvalidSDKName, "Cannot create snapshot with an invalid SDK name");
    return std::nullopt;
  }
  ExperimentSnapshot snapshot(sdkName, platform::foundation::Clock::current()->now());
  for (const auto& experiment : experiments) snapshot.experimentsByID_.insert_or_assign(experiment.experimentID(), experiment);
  return snapshot;
}

std::optional<ExperimentSnapshot> ExperimentSnapshot::initWithProtobuf(const ProtoSnapshot& message) {
  std::vector<Experiment> experiments;
  for (const auto& experiment : nanoGetMessageArray<ProtoExperiment>(message, 1)) {
    experiments.push_back(Experiment::initWithProtobuf(*experiment));
  }
  return initWithSDKName(nanoGetString(message, 0).value_or(""), experiments);
}

std::vector<Experiment> ExperimentSnapshot::experiments() const {
  std::vector<Experiment> out;
  for (const auto& [id, experiment] : experimentsByID_) out.push_back(experiment);
  return out;
}

std::shared_ptr<ProtoFlag> ExperimentSnapshot::flagByName(const std::string& name) const {
  for (const auto& [id, experiment] : experimentsByID_) {
    if (auto flag = experiment.flagWithName(name)) return flag;
  }
  return nullptr;
}

void ExperimentSnapshot::addFlag(const std::shared_ptr<ProtoFlag>& flag, std::optional<std::int32_t> experimentID) {
  if (!experimentID) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kFlagWithEmptyExperimentID, "Cannot add flag into empty experiment ID");
    return;
  }
  if (!flag) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kInvalidFlagInSnapshot, "Cannot add an invalid flag into a snapshot");
    return;
  }
  auto found = experimentsByID_.find(*experimentID);
  if (found == experimentsByID_.end()) {
    found = experimentsByID_.emplace(*experimentID, *Experiment::initWithExperimentID(*experimentID, {})).first;
  }
  found->second.addFlag(flag);
}

void ExperimentSnapshot::addFlags(const std::vector<std::shared_ptr<ProtoFlag>>& flags,
                            std::optional<std::int32_t> experimentID) {
  for (const auto& flag : flags) addFlag(flag, experimentID);
}

ExperimentSnapshot ExperimentSnapshot::copy() const {
  ExperimentSnapshot snapshot(sdkName_, platform::foundation::Clock::current()->now());
  snapshot.experimentsByID_ = experimentsByID_;
  return snapshot;
}

std::shared_ptr<ProtoSnapshot> ExperimentSnapshot::proto() const {
  auto message = ProtoSnapshot::make();
  nanoSetString(*message, 0, sdkName_);
  for (const auto& [id, experiment] : experimentsByID_) nanoAddMessage(*message, 1, *experiment.proto());
  return message;
}

}  // namespace sdk::analytics

