#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sdk::analytics {

std::array<std::uint8_t, 16> md5Digest(std::span<const std::uint8_t> bytes);
// The last 8 bytes of the MD5 digest of `bytes`, read big-endian.
std::int64_t md5Low64Bits(std::span<const std::uint8_t> bytes);
std::int64_t md5Low64Bits(std::string_view text);
// The MD5 digest of the text's bytes as 32 lower-case hexadecimal digits; nothing for text that is
// not valid UTF-8.
std::optional<std::string> md5HexString(std::string_view text);

}  // namespace sdk::analytics

