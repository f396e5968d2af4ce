#pragma once

#include <utility>
#include <vector>

#include "sdk/analytics/foundation/NanoMessage.h"

namespace sdk::analytics {

// Every message of the layer, by name; for code that handles all of them alike (tests, fuzzing).
const std::vector<std::pair<const char*, NanoDescriptorRef>>& allProtoMessages();

}  // namespace sdk::analytics

