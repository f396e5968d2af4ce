#include "app/kit/StyledViews.h"

#include "app/kit/UIConstants.h"

using platform::graphics::Color;
using platform::ui::Rect;

namespace app::kit {

platform::ui::KeyboardAppearance keyboardAppearanceForTheme() {
  return UIConstants::appInDarkMode() ? platform::ui::KeyboardAppearance::Dark
                                      : platform::ui::KeyboardAppearance::Light;
}

uiGeneralBGView::uiGeneralBGView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::primaryBG()); }
uiScrollViewBG::uiScrollViewBG(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::primaryBG()); }
uiAlertBG::uiAlertBG(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::alertBGColor()); }
uiAlertBorder::uiAlertBorder(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::borderCameraSetupColor());
}
uiBorderOnPrimary::uiBorderOnPrimary(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::borderCameraSetupColor());
}
uiTopBarView::uiTopBarView(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::topBarColor()); }
uiFramelineViewSeparator::uiFramelineViewSeparator(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::framelineSeparator());
}
uiGuideViewBG::uiGuideViewBG(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::guideBGColor()); }
uiFilterBarBorder::uiFilterBarBorder(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::filterBarLine());
}
uiFilterBarView::uiFilterBarView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::filterBarColor());
}
uiSettingsTiles::uiSettingsTiles(const Rect& frame) : View(frame) { setBackgroundColor(UIConstants::tertiaryBG()); }
uiDOFMarkerView::uiDOFMarkerView(const Rect& frame) : View(frame) {
  setBackgroundColor(UIConstants::maxContrastText());
}

uiTextHeadlineH2::uiTextHeadlineH2(const Rect& frame) : Label(frame) { setTextColor(UIConstants::contrastText()); }
uiTextSubtitle::uiTextSubtitle(const Rect& frame) : Label(frame) { setTextColor(UIConstants::lowContrastText()); }
uiLabelTopBarTitle::uiLabelTopBarTitle(const Rect& frame) : Label(frame) {
  setFont(UIConstants::romanFontWithSize(12));
  setTextColor(Color::whiteColor());
}

uiTextViewH2::uiTextViewH2(const Rect& frame) : TextView(frame) {
  setTextColor(UIConstants::contrastText());
  setTintColor(UIConstants::contrastText());
  setLineFragmentPadding(1);
  setTextContainerInset({0, 0, 0, 0});
  setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

uiTextFieldCustom::uiTextFieldCustom(const Rect& frame) : TextField(frame) {
  setTextColor(UIConstants::maxContrastText());
  setTintColor(UIConstants::contrastText());
  setBackgroundColor(UIConstants::textFieldBG());
  setFont(UIConstants::romanFontWithSize(14));
  setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

uiTextFieldLT::uiTextFieldLT(const Rect& frame) : TextField(frame) {
  setTextColor(UIConstants::blue());
  setTintColor(UIConstants::blue());
  setBackgroundColor(Color::clearColor());
  setBorderStyle(platform::ui::TextBorderStyle::None);
  layer().setBorderWidth(0);
  setFont(UIConstants::mediumFontWithSize(24));
  setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

uiGeneralTableView::uiGeneralTableView(const Rect& frame) : TableView(frame) {
  setBackgroundColor(UIConstants::tableViewBGColor());
  setSeparatorColor(UIConstants::tableViewSeparator());
  setSectionIndexColor(UIConstants::lowContrastText());
  setSectionIndexBackgroundColor(UIConstants::tableViewBGColor());
}

uiSearchBarCustom::uiSearchBarCustom(const Rect& frame) : SearchBar(frame) {
  setTintColor(UIConstants::textFieldTextColor());
  searchTextField()->setKeyboardAppearance(app::kit::keyboardAppearanceForTheme());
}

}  // namespace app::kit

