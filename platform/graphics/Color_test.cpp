#include "platform/graphics/Color.h"

#include <gtest/gtest.h>

#include <cmath>

namespace platform::graphics {
namespace {

TEST(Color, CodeRoundTripsBytesAndTruncates) {
  Color accent = Color::fromBytes(0, 180, 248);
  EXPECT_EQ(accent.code(), 0x00B4F8);
  EXPECT_EQ(Color::fromCode(0x00B4F8), accent);
  EXPECT_EQ(Color::fromCode(0x00B4F8).alpha(), 1);
  // 0.999 x 255 = 254.7: the code truncates, it does not round.
  EXPECT_EQ(Color(0.999, 0, 0).code(), 0xFE0000);
  EXPECT_EQ(Color::fromCode(static_cast<int32_t>(0xFFFFFFFF)), Color::whiteColor()) << "high byte is ignored";
}

TEST(Color, HueSaturationBrightnessRoundTrip) {
  for (double h : {0.0, 0.1, 0.33, 0.5, 0.72, 0.95}) {
    Color c = Color::fromHSB(h, 0.6, 0.8, 0.5);
    Color::HSB back = c.hsb();
    EXPECT_NEAR(back.hue, h, 1e-9);
    EXPECT_NEAR(back.saturation, 0.6, 1e-9);
    EXPECT_NEAR(back.brightness, 0.8, 1e-9);
    EXPECT_EQ(back.alpha, 0.5);
  }
  EXPECT_EQ(Color::fromHSB(1.0, 1, 1), Color::redColor()) << "hue 1 wraps to red";
  EXPECT_EQ(Color::fromHSB(0.5, 0, 0.25), Color::withWhite(0.25)) << "no saturation is grey";
  EXPECT_EQ(Color::grayColor().hsb().saturation, 0);
}

TEST(Color, ComponentsAreClampedAndNaNIsZero) {
  Color c(1.5, -1, NAN, 2);
  EXPECT_EQ(c, Color(1, 0, 0, 1));
  EXPECT_NEAR(Color::redColor().perceivedBrightness(), 0.299, 1e-12);
  EXPECT_LT(Color::withWhite(0.5).perceivedBrightness(), 0.5 + 1e-12);
}

}  // namespace
}  // namespace platform::graphics
