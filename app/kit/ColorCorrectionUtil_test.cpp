#include "app/kit/ColorCorrectionUtil.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/kit/ColorPickerUtil.h"
#include "platform/log/Log.h"

namespace app::kit {

namespace {

using app::kit::Triple;

void expectNear(const Triple& actual, const Triple& expected) {
  EXPECT_NEAR(actual.a, expected.a, 1e-9);
  EXPECT_NEAR(actual.b, expected.b, 1e-9);
  EXPECT_NEAR(actual.c, expected.c, 1e-9);
}

TEST(ColorCorrectionUtilTest, NormalizeColorTruncatesAndHoldsTheByteInRange) {
  const std::pair<float, int> cases[] = {{1.0f, 255}, {0.5f, 127}, {2.0f, 255}, {0.0f, 0},
                                         {0.999f, 254}, {-0.5f, 0}, {std::nanf(""), 0}};
  for (const auto& [c, byte] : cases) EXPECT_EQ(ColorCorrectionUtil::normalizeColor(c), byte) << c;
}

TEST(ColorCorrectionUtilTest, HsvConversions) {
  expectNear(ColorCorrectionUtil::hsv2rgb(0, 0, 0.4), {0.4, 0.4, 0.4});
  expectNear(ColorCorrectionUtil::rgb2hsv(1, 0, 0), {0, 1, 1});
  expectNear(ColorCorrectionUtil::rgb2hsv(0, 0, 1), {240, 1, 1});
  expectNear(ColorCorrectionUtil::rgb2hsv(0.2, 0.2, 0.2), {0, 0, 0.2});
  expectNear(ColorCorrectionUtil::hsv2rgb(360, 1, 1), {1, 0, 0});  // 360 is the red of 0 again
  // Every sector there and back.
  for (double h : {10.0, 75.0, 130.0, 200.0, 250.0, 330.0}) {
    const Triple rgb = ColorCorrectionUtil::hsv2rgb(h, 0.6, 0.8);
    expectNear(ColorCorrectionUtil::rgb2hsv(rgb.a, rgb.b, rgb.c), {h, 0.6, 0.8});
  }
}

TEST(ColorCorrectionUtilTest, GradingAndWheelPoints) {
  EXPECT_FLOAT_EQ(ColorCorrectionUtil::colorCorrectionWithLift(0, 0, 1, 0.3f), 0.3f);
  EXPECT_FLOAT_EQ(ColorCorrectionUtil::colorCorrectionWithLift(1, 0, 1, 0.3f), 1.0f);  // full lift is white
  EXPECT_FLOAT_EQ(ColorCorrectionUtil::colorCorrectionWithLift(0, 0, 0.5f, 0.8f), 0.4f);
  EXPECT_FLOAT_EQ(ColorCorrectionUtil::colorCorrectionSaturationWithSaturation(0, 0.2f, 0.9f), 0.2f);
  EXPECT_FLOAT_EQ(ColorCorrectionUtil::colorCorrectionSaturationWithSaturation(1, 0.2f, 0.9f), 0.9f);

  expectNear(ColorCorrectionUtil::colorCorrectionWithColorHUE({0, 0.7, 0}, {0, 1}), {90, 0.7, 1});
  expectNear(ColorCorrectionUtil::colorCorrectionWithColorHUE({0, 0.7, 0}, {-2, 0}), {180, 0.7, 1});  // beyond the rim
  expectNear(ColorCorrectionUtil::colorCorrectionWithColorHUE({0, 0.7, 0}, {1.5, 1.5}), {45, 0.7, 1});
  expectNear(ColorCorrectionUtil::colorCorrectionWithColorHUE({0, 0.7, 0}, {0, 0}), {0, 0.7, 0});
  expectNear(ColorCorrectionUtil::colorCorrectionWithColorHUE({0, 0.7, 0}, {-0.3, -0.4}),
             {360 - std::acos(-0.6) * 180 / M_PI, 0.7, 0.5});

  const double third = 2 * M_PI / 3;
  expectNear(ColorCorrectionUtil::colorshiftFunction({0, 1}), {1, std::cos(third), std::cos(2 * third)});
  expectNear(ColorCorrectionUtil::colorshiftFunction({1, 0}),
             {0, std::cos(M_PI / 2 + third), std::cos(M_PI / 2 + 2 * third - 2 * M_PI)});
  expectNear(ColorCorrectionUtil::colorshiftFunction({0, -2}), {-2, 2 * std::cos(M_PI + third), 2 * std::cos(M_PI + 2 * third - 2 * M_PI)});
}

TEST(ColorCorrectionUtilTest, LookupTablesFromTiledImages) {
  // 2 x 2 tiles of 4 x 4: red grows along a tile's columns, green along its rows, blue from tile to tile.
  std::vector<uint8_t> bytes(8 * 8 * 4);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = &bytes[(y * 8 + x) * 4];
      p[0] = static_cast<uint8_t>((x % 4) * 60);
      p[1] = static_cast<uint8_t>((y % 4) * 60);
      p[2] = static_cast<uint8_t>(((y / 4) * 2 + x / 4) * 60);
      p[3] = 255;
    }
  }
  const auto cube = ColorCorrectionUtil::filterWithLUT(platform::graphics::Image::fromRGBA(8, 8, 32, bytes.data()), 4);
  ASSERT_TRUE(cube);
  EXPECT_EQ(cube->name, "CIColorCube");
  EXPECT_EQ(cube->inputCubeDimension, 4);
  ASSERT_EQ(cube->inputCubeData.size(), 4u * 4 * 4 * 4);
  for (int b = 0; b < 4; ++b) {
    for (int g = 0; g < 4; ++g) {
      for (int r = 0; r < 4; ++r) {
        const float* entry = &cube->inputCubeData[((b * 4 + g) * 4 + r) * 4];
        EXPECT_FLOAT_EQ(entry[0], r * 60 / 255.0f);
        EXPECT_FLOAT_EQ(entry[1], g * 60 / 255.0f);
        EXPECT_FLOAT_EQ(entry[2], b * 60 / 255.0f);
        EXPECT_FLOAT_EQ(entry[3], 1.0f);
      }
    }
  }

