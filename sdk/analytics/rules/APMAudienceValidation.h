#pragma once

#include <cstdint>
#include <optional>
#include <set>

#include "platform/foundation/Error.h"

class APMMonitor;
class APMPBAudience;

namespace sdk::analytics {

struct APMAudienceLimits {
  std::int64_t filtersPerAudience = 10;
  std::int64_t parametersPerFilter = 25;
};

// Why a downloaded audience cannot be stored: an error of the measurement domain with code 9 (the
// audience), 10 (an event filter) or 11 (a property filter); nothing when it is valid. `accepted`
// holds the IDs already taken in this configuration.
std::optional<platform::foundation::Error> APMValidateAudience(const APMPBAudience& audience,
                                                               const std::set<std::int32_t>& accepted,
                                                               const APMAudienceLimits& limits, APMMonitor& monitor);

}  // namespace sdk::analytics
