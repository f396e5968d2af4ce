#include "app/kit/UIConstants.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/kit/ColorBrightnessUtil.h"
#include "app/kit/KitTestSupport.h"
#include "app/kit/StyledViews.h"
#include "platform/ui/Window.h"

namespace app::kit {

namespace {

using ostrel::testing::bytes;
using ostrel::testing::KitTestEnvironment;
using ostrel::testing::Rgb;
using platform::graphics::Color;

class ThemeTest : public ::testing::Test {
 protected:
  KitTestEnvironment env;
};

struct ThemedCase {
  const char* name;
  Color (*color)();
  Rgb light;
  Rgb dark;
};

// The colours whose dark value comes through another colour method, and a few plain ones.
const ThemedCase kThemed[] = {
    {"primaryBG", UIConstants::primaryBG, {253, 253, 253}, {36, 37, 38}},
    {"alertBGColor", UIConstants::alertBGColor, {253, 253, 253}, {51, 53, 54}},
    {"tableViewSeparator", UIConstants::tableViewSeparator, {216, 216, 216}, {10, 11, 12}},
    {"tableViewRowActionGrey", UIConstants::tableViewRowActionGrey, {170, 170, 170}, {60, 62, 63}},
    {"greyButtonsText", UIConstants::greyButtonsText, {240, 240, 240}, {128, 128, 128}},
    {"cameraSetupButtonsColor", UIConstants::cameraSetupButtonsColor, {253, 253, 253}, {43, 45, 46}},
    {"borderCameraSetupColor", UIConstants::borderCameraSetupColor, {230, 230, 230}, {36, 37, 38}},
    {"framelineSeparator", UIConstants::framelineSeparator, {216, 216, 216}, {43, 45, 46}},
    {"framelineSensorFill", UIConstants::framelineSensorFill, {248, 248, 248}, {51, 53, 54}},
    {"framelineSensorBorder", UIConstants::framelineSensorBorder, {170, 170, 170}, {100, 100, 100}},
    {"textFieldPlaceholder", UIConstants::textFieldPlaceholder, {230, 230, 230}, {60, 62, 63}},
    {"filterBarColor", UIConstants::filterBarColor, {248, 248, 248}, {43, 45, 46}},
    {"maxContrastText", UIConstants::maxContrastText, {0, 0, 0}, {255, 255, 255}},
    {"topBarColor", UIConstants::topBarColor, {51, 53, 54}, {51, 53, 54}},
    {"guideBGColor", UIConstants::guideBGColor, {0, 169, 233}, {0, 169, 233}},
    {"gradientColorBottom", UIConstants::gradientColorBottom, {248, 248, 248}, {38, 39, 40}},
};

TEST_F(ThemeTest, WithoutAPreferenceFileEveryColourIsLight) {
  EXPECT_FALSE(UIConstants::appInDarkMode());
  for (const auto& c : kThemed) EXPECT_EQ(bytes(c.color()), c.light) << c.name;
  EXPECT_EQ(UIConstants::maxContrastText(), Color::blackColor());
}

TEST_F(ThemeTest, EachColourFollowsTheFlagAsLastSaved) {
  for (bool dark : {true, false, true}) {
    KitTestEnvironment::setDarkMode(dark);
    EXPECT_EQ(UIConstants::appInDarkMode(), dark);
    for (const auto& c : kThemed) EXPECT_EQ(bytes(c.color()), dark ? c.dark : c.light) << c.name << " dark " << dark;
  }
  EXPECT_EQ(UIConstants::disableShading().alpha(), 0.7);
  EXPECT_EQ(UIConstants::mainViewDarkGBtransparent().alpha(), 0.0);
}

TEST_F(ThemeTest, AFileThatCannotBeReadOrLacksTheKeyIsLight) {
  KitTestEnvironment::setDarkMode(true);
  EXPECT_TRUE(UIConstants::appInDarkMode());
  std::ofstream(state::FramesObject::preferencePath()) << "<plist><dict><key>SETTINGS_APPINDARKMODE</key><tr";
  app::state::SavedThemeFlag::fileChanged();
  EXPECT_FALSE(UIConstants::appInDarkMode());
  platform::foundation::PropertyList::writeFile(
      state::FramesObject::preferencePath(), platform::foundation::Value(platform::foundation::Dictionary{{"Version", 32}}),
      platform::foundation::PropertyList::Format::Xml);
  app::state::SavedThemeFlag::fileChanged();
  EXPECT_FALSE(UIConstants::appInDarkMode());
  EXPECT_EQ(bytes(UIConstants::primaryBG()), (Rgb{253, 253, 253}));
}

TEST_F(ThemeTest, FontsAndKerning) {
  EXPECT_EQ(UIConstants::romanFontWithSize(12).fontName(), "Avenir-Roman");
  EXPECT_EQ(UIConstants::mediumFontWithSize(24).resolvedFace(), "Lato Medium");
  EXPECT_EQ(UIConstants::heavyFontWithSize(12).resolvedFace(), "Lato Heavy");
  EXPECT_EQ(UIConstants::heavyFontWithSize(12).pointSize(), 12);

  EXPECT_TRUE(UIConstants::kerningWithString("").empty());
  EXPECT_TRUE(UIConstants::kerningWithString("").runs().empty() ||
              UIConstants::kerningWithString("").runs().front().length == 0);
  const auto kerned = UIConstants::kerningWithString("Größe");
  ASSERT_EQ(kerned.runs().size(), 1u);
  EXPECT_EQ(kerned.runs()[0].length, 5u);
  platform::graphics::TextAttributes onlyKern;
  onlyKern.kern = 1;
  EXPECT_EQ(kerned.runs()[0].attributes, onlyKern);
}

TEST(ColorBrightnessUtilTest, DarkIsPerceivedBrightnessBelowOneHalf) {
  struct Case {
    std::optional<Color> color;
    bool dark;
    std::optional<Color> label;
  };
  const Case cases[] = {
      {Color::redColor(), true, Color::whiteColor()},      // 0.299
      {Color::greenColor(), false, Color::blackColor()},   // 0.587
      {Color::withWhite(0.5), false, Color::blackColor()}, // exactly 0.5 is not dark
      {Color::fromHSB(0.5, 1, 1), false, Color::blackColor()},
      {Color::blueColor(), true, Color::whiteColor()},
      {std::nullopt, false, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColorBrightnessUtil::isColorDark(c.color), c.dark);
    EXPECT_EQ(ColorBrightnessUtil::labelColorForBGColor(c.color), c.label);
  }
}

}  // namespace

}  // namespace app::kit

