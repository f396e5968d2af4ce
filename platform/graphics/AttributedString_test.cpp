#include "platform/graphics/AttributedString.h"

#include <gtest/gtest.h>

namespace platform::graphics {
namespace {

using Runs = std::vector<AttributedString::Run>;

const TextAttributes kRed{.foregroundColor = Color::redColor()};
const TextAttributes kBlue{.foregroundColor = Color::blueColor()};

TEST(AttributedString, RangesCountCodePointsNotBytes) {
  AttributedString s("Ø°x");  // two bytes, two bytes, one byte
  EXPECT_EQ(s.length(), 3u);
  EXPECT_EQ(s.byteOffset(1), 2u);
  EXPECT_EQ(s.byteOffset(2), 4u);
  EXPECT_EQ(s.byteOffset(3), 5u);
  EXPECT_EQ(s.byteOffset(40), 5u) << "past the end is the end";

  s.addAttributes(kRed, 1, 100);  // reaches past the end: cut there
  s.addAttributes(kBlue, 3, 1);   // starts at the end: nothing to colour
  EXPECT_EQ(s.runs(), (Runs{{0, 1, {}}, {1, 2, kRed}}));
}

TEST(AttributedString, BrokenBytesBecomeReplacementCharactersAndKeepRangesInPlace) {
  // A stray continuation byte and a cut-off two-byte sequence: one character each.
  AttributedString s(std::string("a\x80" "b\xC3", 4));
  EXPECT_EQ(s.string(), "a\uFFFDb\uFFFD");
  EXPECT_EQ(s.length(), 4u);
  s.addAttributes(kRed, 2, 1);
  EXPECT_EQ(s.byteOffset(2), 4u);
  EXPECT_EQ(s.runs(), (Runs{{0, 2, {}}, {2, 1, kRed}, {3, 1, {}}}));
}

TEST(AttributedString, LaterRangesWinAndEqualNeighboursJoin) {
  AttributedString s("abcdef");
  s.addAttributes(kRed, 0, 4);
  s.addAttributes(kBlue, 2, 2);
  s.addAttributes({.kern = 1.5}, 3, 3);
  EXPECT_EQ(s.attributesAt(3), (TextAttributes{.foregroundColor = Color::blueColor(), .kern = 1.5}));
  s.addAttributes(kRed, 2, 1);  // back to red: the first three characters are one run again
  EXPECT_EQ(s.runs(), (Runs{{0, 3, kRed},
                                        {3, 1, {.foregroundColor = Color::blueColor(), .kern = 1.5}},
                                        {4, 2, {.kern = 1.5}}}));
}

TEST(AttributedString, AppendingKeepsEachPartsAttributesInPlace) {
  AttributedString s("f/", kRed);
  s.append(AttributedString("∞", kBlue));
  s.append(AttributedString("mm"));
  EXPECT_EQ(s.string(), "f/∞mm");
  EXPECT_EQ(s.length(), 5u);
  EXPECT_EQ(s.runs(), (Runs{{0, 2, kRed}, {2, 1, kBlue}, {3, 2, {}}}));
  EXPECT_EQ(s, s);
  EXPECT_FALSE(s == AttributedString("f/∞mm"));
}

}  // namespace
}  // namespace platform::graphics
