#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

class NanoMessage;
struct NanoDecodeBudget;
struct NanoEntry;
enum class NanoDecodeFailure : std::uint8_t;

}  // namespace sdk::analytics

// The wire form of NanoMessage, over nanopb's streams: only the message and the codec see nanopb, and
// only they reach a message's entries.
namespace sdk::analytics::detail {

// What the codec reads and fills in place.
struct NanoEntriesAccess {
  static std::vector<NanoEntry>& of(NanoMessage& message);
  static const std::vector<NanoEntry>& of(const NanoMessage& message);
};

// Appends the message's encoding to `out`.
void encodeMessage(const NanoMessage& message, platform::foundation::Data& out);
// Fills an empty message from `bytes`; None, or why they do not decode.
NanoDecodeFailure decodeMessage(std::span<const std::uint8_t> bytes, NanoMessage& message, const NanoDecodeBudget& budget);

}  // namespace sdk::analytics::detail
