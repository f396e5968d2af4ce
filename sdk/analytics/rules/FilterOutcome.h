#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

class NanoMessage;

// The outcome of judging one filter: true (held), false (did not hold) or nothing, when the data
// could not be judged and the stored result must stay as it was.
using FilterOutcome = std::optional<bool>;

// A short text of a message's fields for log contexts: "APMPBNumberFilter{1: 2, 3: \"10\"}".
platform::foundation::Value messageLogContext(const NanoMessage& message);

}  // namespace sdk::analytics

