#include "sdk/analytics/rules/APMEExperiment.h"

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"
#include "sdk/analytics/rules/APMEFlag.h"

using platform::foundation::Value;

std::optional<APMEExperiment> APMEExperiment::initWithExperimentID(std::optional<std::int32_t> experimentID,
                                                                   const std::vector<std::shared_ptr<APMPBFlag>>& flags) {
  if (!experimentID) {
    APMMonitor::shared()->logWithLevel(2, 870000, "Cannot create an experiment without ID");
    return std::nullopt;
  }
  APMEExperiment experiment(*experimentID);
  for (const auto& flag : flags) experiment.addFlag(flag);
  return experiment;
}

APMEExperiment APMEExperiment::initWithProtobuf(const APMPBExperiment& message) {
  APMEExperiment experiment(APMNanoHasField(message, 0) ? APMNanoGetInt32(message, 0) : 0);
  for (const auto& flag : APMNanoGetMessageArray<APMPBFlag>(message, 1)) experiment.addFlag(flag);
  return experiment;
}

std::vector<std::shared_ptr<APMPBFlag>> APMEExperiment::flags() const {
  std::vector<std::shared_ptr<APMPBFlag>> out;
  for (const auto& [name, flag] : flagsByName_) out.push_back(APMPBFlag::copyOf(*flag));
  return out;
}

void APMEExperiment::addFlag(const std::shared_ptr<APMPBFlag>& flag) {
  auto& monitor = *APMMonitor::shared();
  if (!flag) {
    monitor.logWithLevel(2, 870004, "Cannot add empty flag into an experiment. ID", Value(experimentID_));
    return;
  }
  if (!APMNanoHasField(*flag, 0)) {
    monitor.logWithLevel(2, 870006, "Cannot add a flag without name into an experiment. ID", Value(experimentID_));
    return;
  }
  flagsByName_[APMEFlagName(*flag)] = APMPBFlag::copyOf(*flag);
}

std::shared_ptr<APMPBFlag> APMEExperiment::flagWithName(const std::string& name) const {
  if (name.empty()) {
    APMMonitor::shared()->logWithLevel(2, 870007, "Cannot retrieve a flag without a flag name");
    return nullptr;
  }
  auto found = flagsByName_.find(name);
  return found == flagsByName_.end() ? nullptr : APMPBFlag::copyOf(*found->second);
}

std::shared_ptr<APMPBExperiment> APMEExperiment::proto() const {
  auto message = APMPBExperiment::make();
  APMNanoSetInt32(*message, 0, experimentID_);
  APMNanoSetMessageArray(*message, 1, flags());
  return message;
}
