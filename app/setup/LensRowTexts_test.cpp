#include "app/setup/LensRowTexts.h"

#include <gtest/gtest.h>

namespace app::setup {

namespace {

using app::setup::LensRowTexts;

model::LensManufacturer series(float squeeze, int origin) {
  return model::LensManufacturer(7, "Maker", "Series", "Prime Lens", 0, squeeze, origin);
}

model::LensObject lens(const char* type, float focal, float focalMax = 0) {
  model::LensObject lens;
  lens.lensType = type;
  lens.focalLength = focal;
  lens.focalLengthMax = focalMax;
  return lens;
}

TEST(LensRowTexts, SqueezeLabelNamesAnamorphicAndTheUsersOwnSeries) {
  struct Case {
    float squeeze;
    int origin;
    const char* text;
  } cases[] = {
      {2.0f, 0, "2x ANA"},
      {1.33f, 0, "1.33x ANA"},
      {1.33f, 1, "1.33x ANA  |  CUSTOM"},
      {1.0f, 1, "CUSTOM"},
      {1.0f, 0, ""},
      {-1.0f, 0, "-1x ANA"},
      {2.0f, 5, ""},
      {1.0f, 5, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LensRowTexts::squeezeText(series(c.squeeze, c.origin)), c.text) << c.squeeze << " " << c.origin;
  }
}

TEST(LensRowTexts, PrimeAndZoomTitlesDropATrailingZero) {
  EXPECT_EQ(LensRowTexts::title(lens("Prime Lens", 35)), "35mm");
  EXPECT_EQ(LensRowTexts::title(lens("Prime Lens", 18.5f)), "18.5mm");
  EXPECT_EQ(LensRowTexts::title(lens("Zoom Lens", 24, 70)), "24 - 70mm");
  EXPECT_EQ(LensRowTexts::title(lens("Zoom Lens", 14.5f, 35)), "14.5 - 35mm");
  // A lens of no known type is drawn as a zoom.
  EXPECT_EQ(LensRowTexts::title(lens("", 24, 70)), "24 - 70mm");
}

TEST(LensRowTexts, CloseFocusFollowsTheMeasurementSystem) {
  auto prime = lens("Prime Lens", 50);
  EXPECT_EQ(LensRowTexts::closeFocus(prime, 0), "");
  EXPECT_EQ(LensRowTexts::closeFocus(prime, 1), "");
  prime.closeFocus = "0.45m | 1'6\"";
  EXPECT_EQ(LensRowTexts::closeFocus(prime, 0), "CF 0.45m");
  EXPECT_EQ(LensRowTexts::closeFocus(prime, 1), "CF 1'6\"");
  EXPECT_EQ(LensRowTexts::closeFocus(prime, 2), "CF 1'6\"");
  // Without the bar the whole text stands in both systems.
  auto zoom = lens("Zoom Lens", 24, 70);
  zoom.closeFocus = "0.6m";
  EXPECT_EQ(LensRowTexts::closeFocus(zoom, 0), "CF 0.6m");
  EXPECT_EQ(LensRowTexts::closeFocus(zoom, 1), "CF 0.6m");
}

TEST(LensRowTexts, TheUsersOwnLensSaysCustomInPlaceOfItsComment) {
  auto prime = lens("Prime Lens", 50);
  prime.comment = "Rehoused";
  EXPECT_EQ(LensRowTexts::comment(prime), "Rehoused");
  prime.custom = 1;
  EXPECT_EQ(LensRowTexts::comment(prime), "CUSTOM");
}

TEST(LensRowTexts, CountSaysOneLensBelowTwo) {
  EXPECT_EQ(LensRowTexts::lensCount(0), "1 Lens");
  EXPECT_EQ(LensRowTexts::lensCount(1), "1 Lens");
  EXPECT_EQ(LensRowTexts::lensCount(2), "2 Lenses");
  EXPECT_EQ(LensRowTexts::lensCount(12), "12 Lenses");
}

}  // namespace

}  // namespace app::setup

