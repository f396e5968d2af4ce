#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/ExperimentSnapshot.h"

namespace sdk::analytics {

class ProtoExperimentResponse;

// Reads the experiments service's answer: the snapshots it carries and the errors it reports per SDK.
class ExperimentResponseReader {
 public:
  static std::optional<std::vector<ExperimentSnapshot>> snapshotsFromResponse(const ProtoExperimentResponse* response);
  // Per SDK name, the error the service reported; nothing when the answer carries no per-SDK part.
  static std::optional<std::map<std::string, platform::foundation::Error>> errorsFromResponse(
      const ProtoExperimentResponse* response);
  static std::optional<std::vector<ExperimentSnapshot>> snapshotsFromData(const platform::foundation::Data& data);
};

}  // namespace sdk::analytics
