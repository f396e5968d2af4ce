#include "sdk/analytics/rules/ScriptText.h"

#include <cstdint>

#include "platform/foundation/Utf8.h"

namespace sdk::analytics {

std::u16string utf16FromUTF8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out.push_back(byte);
      ++i;
      continue;
    }
    // A malformed byte reads as U+FFFD, one for each.
    std::uint32_t c = platform::foundation::Utf8::next(text, i);
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string utf8FromUTF16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (platform::foundation::Utf8::isHighSurrogate(c) && i + 1 < text.size() &&
        platform::foundation::Utf8::isLowSurrogate(text[i + 1])) {
      c = platform::foundation::Utf8::fromSurrogatePair(c, text[i + 1]);
      ++i;
    }
    // A lone surrogate becomes U+FFFD.
    platform::foundation::Utf8::append(out, c);
  }
  return out;
}

std::u16string utf16Literal(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace sdk::analytics

