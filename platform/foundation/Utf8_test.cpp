#include "platform/foundation/Utf8.h"

#include <gtest/gtest.h>

namespace platform::foundation {
namespace {

const std::string kArrows = "∞ → Ø";  // 3-, 3- and 2-byte characters around ASCII spaces

TEST(Utf8, CountsAndSlicesMultibyteTextByCodePoint) {
  EXPECT_EQ(Utf8::length(kArrows), 5u);
  EXPECT_EQ(Utf8::substring(kArrows, 2, 1), "→");
  EXPECT_EQ(Utf8::substring(kArrows, 4, 10), "Ø");
  EXPECT_EQ(Utf8::substring(kArrows, 5, 1), "");
  EXPECT_EQ(Utf8::substring(kArrows, 99), "");
  EXPECT_EQ(Utf8::substring("😀x", 1), "x");  // a four-byte character is one code point
  EXPECT_EQ(Utf8::byteOffset(kArrows, 2), 4u);
  EXPECT_EQ(Utf8::byteOffset(kArrows, 50), kArrows.size());
}

TEST(Utf8, RejectsEveryKindOfMalformedSequence) {
  EXPECT_TRUE(Utf8::isValid(kArrows));
  EXPECT_TRUE(Utf8::isValid("\xF4\x8F\xBF\xBF"));  // U+10FFFF, the last code point
  EXPECT_FALSE(Utf8::isValid("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(Utf8::isValid("\xE0\x80\xAF"));      // overlong three-byte form
  EXPECT_FALSE(Utf8::isValid("\xED\xA0\x80"));      // a UTF-16 surrogate
  EXPECT_FALSE(Utf8::isValid("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(Utf8::isValid("\xE2\x88"));          // truncated "∞"
  EXPECT_FALSE(Utf8::isValid("\x80"));              // stray continuation byte
  EXPECT_FALSE(Utf8::isValid("\xFF"));
}

TEST(Utf8, MalformedBytesCountAsOneCharacterEachAndSliceSafely) {
  const std::string broken = "a\xE2\x88" "b";  // truncated "∞" between two letters
  EXPECT_EQ(Utf8::length(broken), 4u);
  EXPECT_EQ(Utf8::substring(broken, 3), "b");
  EXPECT_EQ(Utf8::sanitized(broken), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");
  EXPECT_TRUE(Utf8::isValid(Utf8::sanitized(broken)));
  EXPECT_EQ(Utf8::decode(broken), (std::u32string{U'a', 0xFFFD, 0xFFFD, U'b'}));
}

TEST(Utf8, EncodesAndDecodesEveryLengthAndRefusesSurrogates) {
  std::u32string points{U'A', 0xE9, 0x221E, 0x1F600};
  std::string text = Utf8::encode(points);
  EXPECT_EQ(text, "Aé∞😀");
  EXPECT_EQ(Utf8::decode(text), points);
  EXPECT_EQ(Utf8::encode(std::u32string{0xD800, 0x110000}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8, CutsNeverSplitACharacter) {
  const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80";  // "a", "é" (2 bytes), "😀" (4 bytes)
  EXPECT_EQ(Utf8::cutOffset(text, 0), 0u);
  EXPECT_EQ(Utf8::cutOffset(text, 1), 1u);
  EXPECT_EQ(Utf8::cutOffset(text, 2), 1u);  // inside "é"
  EXPECT_EQ(Utf8::cutOffset(text, 3), 3u);
  for (size_t inside = 4; inside < 7; ++inside) EXPECT_EQ(Utf8::cutOffset(text, inside), 3u);
  EXPECT_EQ(Utf8::cutOffset(text, 7), 7u);
  EXPECT_EQ(Utf8::cutOffset(text, 100), 7u);
  // Stray continuation bytes are taken as the tail of what stands before them: never a cut among them.
  EXPECT_EQ(Utf8::cutOffset("\x80\x80\x80", 2), 0u);
  EXPECT_EQ(Utf8::cutOffset("ab\x80\x80", 3), 1u);
}

TEST(Utf8, CombinesSurrogatePairsOfEveryPlane) {
  EXPECT_TRUE(Utf8::isHighSurrogate(0xD800) && Utf8::isHighSurrogate(0xDBFF));
  EXPECT_FALSE(Utf8::isHighSurrogate(0xD7FF) || Utf8::isHighSurrogate(0xDC00));
  EXPECT_TRUE(Utf8::isLowSurrogate(0xDC00) && Utf8::isLowSurrogate(0xDFFF));
  EXPECT_FALSE(Utf8::isLowSurrogate(0xDBFF) || Utf8::isLowSurrogate(0xE000));
  EXPECT_EQ(Utf8::fromSurrogatePair(0xD83D, 0xDE00), char32_t{0x1F600});
  EXPECT_EQ(Utf8::fromSurrogatePair(0xD800, 0xDC00), char32_t{0x10000});
  EXPECT_EQ(Utf8::fromSurrogatePair(0xDBFF, 0xDFFF), char32_t{0x10FFFF});
}

}  // namespace
}  // namespace platform::foundation
