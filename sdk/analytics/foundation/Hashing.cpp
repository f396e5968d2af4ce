#include "sdk/analytics/foundation/Hashing.h"

#include "platform/foundation/Utf8.h"
#include "platform/security/Digest.h"

namespace sdk::analytics {

std::array<std::uint8_t, 16> md5Digest(std::span<const std::uint8_t> bytes) {
  return platform::security::md5(bytes);
}

std::int64_t md5Low64Bits(std::span<const std::uint8_t> bytes) {
  auto digest = md5Digest(bytes);
  std::uint64_t value = 0;
  for (std::size_t i = 8; i < 16; ++i) value = (value << 8) | digest[i];
  return static_cast<std::int64_t>(value);
}

std::int64_t md5Low64Bits(std::string_view text) {
  return md5Low64Bits(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::optional<std::string> md5HexString(std::string_view text) {
  if (!platform::foundation::Utf8::isValid(text)) return std::nullopt;
  static constexpr char kHex[] = "0123456789abcdef";
  auto digest = md5Digest(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  std::string out;
  for (std::uint8_t byte : digest) {
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  }
  return out;
}

}  // namespace sdk::analytics

