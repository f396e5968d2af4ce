// Reading the experiments service's answer: the snapshots it carries and the errors it reports per SDK.

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"
#include "sdk/analytics/rules/APMETaskManager.h"

namespace {
constexpr int kSnapshots = 0, kSdkResponses = 1;
constexpr int kSdkName = 0, kSdkErrorCode = 1, kSdkSnapshot = 2;
}  // namespace

std::optional<std::vector<APMESnapshot>> APMETaskManager::experimentSnapshotsFromExperimentResponse(
    const APMPBExperimentResponse* response) {
  auto& monitor = *APMMonitor::shared();
  if (!response) {
    monitor.logWithLevel(2, 820015, "Cannot create experiment snapshots from nil response");
    return std::nullopt;
  }
  auto messages = APMNanoGetMessageArray<APMPBSnapshot>(*response, kSnapshots);
  if (messages.empty()) {
    // Answers that speak per SDK carry each snapshot inside its SDK's part, named by that part.
    for (const auto& sdk : APMNanoGetMessageArray<APMPBSdkResponse>(*response, kSdkResponses)) {
      auto snapshot = APMNanoGetMessage<APMPBSnapshot>(*sdk, kSdkSnapshot);
      if (!snapshot) continue;
      std::string name = APMNanoGetString(*sdk, kSdkName).value_or("");
      if (!name.empty()) APMNanoSetString(*snapshot, 0, name);
      messages.push_back(snapshot);
    }
  }
  std::vector<APMESnapshot> snapshots;
  for (const auto& message : messages) {
    auto snapshot = APMESnapshot::initWithProtobuf(*message);
    if (!snapshot) {
      monitor.logWithLevel(2, 820016, "Cannot create a snapshot from the proto");
      continue;
    }
    snapshots.push_back(std::move(*snapshot));
  }
  return snapshots;
}

std::optional<std::map<std::string, platform::foundation::Error>> APMETaskManager::errorsFromExperimentResponse(
    const APMPBExperimentResponse* response) {
  if (!response) return std::nullopt;
  auto parts = APMNanoGetMessageArray<APMPBSdkResponse>(*response, kSdkResponses);
  if (parts.empty()) return std::nullopt;
  std::map<std::string, Error> errors;
  for (const auto& sdk : parts) {
    std::int32_t code = APMNanoGetInt32(*sdk, kSdkErrorCode);
    std::string name = APMNanoGetString(*sdk, kSdkName).value_or("");
    if (code == 0 || name.empty()) continue;
    std::int64_t mapped = code >= 1 && code <= 3 ? -(code + 1) : -1;
    errors.insert_or_assign(name, Error::make(kErrorDomain, mapped,
                                              "The experiments service refused the SDK's request (code " +
                                                  std::to_string(code) + ")"));
  }
  return errors;
}

std::optional<std::vector<APMESnapshot>> APMETaskManager::experimentSnapshotsFromData(const Data& data) {
  if (data.empty()) {
    APMMonitor::shared()->logWithLevel(2, 820025, "Cannot create experiment snapshots from empty data");
    return std::nullopt;
  }
  auto response = APMPBExperimentResponse::initWithBuffer(data);
  return experimentSnapshotsFromExperimentResponse(response.get());
}
