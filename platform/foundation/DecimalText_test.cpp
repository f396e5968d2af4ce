#include "platform/foundation/DecimalText.h"

#include <gtest/gtest.h>

using platform::foundation::readDecimalNumber;

TEST(DecimalText, TakesBlanksBeforeASignedNumberAndRefusesTheRest) {
  for (const auto& [text, number] : std::initializer_list<std::pair<const char*, double>>{
           {"3600", 3600}, {"+3600", 3600}, {" \t3600", 3600}, {" -2.5", -2.5}, {"3.6e3", 3600}, {".5", 0.5}, {"-0", 0}}) {
    const auto read = readDecimalNumber(text);
    ASSERT_TRUE(read) << text;
    EXPECT_EQ(*read, number) << text;
  }
  for (const char* text : {"", "  ", "+", "+-1", "--1", "1 ", "36OO", "0x10", "inf", "+nan", "1e", "1e999", "1,5"}) {
    EXPECT_FALSE(readDecimalNumber(text)) << text;
  }
}
