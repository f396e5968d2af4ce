#include "app/kit/TextButton.h"

#include "app/kit/UIConstants.h"

namespace app::kit {

namespace {

using platform::graphics::Color;
using platform::ui::ControlState;

constexpr double kWideKern = 1.5;

Color themeText() { return UIConstants::appInDarkMode() ? Color::whiteColor() : Color::blackColor(); }

platform::graphics::AttributedString kerned(const std::string& text, const Color& color) {
  platform::graphics::TextAttributes attributes;
  attributes.kern = kWideKern;
  attributes.foregroundColor = color;
  return platform::graphics::AttributedString(text, attributes);
}

}  // namespace

TextButton::TextButton(const platform::ui::Rect& frame)
    : Button(platform::ui::ButtonType::System, frame) {}

platform::graphics::AttributedString TextButton::kerningNormal(const std::string& text, const Color& color) {
  auto title = kerned(text, color);
  if (!text.empty() && text[0] == '+') {
    platform::graphics::TextAttributes blue;
    blue.foregroundColor = UIConstants::blue();
    title.addAttributes(blue, 0, 1);
  }
  return title;
}

platform::graphics::AttributedString TextButton::kerningHigh(const std::string& text, const Color& color) {
  return kerned(text, color);
}

void TextButton::styleButtonWithString(const std::string& text, int type) {
  const bool dark = UIConstants::appInDarkMode();
  double size = 10;
  switch (type) {
    case 1:
      buttonTextColor_ = UIConstants::blueHigh();
      buttonTextColorHigh_ = Color::whiteColor();
      size = 12;
      break;
    case 2:
    case 4:
      buttonTextColor_ = dark ? UIConstants::blueHigh() : UIConstants::blue();
      buttonTextColorHigh_ = dark ? Color::whiteColor() : Color::blackColor();
      size = type == 2 ? 12 : 10;
      break;
    case 3:
      buttonTextColor_ = Color::whiteColor();
      buttonTextColorHigh_ = UIConstants::blue();
      break;
    default:
      buttonTextColor_ = dark ? Color::whiteColor() : Color::blackColor();
      buttonTextColorHigh_ = UIConstants::blue();
      break;
  }
  titleLabel()->setFont(UIConstants::heavyFontWithSize(size));
  setTitles(text, buttonTextColor_, buttonTextColorHigh_);
}

void TextButton::changeTextwithString(const std::string& text) {
  titleLabel()->setFont(UIConstants::heavyFontWithSize(10));
  setTitles(text, buttonTextColor_, buttonTextColorHigh_);
}

void TextButton::setFilterSelected() {
  titleLabel()->setFont(UIConstants::heavyFontWithSize(10));
  setTitles(currentText(), buttonTextColorHigh_, buttonTextColorHigh_);
}

void TextButton::setFilterNotSelected() {
  titleLabel()->setFont(UIConstants::heavyFontWithSize(10));
  setTitles(currentText(), themeText(), UIConstants::blue());
}

void TextButton::lensMatchActive() {
  titleLabel()->setFont(UIConstants::heavyFontWithSize(10));
  const Color text = themeText();
  setTitles(currentText(), text, text);
}

void TextButton::greyedOut() {
  titleLabel()->setFont(UIConstants::heavyFontWithSize(10));
  setTitles(currentText(), UIConstants::contrastText(), themeText());
}

void TextButton::setTitles(const std::string& text, const Color& normal, const Color& high) {
  setAttributedTitle(kerningNormal(text, normal), ControlState::Normal);
  setAttributedTitle(kerningHigh(text, high), ControlState::Highlighted);
}

std::string TextButton::currentText() const {
  if (auto title = attributedTitleForState(ControlState::Normal)) return title->string();
  return titleForState(ControlState::Normal).value_or("");
}

}  // namespace app::kit

