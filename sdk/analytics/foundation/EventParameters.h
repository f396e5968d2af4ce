#pragma once

#include <cstddef>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// Limits of sanitised parameters.
inline constexpr std::size_t kMaxPublicEventParameters = 25;
inline constexpr std::size_t kPublicParameterValueLength = 100;
inline constexpr std::size_t kInternalParameterValueLength = 500;

// Turns raw parameters into event parameters, in this order:
//  1. each name is checked (public rules for a public event, plain name rules otherwise);
//  2. each value must be a number, a string or, outside an item, an array of item dictionaries
//     (anything else is dropped, code 18015);
//  3. strings longer than the limit (100 code points for a public event, else 500) are cut so that
//     with "..." they fill the limit;
//  4. item arrays: each item is sanitised in turn; in an item only the standard item parameters are
//     kept (others are refused: error event 23, code 18016), and an element that is no dictionary is
//     dropped;
//  5. public parameters beyond the count limit are dropped by trimParametersToLimit (error event 5,
//     code 18017).
Parameters sanitizeEventParameters(const platform::foundation::Dictionary& parameters,
                                         const std::string& eventName, bool isPublicEvent, bool isItem);

// Sorts the names ascending and removes public names (not starting with "_") from the end of that
// order until at most `limit` public names remain; internal names always stay.
void trimParametersToLimit(Parameters& parameters, std::size_t limit);

// The parameters an item may carry.
bool isStandardItemParameterName(const std::string& name);

}  // namespace sdk::analytics

