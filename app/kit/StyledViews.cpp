#include "app/kit/StyledViews.h"

#include "app/kit/UIConstants.h"

using platform::graphics::Color;
using platform::ui::Rect;

namespace app::kit {

platform::ui::KeyboardAppearance keyboardAppearanceForTheme() {
  return UIConstants::appInDarkMode() ? platform::ui::KeyboardAppearance::Dark
                                      : platform::ui::KeyboardAppearance::Light;
}

GeneralBackgroundView::GeneralBackgroundView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::primaryBG()); }
ScrollViewBackgroundView::ScrollViewBackgroundView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::primaryBG()); }
AlertBackgroundView::AlertBackgroundView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::alertBGColor()); }
AlertBorderView::AlertBorderView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::borderCameraSetupColor());
}
PrimaryBorderView::PrimaryBorderView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::borderCameraSetupColor());
}
TopBarView::TopBarView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::topBarColor()); }
FramelineSeparatorView::FramelineSeparatorView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::framelineSeparator());
}
GuideBackgroundView::GuideBackgroundView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::guideBGColor()); }
FilterBarBorderView::FilterBarBorderView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::filterBarLine());
}
FilterBarView::FilterBarView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::filterBarColor());
}
SettingsTilesView::SettingsTilesView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::tertiaryBG()); }
DepthOfFieldMarkerView::DepthOfFieldMarkerView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::maxContrastText());
}

HeadlineH2Label::HeadlineH2Label(const Rect& frame) : Label(frame) { setTextColor(UIConstants::contrastText()); }
SubtitleLabel::SubtitleLabel(const Rect& frame) : Label(frame) { setTextColor(UIConstants::lowContrastText()); }
TopBarTitleLabel::TopBarTitleLabel(const Rect& frame) : Label(frame) {
  setFont(UIConstants::romanFontWithSize(12));
  setTextColor(Color::whiteColor());
}

H2TextView::H2TextView(const Rect& frame) : TextView(frame) {
  setTextColor(UIConstants::contrastText());
  setTintColor(UIConstants::contrastText());
  setLineFragmentPadding(1);
  setTextContainerInset({0, 0, 0, 0});
  setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

StyledTextField::StyledTextField(const Rect& frame) : TextField(frame) {
  setTextColor(UIConstants::maxContrastText());
  setTintColor(UIConstants::contrastText());
  setBackgroundColor(UIConstants::textFieldBG());
  setFont(UIConstants::romanFontWithSize(14));
  setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

LargeTextField::LargeTextField(const Rect& frame) : TextField(frame) {
  setTextColor(UIConstants::blue());
  setTintColor(UIConstants::blue());
  setBackgroundColor(Color::clearColor());
  setBorderStyle(platform::ui::TextBorderStyle::None);
  layer().setBorderWidth(0);
  setFont(UIConstants::mediumFontWithSize(24));
  setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

GeneralTableView::GeneralTableView(const Rect& frame) : TableView(frame) {
  setBackgroundColor(UIConstants::tableViewBGColor());
  setSeparatorColor(UIConstants::tableViewSeparator());
  setSectionIndexColor(UIConstants::lowContrastText());
  setSectionIndexBackgroundColor(UIConstants::tableViewBGColor());
}

StyledSearchBar::StyledSearchBar(const Rect& frame) : SearchBar(frame) {
  setTintColor(UIConstants::textFieldTextColor());
  searchTextField()->setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

}  // namespace app::kit

