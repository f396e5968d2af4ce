#include "platform/foundation/NumberFormatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace platform::foundation {
namespace {

// The display formatter: decimal style, "." and no grouping, with the digits fixed per value.
NumberFormatter display(int minimum, int maximum) {
  NumberFormatter formatter;
  formatter.setNumberStyle(NumberFormatter::Style::Decimal);
  formatter.setDecimalSeparator(".");
  formatter.setGroupingSeparator("");
  formatter.setMinimumFractionDigits(minimum);
  formatter.setMaximumFractionDigits(maximum);
  return formatter;
}

TEST(NumberFormatter, RoundsHalfToEvenOnTheExactBinaryValue) {
  struct Case {
    double value;
    int digits;
    const char* text;
  } cases[] = {
      {0.125, 2, "0.12"},  {0.375, 2, "0.38"}, {2.5, 0, "2"},       {3.5, 0, "4"},
      {-2.5, 0, "-2"},     {2.675, 2, "2.67"},  // 2.675 is stored just below the tie
      {1.005, 2, "1"},     {0.005, 3, "0.005"}, {1.234, 2, "1.23"}, {9.949, 2, "9.95"},
      {12.34, 1, "12.3"},  {25.6, 0, "26"},     {0.5, 0, "0"},      {1.5, 0, "2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(display(0, c.digits).stringFromNumber(c.value), c.text) << c.value << " with " << c.digits;
  }
}

TEST(NumberFormatter, FractionDigitLimits) {
  EXPECT_EQ(display(2, 2).stringFromNumber(3.0), "3.00");
  EXPECT_EQ(display(0, 2).stringFromNumber(3.10), "3.1");

  NumberFormatter formatter = display(0, 0);
  formatter.setMinimumFractionDigits(4);  // pulls the maximum up
  EXPECT_EQ(formatter.stringFromNumber(1.5), "1.5000");
  formatter.setMaximumFractionDigits(-3);  // pushes the minimum down to 0
  EXPECT_EQ(formatter.stringFromNumber(1.75), "2");
}

TEST(NumberFormatter, StylesSeparatorsAndSigns) {
  NumberFormatter plain;
  EXPECT_EQ(plain.stringFromNumber(1234.56), "1235");  // no style: whole numbers, no grouping

  NumberFormatter decimal;
  decimal.setNumberStyle(NumberFormatter::Style::Decimal);
  EXPECT_EQ(decimal.stringFromNumber(1234567.8912), "1,234,567.891");
  decimal.setGroupingSeparator("");
  EXPECT_EQ(decimal.stringFromNumber(1234567.8912), "1234567.891");
  decimal.setDecimalSeparator(",");
  EXPECT_EQ(decimal.stringFromNumber(-0.5), "-0,5");
  EXPECT_EQ(decimal.stringFromNumber(-0.0001), "0");  // rounds to zero: no "-0"
  EXPECT_EQ(display(0, 2).stringFromNumber(1e20), "100000000000000000000");
}

TEST(NumberFormatter, ValuesWithoutDigitsNeverFail) {
  NumberFormatter formatter = display(2, 2);
  EXPECT_EQ(formatter.stringFromNumber(std::nan("")), "NaN");
  EXPECT_EQ(formatter.stringFromNumber(std::numeric_limits<double>::infinity()), "∞");
  EXPECT_EQ(formatter.stringFromNumber(-std::numeric_limits<double>::infinity()), "-∞");
  formatter.setMaximumFractionDigits(100000);  // capped, not a giant allocation
  EXPECT_LE(formatter.stringFromNumber(std::numeric_limits<double>::denorm_min()).size(), 400u);
}

}  // namespace
}  // namespace platform::foundation
