#pragma once

#include <string>

#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"

namespace app::kit {

// The app's palette, fonts and kerning. It keeps no state: every themed colour follows the dark-theme
// flag as last saved in the preference file.
class UIConstants {
 public:
  using Color = platform::graphics::Color;
  using Font = platform::graphics::Font;

  // The stored "SETTINGS_APPINDARKMODE" flag; a missing or unreadable file, or no such key, is light.
  static bool appInDarkMode();

  static Font romanFontWithSize(double size);
  static Font mediumFontWithSize(double size);
  static Font heavyFontWithSize(double size);
  // The string with a kern of 1 over its whole length and no other attribute.
  static platform::graphics::AttributedString kerningWithString(const std::string& text);

  static Color primaryBG();
  static Color secondaryBG();
  static Color tertiaryBG();
  static Color fourthBG();
  static Color exportButtonColor();
  static Color cameraSetupButtonsColor();
  static Color borderCameraSetupColor();
  static Color alertBGColor();
  static Color guideBGColor();
  static Color topBarColor();
  static Color filterBarColor();
  static Color filterBarLine();
  static Color framelineSeparator();
  static Color framelineSensorBorder();
  static Color framelineSensorFill();
  static Color disableShading();
  static Color tableViewBGColor();
  static Color tableViewSeparator();
  static Color blue();
  static Color darkBlue();
  static Color blueHigh();
  static Color maxContrastText();
  static Color contrastText();
  static Color lowContrastText();
  static Color veryLowContrastText();
  static Color textFieldBG();
  static Color textFieldPlaceholder();
  static Color textFieldTextColor();
  static Color grey128();
  static Color grey170();
  static Color grey186();
  static Color greyButtons();
  static Color greyButtonsText();
  static Color tableViewRowActionGrey();
  static Color redWarning();
  static Color darkTextColor();
  static Color mainViewBarColor();
  static Color mainViewDarkGB();
  static Color mainViewDarkGBtransparent();
  static Color manualCamBtnBGTransparent();
  static Color activeProjectBGTransparent();
  static Color accentPink();
  static Color accentGreen();
  static Color accentOrange();
  static Color accentRed();
  static Color secondCameraGreen();
  static Color gradientColorTop();
  static Color gradientColorBottom();
};

}  // namespace app::kit

