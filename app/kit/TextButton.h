#pragma once

#include <string>

#include "platform/ui/Button.h"

namespace app::kit {

// A system button whose titles are always widely spaced attributed texts, in one of five colour types,
// with the looks of filter buttons, an active lens-match choice and a greyed-out state.
class TextButton : public platform::ui::Button {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiButtonWithText";
  std::string className() const override { return classNameKeeping("TextButton", kRuntimeClassName); }

  using Color = platform::graphics::Color;
  using AttributedString = platform::graphics::AttributedString;

  // Types 1 to 4 have their own colours and sizes; 0 and every other value are the plain type.
  void styleButtonWithString(const std::string& text, int type);
  // New text in the type's colours, always at size 10.
  void changeTextwithString(const std::string& text);
  void setFilterSelected();
  void setFilterNotSelected();
  void lensMatchActive();
  void greyedOut();

  // Kern 1.5 and the colour over the whole text; a leading "+" alone is blue.
  static AttributedString kerningNormal(const std::string& text, const Color& color);
  // Kern 1.5 and the colour over the whole text.
  static AttributedString kerningHigh(const std::string& text, const Color& color);

  Color buttonTextColor() const { return buttonTextColor_; }
  Color buttonTextColorHigh() const { return buttonTextColorHigh_; }

 protected:
  explicit TextButton(const platform::ui::Rect& frame = {});

 private:
  void setTitles(const std::string& text, const Color& normal, const Color& high);
  std::string currentText() const;

  Color buttonTextColor_;
  Color buttonTextColorHigh_;
};

}  // namespace app::kit

