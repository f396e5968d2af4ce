#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

std::array<std::uint8_t, 16> APMMD5Digest(std::span<const std::uint8_t> bytes);
// The last 8 bytes of the MD5 digest of `bytes`, read big-endian.
std::int64_t apm_64LSBMD5(std::span<const std::uint8_t> bytes);
std::int64_t apm_64LSBMD5(std::string_view text);
// The MD5 digest of the text's bytes as 32 lower-case hexadecimal digits; nothing for text that is
// not valid UTF-8.
std::optional<std::string> apm_MD5String(std::string_view text);
