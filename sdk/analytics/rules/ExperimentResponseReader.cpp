#include "sdk/analytics/rules/ExperimentResponseReader.h"

#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/ExperimentsTaskManager.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

namespace {
constexpr int kSnapshots = 0, kSdkResponses = 1;
constexpr int kSdkName = 0, kSdkErrorCode = 1, kSdkSnapshot = 2;
}  // namespace

std::optional<std::vector<ExperimentSnapshot>> ExperimentResponseReader::snapshotsFromResponse(
    const ProtoExperimentResponse* response) {
  auto& monitor = *Monitor::shared();
  if (!response) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kSnapshotsFromNilResponse, "Cannot create experiment snapshots from nil response");
    return std::nullopt;
  }
  auto messages = nanoGetMessageArray<ProtoSnapshot>(*response, kSnapshots);
  if (messages.empty()) {
    // Answers that speak per SDK carry each snapshot inside its SDK's part, named by that part.
    for (const auto& sdk : nanoGetMessageArray<ProtoSDKResponse>(*response, kSdkResponses)) {
      auto snapshot = nanoGetMessage<ProtoSnapshot>(*sdk, kSdkSnapshot);
      if (!snapshot) continue;
      std::string name = nanoGetString(*sdk, kSdkName).value_or("");
      if (!name.empty()) nanoSetString(*snapshot, 0, name);
      messages.push_back(snapshot);
    }
  }
  std::vector<ExperimentSnapshot> snapshots;
  for (const auto& message : messages) {
    auto snapshot = ExperimentSnapshot::initWithProtobuf(*message);
    if (!snapshot) {
      monitor.logWithLevel(LogLevel::kSilentError, messages::kSnapshotFromProtoFailed, "Cannot create a snapshot from the proto");
      continue;
    }
    snapshots.push_back(std::move(*snapshot));
  }
  return snapshots;
}

std::optional<std::map<std::string, platform::foundation::Error>> ExperimentResponseReader::errorsFromResponse(
    const ProtoExperimentResponse* response) {
  if (!response) return std::nullopt;
  auto parts = nanoGetMessageArray<ProtoSDKResponse>(*response, kSdkResponses);
  if (parts.empty()) return std::nullopt;
  std::map<std::string, platform::foundation::Error> errors;
  for (const auto& sdk : parts) {
    std::int32_t code = nanoGetInt32(*sdk, kSdkErrorCode);
    std::string name = nanoGetString(*sdk, kSdkName).value_or("");
    if (code == 0 || name.empty()) continue;
    std::int64_t mapped = code >= 1 && code <= 3 ? -(code + 1) : -1;
    errors.insert_or_assign(name, platform::foundation::Error::make(
                                      ExperimentsTaskManager::kErrorDomain, mapped,
                                      "The experiments service refused the SDK's request (code " + std::to_string(code) + ")"));
  }
  return errors;
}

std::optional<std::vector<ExperimentSnapshot>> ExperimentResponseReader::snapshotsFromData(
    const platform::foundation::Data& data) {
  if (data.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kSnapshotsFromEmptyData, "Cannot create experiment snapshots from empty data");
    return std::nullopt;
  }
  auto response = ProtoExperimentResponse::initWithBuffer(data);
  return snapshotsFromResponse(response.get());
}

}  // namespace sdk::analytics

