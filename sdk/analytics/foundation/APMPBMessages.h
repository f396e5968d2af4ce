#pragma once

#include <utility>
#include <vector>

#include "sdk/analytics/foundation/APMNanoMessage.h"

// Every message of the layer, by name; for code that handles all of them alike (tests, fuzzing).
const std::vector<std::pair<const char*, APMNanoDescriptorRef>>& APMPBAllMessages();
