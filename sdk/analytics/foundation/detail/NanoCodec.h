#pragma once

#include <cstdint>
#include <span>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

class NanoMessage;
struct NanoDecodeBudget;
enum class NanoDecodeFailure : std::uint8_t;

}  // namespace sdk::analytics

namespace sdk::analytics::detail {

// Appends the message's encoding to `out`.
void encodeMessage(const NanoMessage& message, platform::foundation::Data& out);
// Fills an empty message from `bytes`; None, or why they do not decode.
NanoDecodeFailure decodeMessage(std::span<const std::uint8_t> bytes, NanoMessage& message, const NanoDecodeBudget& budget);

}  // namespace sdk::analytics::detail
