#include "app/model/NumericText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(NumericText, ReadsTheLeadingNumberLeniently) {
  EXPECT_FLOAT_EQ(NumericText::floatValue("  5.5ft"), 5.5f);
  EXPECT_FLOAT_EQ(NumericText::floatValue("-3"), -3.0f);
  EXPECT_FLOAT_EQ(NumericText::floatValue("+2"), 2.0f);
  EXPECT_FLOAT_EQ(NumericText::floatValue(".5"), 0.5f);
  EXPECT_FLOAT_EQ(NumericText::floatValue("5."), 5.0f);
  EXPECT_FLOAT_EQ(NumericText::floatValue("12e"), 12.0f);
  EXPECT_FLOAT_EQ(NumericText::floatValue("1.5e2x"), 150.0f);
  EXPECT_EQ(NumericText::floatValue("abc"), 0.0f);
  EXPECT_EQ(NumericText::floatValue(""), 0.0f);
  EXPECT_EQ(NumericText::floatValue("-"), 0.0f);
  EXPECT_EQ(NumericText::floatValue("."), 0.0f);
}

TEST(NumericText, OutOfRangeNumbersSaturate) {
  EXPECT_EQ(NumericText::floatValue("1e300"), INFINITY);
  EXPECT_EQ(NumericText::floatValue("-1e300"), -INFINITY);
  EXPECT_EQ(NumericText::doubleValue("1e400"), INFINITY);
  EXPECT_EQ(NumericText::doubleValue("1e-400"), 0.0);
}

TEST(NumericText, FiltersAndReplacements) {
  EXPECT_EQ(NumericText::keepingOnly("T2.1", "0123456789.,"), "2.1");
  EXPECT_EQ(NumericText::replacingAll("2,39:1,0", ",", "."), "2.39:1.0");
  EXPECT_EQ(NumericText::replacingAll("abc", "", "x"), "abc");
  EXPECT_TRUE(NumericText::hasPrefix("Prime Lens", "Prime"));
  EXPECT_FALSE(NumericText::hasSuffix("50", ".0"));
}

}  // namespace
