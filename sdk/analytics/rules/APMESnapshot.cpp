#include "sdk/analytics/rules/APMESnapshot.h"

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"

std::optional<APMESnapshot> APMESnapshot::initWithSDKName(const std::string& sdkName,
                                                          const std::vector<APMEExperiment>& experiments) {
  if (sdkName.empty()) {
    APMMonitor::shared()->logWithLevel(2, 840000, "Cannot create snapshot with an invalid SDK name");
    return std::nullopt;
  }
  APMESnapshot snapshot(sdkName, platform::foundation::Clock::current()->now());
  for (const auto& experiment : experiments) snapshot.experimentsByID_.insert_or_assign(experiment.experimentID(), experiment);
  return snapshot;
}

std::optional<APMESnapshot> APMESnapshot::initWithProtobuf(const APMPBSnapshot& message) {
  std::vector<APMEExperiment> experiments;
  for (const auto& experiment : APMNanoGetMessageArray<APMPBExperiment>(message, 1)) {
    experiments.push_back(APMEExperiment::initWithProtobuf(*experiment));
  }
  return initWithSDKName(APMNanoGetString(message, 0).value_or(""), experiments);
}

std::vector<APMEExperiment> APMESnapshot::experiments() const {
  std::vector<APMEExperiment> out;
  for (const auto& [id, experiment] : experimentsByID_) out.push_back(experiment);
  return out;
}

std::shared_ptr<APMPBFlag> APMESnapshot::flagByName(const std::string& name) const {
  for (const auto& [id, experiment] : experimentsByID_) {
    if (auto flag = experiment.flagWithName(name)) return flag;
  }
  return nullptr;
}

void APMESnapshot::addFlag(const std::shared_ptr<APMPBFlag>& flag, std::optional<std::int32_t> experimentID) {
  if (!experimentID) {
    APMMonitor::shared()->logWithLevel(2, 840003, "Cannot add flag into empty experiment ID");
    return;
  }
  if (!flag) {
    APMMonitor::shared()->logWithLevel(2, 840004, "Cannot add an invalid flag into a snapshot");
    return;
  }
  auto found = experimentsByID_.find(*experimentID);
  if (found == experimentsByID_.end()) {
    found = experimentsByID_.emplace(*experimentID, *APMEExperiment::initWithExperimentID(*experimentID, {})).first;
  }
  found->second.addFlag(flag);
}

void APMESnapshot::addFlags(const std::vector<std::shared_ptr<APMPBFlag>>& flags,
                            std::optional<std::int32_t> experimentID) {
  for (const auto& flag : flags) addFlag(flag, experimentID);
}

APMESnapshot APMESnapshot::copy() const {
  APMESnapshot snapshot(sdkName_, platform::foundation::Clock::current()->now());
  snapshot.experimentsByID_ = experimentsByID_;
  return snapshot;
}

std::shared_ptr<APMPBSnapshot> APMESnapshot::proto() const {
  auto message = APMPBSnapshot::make();
  APMNanoSetString(*message, 0, sdkName_);
  for (const auto& [id, experiment] : experimentsByID_) APMNanoAddMessage(*message, 1, *experiment.proto());
  return message;
}