  std::vector<uint8_t> big(512 * 512 * 4, 255);
  const auto full = ColorCorrectionUtil::filterWithLUT(platform::graphics::Image::fromRGBA(512, 512, 2048, big.data()), 64);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->inputCubeData.size(), 64u * 64 * 64 * 4);

  platform::log::CapturedLines lines;
  EXPECT_FALSE(ColorCorrectionUtil::filterWithLUT(platform::graphics::Image::fromRGBA(500, 512, 2000, big.data()), 64));
  EXPECT_FALSE(ColorCorrectionUtil::filterWithLUT(platform::graphics::Image::fromRGBA(512, 512, 2048, big.data()), 0));
  EXPECT_FALSE(ColorCorrectionUtil::filterWithLUT(nullptr, 64));
  EXPECT_TRUE(lines.contains("Invalid colorLUT"));
  EXPECT_FALSE(ColorCorrectionUtil::createRGBABitmapFromImage(nullptr));
}

// Each pixel's bytes against the picker's own rule: the colour of (h, s, b), each component times 255
// and truncated.
std::array<uint8_t, 4> expectedPixel(double h, double s, double b) {
  const Triple rgb = ColorCorrectionUtil::hsv2rgb(h * 360, s, b);
  return {ColorCorrectionUtil::normalizeColor(static_cast<float>(rgb.a)),
          ColorCorrectionUtil::normalizeColor(static_cast<float>(rgb.b)),
          ColorCorrectionUtil::normalizeColor(static_cast<float>(rgb.c)), 255};
}

TEST(ColorPickerUtilTest, GridAndStripImagesPixelByPixel) {
  using Image = platform::graphics::Image;
  const auto base = platform::graphics::Color::fromHSB(0.3, 0.6, 0.9);
  struct Case {
    const char* name;
    std::shared_ptr<Image> image;
    int width, height;
    std::function<std::array<uint8_t, 4>(int c, int r)> expected;
  };
  const Case cases[] = {
      {"hue strip", ColorPickerUtil::getColorGridSlider4HUE(), 40, 360,
       [](int, int r) { return expectedPixel(r / 360.0, 1, 1); }},
      {"saturation strip", ColorPickerUtil::getColorGridSlider4Saturation(base), 40, 360,
       [](int, int r) { return expectedPixel(0.3, (360 - r) / 360.0, 0.9); }},
      {"brightness strip", ColorPickerUtil::getColorGridSlider4Brightness(base), 40, 360,
       [](int, int r) { return expectedPixel(0.3, 0.6, (360 - r) / 360.0); }},
      {"hue grid", ColorPickerUtil::getColorGrid4HUE(0.25f), 264, 264,
       [](int c, int r) { return expectedPixel(0.25, c / 264.0, (264 - r) / 264.0); }},
      {"saturation grid", ColorPickerUtil::getColorGrid4Saturation(0.5f), 264, 264,
       [](int c, int r) { return expectedPixel(c / 264.0, 0.5, (264 - r) / 264.0); }},
      {"brightness grid", ColorPickerUtil::getColorGrid4Brightness(0.75f), 264, 264,
       [](int c, int r) { return expectedPixel(c / 264.0, (264 - r) / 264.0, 0.75); }},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(c.image) << c.name;
    EXPECT_EQ(c.image->pixelWidth(), c.width) << c.name;
    EXPECT_EQ(c.image->pixelHeight(), c.height) << c.name;
    int mismatches = 0;
    for (int r = 0; r < c.height; ++r) {
      for (int col = 0; col < c.width; ++col) {
        const auto actual = c.image->pixelBytes(col, r);
        const auto expected = c.expected(col, r);
        for (int k = 0; k < 4; ++k) mismatches += std::abs(actual[k] - expected[k]) > 1;
      }
    }
    EXPECT_EQ(mismatches, 0) << c.name;
  }
  // Exact bytes where the components are exact.
  using Bytes = std::array<uint8_t, 4>;
  EXPECT_EQ(ColorPickerUtil::getColorGrid4HUE(0)->pixelBytes(0, 0), (Bytes{255, 255, 255, 255}));
  EXPECT_EQ(ColorPickerUtil::getColorGrid4HUE(0)->pixelBytes(132, 132), (Bytes{127, 63, 63, 255}));
  EXPECT_EQ(ColorPickerUtil::getColorGrid4HUE(0)->pixelBytes(263, 0), (Bytes{255, 0, 0, 255}));
  EXPECT_EQ(ColorPickerUtil::getColorGridSlider4HUE()->pixelBytes(20, 120), (Bytes{0, 255, 0, 255}));
  EXPECT_EQ(ColorPickerUtil::colorCodeFromUIColor(ColorPickerUtil::uiColorFromColorCode(0xFC3E30)), 0xFC3E30);
}

}  // namespace

}  // namespace app::kit

