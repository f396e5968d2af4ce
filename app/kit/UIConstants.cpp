#include "app/kit/UIConstants.h"

#include "app/state/SavedThemeFlag.h"

namespace app::kit {

namespace {

using platform::graphics::Color;

constexpr Color rgb(int r, int g, int b, double alpha = 1.0) { return Color::fromBytes(r, g, b, alpha); }

// One read of the flag per call: the light or the dark value.
Color themed(const Color& light, const Color& dark) { return UIConstants::appInDarkMode() ? dark : light; }

}  // namespace

bool UIConstants::appInDarkMode() { return app::state::SavedThemeFlag::isDark(); }

UIConstants::Font UIConstants::romanFontWithSize(double size) { return Font::named("Avenir-Roman", size); }
UIConstants::Font UIConstants::mediumFontWithSize(double size) { return Font::named("Avenir-Medium", size); }
UIConstants::Font UIConstants::heavyFontWithSize(double size) { return Font::named("Avenir-Heavy", size); }

platform::graphics::AttributedString UIConstants::kerningWithString(const std::string& text) {
  platform::graphics::TextAttributes kern;
  kern.kern = 1;
  return platform::graphics::AttributedString(text, kern);
}

Color UIConstants::primaryBG() { return themed(rgb(253, 253, 253), rgb(36, 37, 38)); }
Color UIConstants::secondaryBG() { return themed(rgb(248, 248, 248), rgb(43, 45, 46)); }
Color UIConstants::tertiaryBG() { return themed(rgb(242, 242, 242), rgb(51, 53, 54)); }
Color UIConstants::fourthBG() { return themed(rgb(230, 230, 230), rgb(60, 62, 63)); }
Color UIConstants::exportButtonColor() { return themed(rgb(180, 180, 180), rgb(64, 67, 69)); }
Color UIConstants::cameraSetupButtonsColor() { return appInDarkMode() ? secondaryBG() : primaryBG(); }
Color UIConstants::borderCameraSetupColor() { return appInDarkMode() ? primaryBG() : rgb(230, 230, 230); }
Color UIConstants::alertBGColor() { return appInDarkMode() ? tertiaryBG() : primaryBG(); }
Color UIConstants::guideBGColor() { return darkBlue(); }
Color UIConstants::topBarColor() { return rgb(51, 53, 54); }
Color UIConstants::filterBarColor() { return secondaryBG(); }
Color UIConstants::filterBarLine() { return themed(rgb(216, 216, 216), rgb(38, 39, 40)); }
Color UIConstants::framelineSeparator() { return appInDarkMode() ? secondaryBG() : rgb(216, 216, 216); }
Color UIConstants::framelineSensorBorder() { return lowContrastText(); }
Color UIConstants::framelineSensorFill() { return appInDarkMode() ? tertiaryBG() : secondaryBG(); }
Color UIConstants::disableShading() { return themed(rgb(248, 248, 248, 0.7), rgb(43, 45, 46, 0.7)); }
Color UIConstants::tableViewBGColor() { return primaryBG(); }
Color UIConstants::tableViewSeparator() { return appInDarkMode() ? rgb(10, 11, 12) : filterBarLine(); }
Color UIConstants::blue() { return rgb(0, 180, 248); }
Color UIConstants::darkBlue() { return rgb(0, 169, 233); }
Color UIConstants::blueHigh() { return rgb(51, 199, 255); }
Color UIConstants::maxContrastText() { return themed(Color::blackColor(), Color::whiteColor()); }
Color UIConstants::contrastText() { return themed(rgb(85, 85, 85), rgb(170, 170, 170)); }
Color UIConstants::lowContrastText() { return themed(rgb(170, 170, 170), rgb(100, 100, 100)); }
Color UIConstants::veryLowContrastText() { return themed(rgb(190, 190, 190), rgb(80, 80, 80)); }
Color UIConstants::textFieldBG() { return themed(rgb(255, 255, 255), rgb(31, 32, 34)); }
Color UIConstants::textFieldPlaceholder() { return fourthBG(); }
Color UIConstants::textFieldTextColor() { return themed(rgb(85, 85, 85), rgb(170, 170, 170)); }
Color UIConstants::grey128() { return rgb(128, 128, 128); }
Color UIConstants::grey170() { return themed(rgb(170, 170, 170), rgb(75, 75, 75)); }
Color UIConstants::grey186() { return rgb(186, 186, 186); }
Color UIConstants::greyButtons() { return themed(rgb(190, 190, 190), rgb(75, 75, 75)); }
Color UIConstants::greyButtonsText() { return appInDarkMode() ? grey128() : rgb(240, 240, 240); }
Color UIConstants::tableViewRowActionGrey() { return appInDarkMode() ? fourthBG() : grey170(); }
Color UIConstants::redWarning() { return rgb(252, 62, 48); }
Color UIConstants::darkTextColor() { return rgb(41, 42, 43); }
Color UIConstants::mainViewBarColor() { return rgb(51, 53, 54); }
Color UIConstants::mainViewDarkGB() { return rgb(30, 31, 32); }
Color UIConstants::mainViewDarkGBtransparent() { return rgb(30, 31, 32, 0); }
Color UIConstants::manualCamBtnBGTransparent() { return rgb(30, 31, 32, 0.4); }
Color UIConstants::activeProjectBGTransparent() { return rgb(30, 31, 32, 1); }
Color UIConstants::accentPink() { return rgb(240, 24, 100); }
Color UIConstants::accentGreen() { return rgb(41, 185, 116); }
Color UIConstants::accentOrange() { return rgb(247, 171, 18); }
Color UIConstants::accentRed() { return rgb(235, 55, 82); }
Color UIConstants::secondCameraGreen() { return rgb(0, 200, 140); }
Color UIConstants::gradientColorTop() { return themed(rgb(253, 253, 253), rgb(36, 37, 38)); }
Color UIConstants::gradientColorBottom() { return themed(rgb(248, 248, 248), rgb(38, 39, 40)); }

}  // namespace app::kit

