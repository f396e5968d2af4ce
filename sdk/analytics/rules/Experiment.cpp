#include "sdk/analytics/rules/Experiment.h"

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/ExperimentFlag.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Value;

std::optional<Experiment> Experiment::initWithExperimentID(std::optional<std::int32_t> experimentID,
                                                                   const std::vector<std::shared_ptr<ProtoFlag>>& flags) {
  if (!experimentID) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kExperimentWithoutID, "Cannot create an experiment without ID");
    return std::nullopt;
  }
  Experiment experiment(*experimentID);
  for (const auto& flag : flags) experiment.addFlag(flag);
  return experiment;
}

Experiment Experiment::initWithProtobuf(const ProtoExperiment& message) {
  Experiment experiment(nanoHasField(message, 0) ? nanoGetInt32(message, 0) : 0);
  for (const auto& flag : nanoGetMessageArray<ProtoFlag>(message, 1)) experiment.addFlag(flag);
  return experiment;
}

std::vector<std::shared_ptr<ProtoFlag>> Experiment::flags() const {
  std::vector<std::shared_ptr<ProtoFlag>> out;
  for (const auto& [name, flag] : flagsByName_) out.push_back(ProtoFlag::copyOf(*flag));
  return out;
}

void Experiment::addFlag(const std::shared_ptr<ProtoFlag>& flag) {
  auto& monitor = *Monitor::shared();
  if (!flag) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kEmptyFlagInExperiment, "Cannot add empty flag into an experiment. ID", Value(experimentID_));
    return;
  }
  if (!nanoHasField(*flag, 0)) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kUnnamedFlagInExperiment, "Cannot add a flag without name into an experiment. ID", Value(experimentID_));
    return;
  }
  flagsByName_[experimentFlagName(*flag)] = ProtoFlag::copyOf(*flag);
}

std::shared_ptr<ProtoFlag> Experiment::flagWithName(const std::string& name) const {
  if (name.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kFlagLookupWithoutName, "Cannot retrieve a flag without a flag name");
    return nullptr;
  }
  auto found = flagsByName_.find(name);
  return found == flagsByName_.end() ? nullptr : ProtoFlag::copyOf(*found->second);
}

std::shared_ptr<ProtoExperiment> Experiment::proto() const {
  auto message = ProtoExperiment::make();
  nanoSetInt32(*message, 0, experimentID_);
  nanoSetMessageArray(*message, 1, flags());
  return message;
}

}  // namespace sdk::analytics

