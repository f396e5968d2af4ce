#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace platform::security {

// Message digests of bytes, for names and identifiers derived from them (keychain file names, hashed
// event names, legacy identifiers), not for protecting anything.
//
// Computed by the general-purpose library the text engine already brings, not by the TLS library: that
// one is loaded only with the network's libraries when a request goes out, and its start-up (reading
// its configuration, listing its algorithms) cost a start more than every digest it would ever compute.
std::array<std::uint8_t, 32> sha256(std::span<const std::uint8_t> bytes);
std::array<std::uint8_t, 20> sha1(std::span<const std::uint8_t> bytes);
std::array<std::uint8_t, 16> md5(std::span<const std::uint8_t> bytes);

// The bytes of a text, for the digests above.
inline std::span<const std::uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace platform::security
