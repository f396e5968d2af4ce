#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Value.h"

class APMNanoMessage;

namespace sdk::analytics {

// The outcome of judging one filter: true (held), false (did not hold) or nothing, when the data
// could not be judged and the stored result must stay as it was.
using APMFilterOutcome = std::optional<bool>;

// A short text of a message's fields for log contexts: "APMPBNumberFilter{1: 2, 3: \"10\"}".
platform::foundation::Value APMMessageContext(const APMNanoMessage& message);

}  // namespace sdk::analytics
