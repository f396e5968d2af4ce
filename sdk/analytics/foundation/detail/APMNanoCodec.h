#pragma once

#include <cstdint>
#include <span>

#include "platform/foundation/Value.h"

class APMNanoMessage;
enum class APMNanoDecodeFailure : std::uint8_t;

namespace sdk::analytics::detail {

// Appends the message's encoding to `out`.
void encodeMessage(const APMNanoMessage& message, platform::foundation::Data& out);
// Fills an empty message from `bytes`; None, or why they do not decode.
APMNanoDecodeFailure decodeMessage(std::span<const std::uint8_t> bytes, APMNanoMessage& message);

}  // namespace sdk::analytics::detail
