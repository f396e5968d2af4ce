#include <gtest/gtest.h>

#include <cmath>

#include "app/optics/FValueStringBuilder.h"
#include "app/optics/FocalLengthStringBuilder.h"
#include "app/optics/MetricFormatter.h"
#include "app/optics/MetricToImperialConversion.h"

namespace app::optics {

namespace {

using Imperial = MetricToImperialConversion;

TEST(UnitTexts, FeetAndInchTexts) {
  const std::pair<float, const char*> cases[] = {{0.0f, "<0.1''"}, {0.01f, "0.4''"}, {0.1f, "4''"},
                                                 {0.3f, "1'"},  // 11.81 inches round up into the next foot
                                                 {1.0f, "3' 3''"}, {20.0f, "65'"}};
  for (const auto& [meters, text] : cases) EXPECT_EQ(Imperial::returnFeetInchesString(meters), text) << meters;
}

TEST(UnitTexts, FeetPerMeterIsTheFourDecimalConstantBothWays) {
  // Large distances show a fifth decimal at once: 3.28084 would give 32808.4 feet and 9999.88 m here.
  EXPECT_EQ(Imperial::returnFeet(10000.0f), 32808.0f);
  EXPECT_EQ(Imperial::returnMeters("32808'"), 10000.0f);
}

TEST(UnitTexts, FeetAndInchTextsReadBackAsMeters) {
  // Inches typed without their mark still count.
  const std::pair<const char*, float> cases[] = {
      {"5'", 1.524f},   {"5'6\"", 1.6764f}, {"5' 6''", 1.6764f}, {"5'6", 1.6764f}, {"6\"", 0.1524f},
      {"7''", 0.1778f}, {"12", 3.6576f},    {"6\"\"", 0.0f},     {"ft", 0.0f},     {"", 0.0f}};
  for (const auto& [text, meters] : cases) EXPECT_NEAR(Imperial::returnMeters(text), meters, 1e-4) << text;
  EXPECT_EQ(Imperial::returnMeters("1e60'"), INFINITY);
}

TEST(UnitTexts, MeterFocalLengthAndApertureTexts) {
  // Meter texts lose decimals as the distance grows.
  const std::pair<float, const char*> meters[] = {{0.005f, "0.005m"}, {1.234f, "1.23m"}, {9.949f, "9.95m"},
                                                  {12.34f, "12.3m"},  {25.6f, "26m"},    {2.0f, "2.00m"}};
  for (const auto& [value, text] : meters) EXPECT_EQ(MetricFormatter::meterValue(value), text);
  EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringWithValue(24.5f), "24.5mm");
  EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringForCaptionWithValue(35.0f), "35");
  // A text that already carries its unit gets no second one.
  const std::pair<const char*, const char*> focalLengths[] = {
      {"50.0mm", "50mm"}, {"50.0", "50mm"}, {"50", "50mm"}, {"24.5mm", "24.5mm"}, {"50mm", "50mm"}, {"24.5", "24.5mm"}};
  for (const auto& [text, shown] : focalLengths) {
    EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringFromString(text), shown) << text;
  }
  const std::pair<float, const char*> apertures[] = {{10.85f, "11"}, {10.7f, "10"}, {16.5f, "16"}, {5.65f, "5.6"},
                                                     {2.8f, "2.8"},  {4.0f, "4"},   {1.45f, "1.5"}};
  for (const auto& [value, text] : apertures) EXPECT_EQ(FValueStringBuilder::fStringFromFloat(value), text);
}

}  // namespace

}  // namespace app::optics

