#include "app/setup/LensFormValues.h"

#include <gtest/gtest.h>

namespace app::setup {

namespace {

using app::setup::LensFormValues;

TEST(LensFormValues, TheSqueezeFieldEditsItsNumberAndNamesItsKind) {
  EXPECT_EQ(LensFormValues::squeezeEditingText("1x | Spherical"), "1");
  EXPECT_EQ(LensFormValues::squeezeEditingText("1,33x | Anamorphic"), "1,33");
  EXPECT_EQ(LensFormValues::squeezeEditingText("2"), "2");
  EXPECT_EQ(LensFormValues::squeezeDisplayText(""), "1x | Spherical");
  EXPECT_EQ(LensFormValues::squeezeDisplayText("1"), "1x | Spherical");
  EXPECT_EQ(LensFormValues::squeezeDisplayText("1.0"), "1.0x | Spherical");
  EXPECT_EQ(LensFormValues::squeezeDisplayText("1,0"), "1,0x | Spherical");
  EXPECT_EQ(LensFormValues::squeezeDisplayText("2"), "2x | Anamorphic");
  EXPECT_EQ(LensFormValues::squeezeDisplayText("0.5"), "0.5x | Anamorphic");
}

TEST(LensFormValues, ASqueezeIsAPositiveFiniteLeadingNumber) {
  EXPECT_EQ(LensFormValues::squeeze("1,33x | Anamorphic"), 1.33f);
  EXPECT_EQ(LensFormValues::squeeze("0.5"), 0.5f);
  for (const char* refused : {"0", "-1", "-1x | Anamorphic", "x", "", "1e39", "inf", "nan"}) {
    EXPECT_FALSE(LensFormValues::squeeze(refused)) << refused;
  }
}

TEST(LensFormValues, RecordsCarryTheSeriesAndAZoomRunsFromShortToLong) {
  auto series = LensFormValues::series("Mine", 1.5f, false);
  EXPECT_EQ(series.manufacturerId, -1);
  EXPECT_EQ(series.lensType, "Zoom Lens");
  EXPECT_EQ(series.series, "");
  EXPECT_EQ(series.origin, 1);
  series.manufacturerId = 7;
  const auto reversed = LensFormValues::zoom(series, 50, 17);
  EXPECT_EQ(reversed.focalLength, 17);
  EXPECT_EQ(reversed.focalLengthMax, 50);
  EXPECT_EQ(reversed.manufacturerId, 7);
  EXPECT_EQ(reversed.anamorphic, 1.5f);
  EXPECT_EQ(reversed.lensType, "Zoom Lens");
  const auto fixed = LensFormValues::zoom(series, 35, 35);
  EXPECT_EQ(fixed.focalLength, 35);
  EXPECT_EQ(fixed.focalLengthMax, 35);
  const auto prime = LensFormValues::prime(series, 35.5f);
  EXPECT_EQ(prime.lensType, "Prime Lens");
  EXPECT_EQ(prime.focalLength, 35.5f);
  EXPECT_EQ(prime.closeFocus, "");
  EXPECT_EQ(prime.custom, 1);
  EXPECT_EQ(LensFormValues::series("Mine", 1, true).lensType, "Prime Lens");
}

}  // namespace

}  // namespace app::setup

