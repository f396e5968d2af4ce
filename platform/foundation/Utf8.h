#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::foundation {

// UTF-8 text measured and cut in Unicode code points, the unit that every character count in the
// product uses. Malformed input never throws: each byte that does not start a well-formed sequence
// counts as one code point (U+FFFD when decoded), so counting and slicing agree with each other.
class Utf8 {
 public:
  static constexpr char32_t kReplacement = 0xFFFD;
  static constexpr size_t npos = std::string::npos;

  // Strict validation: no overlong forms, no surrogates, nothing above U+10FFFF, no truncated tail.
  static bool isValid(std::string_view text);
  static size_t length(std::string_view text);

  // Up to `length` code points starting at code point `from`; out-of-range parts are simply empty.
  static std::string substring(std::string_view text, size_t from, size_t length = npos);
  // Byte offset of code point `index`, or text.size() when the text is shorter.
  static size_t byteOffset(std::string_view text, size_t index);
  // Where to cut `text` to keep at most `maxBytes` bytes without splitting a character: `maxBytes`, or
  // less where that would fall inside one (before a continuation byte); text.size() when it is shorter.
  static size_t cutOffset(std::string_view text, size_t maxBytes);
  // Replaces every malformed byte with U+FFFD.
  static std::string sanitized(std::string_view text);

  // Decodes the code point starting at `offset` and advances it (by 1 for a malformed byte).
  static char32_t next(std::string_view text, size_t& offset);
  static std::u32string decode(std::string_view text);
  // Appends one code point; surrogates and values above U+10FFFF become U+FFFD.
  static void append(std::string& out, char32_t codePoint);
  static std::string encode(std::u32string_view codePoints);

  // UTF-16 text met on the way in (strings tables, escapes, script strings): the two halves of a
  // surrogate pair, and the code point a high half followed by a low half stands for.
  static bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
  static bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
  static char32_t fromSurrogatePair(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
  }
};

}  // namespace platform::foundation
