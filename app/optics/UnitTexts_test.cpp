#include <gtest/gtest.h>

#include <cmath>

#include "app/optics/FValueStringBuilder.h"
#include "app/optics/FocalLengthStringBuilder.h"
#include "app/optics/MetricFormatter.h"
#include "app/optics/MetricToImperialConversion.h"

namespace {

using Imperial = MetricToImperialConversion;

TEST(UnitTexts, FeetAndInchTexts) {
  EXPECT_EQ(Imperial::returnFeetInchesString(0.0f), "<0.1''");
  EXPECT_EQ(Imperial::returnFeetInchesString(0.01f), "0.4''");
  EXPECT_EQ(Imperial::returnFeetInchesString(0.1f), "4''");
  EXPECT_EQ(Imperial::returnFeetInchesString(0.3f), "1'");  // 11.81 inches round up into the next foot
  EXPECT_EQ(Imperial::returnFeetInchesString(1.0f), "3' 3''");
  EXPECT_EQ(Imperial::returnFeetInchesString(20.0f), "65'");
  EXPECT_NO_THROW(Imperial::returnFeetInchesString(NAN));
  EXPECT_NO_THROW(Imperial::returnFeetInchesString(INFINITY));
  EXPECT_NO_THROW(Imperial::returnFeetInchesString(-3.0f));
  EXPECT_FLOAT_EQ(Imperial::returnFeet(1.0f), 3.2808f);
}

TEST(UnitTexts, FeetAndInchTextsReadBackAsMeters) {
  EXPECT_NEAR(Imperial::returnMeters("5'"), 1.524, 1e-4);
  EXPECT_NEAR(Imperial::returnMeters("5'6\""), 1.6764, 1e-4);
  EXPECT_NEAR(Imperial::returnMeters("5'6''"), 1.6764, 1e-4);
  EXPECT_NEAR(Imperial::returnMeters("5' 6''"), 1.6764, 1e-4);
  // Inches typed without their mark still count.
  EXPECT_NEAR(Imperial::returnMeters("5'6"), 1.6764, 1e-4);
  EXPECT_NEAR(Imperial::returnMeters("6\""), 0.1524, 1e-4);
  EXPECT_NEAR(Imperial::returnMeters("7''"), 0.1778, 1e-4);
  EXPECT_NEAR(Imperial::returnMeters("12"), 3.6576, 1e-4);
  EXPECT_EQ(Imperial::returnMeters("6\"\""), 0.0f);
  EXPECT_EQ(Imperial::returnMeters("ft"), 0.0f);
  EXPECT_EQ(Imperial::returnMeters(""), 0.0f);
  EXPECT_EQ(Imperial::returnMeters("1e60'"), INFINITY);
}

TEST(UnitTexts, MeterTextsLoseDecimalsAsDistanceGrows) {
  EXPECT_EQ(MetricFormatter::meterValue(0.005f), "0.005m");
  EXPECT_EQ(MetricFormatter::meterValue(1.234f), "1.23m");
  EXPECT_EQ(MetricFormatter::meterValue(9.949f), "9.95m");
  EXPECT_EQ(MetricFormatter::meterValue(12.34f), "12.3m");
  EXPECT_EQ(MetricFormatter::meterValue(25.6f), "26m");
  EXPECT_EQ(MetricFormatter::meterValue(1234.0f), "1234m");
  EXPECT_EQ(MetricFormatter::meterValue(2.0f), "2.00m");
}

TEST(UnitTexts, FocalLengthTexts) {
  EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringWithValue(50.0f), "50mm");
  EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringWithValue(24.5f), "24.5mm");
  EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringWithValue2(24.5f), "24.5");
  EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringForCaptionWithValue(35.0f), "35");
  for (const char* text : {"50.0mm", "50.0", "50"}) {
    EXPECT_EQ(FocalLengthStringBuilder::getFocalLengthStringFromString(text), "50mm") << text;
  }
}

TEST(UnitTexts, ApertureTexts) {
  EXPECT_EQ(FValueStringBuilder::fStringFromFloat(10.85f), "11");
  EXPECT_EQ(FValueStringBuilder::fStringFromFloat(10.7f), "10");
  EXPECT_EQ(FValueStringBuilder::fStringFromFloat(16.5f), "16");
  EXPECT_EQ(FValueStringBuilder::fStringFromFloat(5.65f), "5.6");
  EXPECT_EQ(FValueStringBuilder::fStringFromFloat(2.8f), "2.8");
  EXPECT_EQ(FValueStringBuilder::fStringFromFloat(4.0f), "4");
  EXPECT_EQ(FValueStringBuilder::fStringFromFloat(1.45f), "1.5");
  EXPECT_NO_THROW(FValueStringBuilder::fStringFromFloat(NAN));
}

}  // namespace
