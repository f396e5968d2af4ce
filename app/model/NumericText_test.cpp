#include "app/model/NumericText.h"

#include <gtest/gtest.h>

#include <cmath>

using app::model::NumericText;

namespace app::model {

namespace {

TEST(NumericText, ReadsTheLeadingNumberLenientlyAndSaturates) {
  const std::pair<const char*, float> cases[] = {
      {"  5.5ft", 5.5f}, {"-3", -3.0f},       {"+2", 2.0f},         {".5", 0.5f}, {"5.", 5.0f},
      {"12e", 12.0f},    {"1.5e2x", 150.0f},  {"abc", 0.0f},        {"", 0.0f},   {"-", 0.0f},
      {".", 0.0f},       {"1e300", INFINITY}, {"-1e300", -INFINITY}};
  for (const auto& [text, value] : cases) EXPECT_EQ(NumericText::floatValue(text), value) << text;
  EXPECT_EQ(NumericText::doubleValue("1e400"), INFINITY);
  EXPECT_EQ(NumericText::doubleValue("1e-400"), 0.0);
}

TEST(NumericText, FiltersAndReplacements) {
  EXPECT_EQ(NumericText::keepingOnly("T2.1", "0123456789.,"), "2.1");
  EXPECT_EQ(NumericText::replacingAll("2,39:1,0", ",", "."), "2.39:1.0");
  EXPECT_EQ(NumericText::replacingAll("abc", "", "x"), "abc");
}

}  // namespace

}  // namespace app::model

