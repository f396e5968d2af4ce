#pragma once

#include <cstdint>
#include <optional>
#include <set>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"

namespace sdk::analytics {

class AudienceEvaluationBudget;
class Monitor;
class ProtoAudience;

struct AudienceLimits {
  std::int64_t filtersPerAudience = 10;
  std::int64_t parametersPerFilter = 25;
};

// Why a downloaded audience cannot be stored: an error of the measurement domain with code 9 (the
// audience), 10 (an event filter) or 11 (a property filter). `accepted` holds the IDs already taken
// in this configuration. Its regular expressions are compiled within `budget`, when given: the one
// that all the audiences of a configuration share.
platform::foundation::ErrorOr<void> validateAudience(const ProtoAudience& audience, const std::set<std::int32_t>& accepted,
                                                     const AudienceLimits& limits, Monitor& monitor,
                                                     AudienceEvaluationBudget* budget = nullptr);

}  // namespace sdk::analytics

