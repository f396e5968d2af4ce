#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/View.h"

// Views that style themselves from the theme once, when they are made. A view made later after a
// theme switch takes the new theme; a view already on screen keeps what it took.

namespace app::kit {

class uiGeneralBGView : public platform::ui::View {
 protected:
  explicit uiGeneralBGView(const platform::ui::Rect& frame = {});
};

class uiScrollViewBG : public platform::ui::View {
 protected:
  explicit uiScrollViewBG(const platform::ui::Rect& frame = {});
};

class uiAlertBG : public platform::ui::View {
 protected:
  explicit uiAlertBG(const platform::ui::Rect& frame = {});
};

class uiAlertBorder : public platform::ui::View {
 protected:
  explicit uiAlertBorder(const platform::ui::Rect& frame = {});
};

class uiBorderOnPrimary : public platform::ui::View {
 protected:
  explicit uiBorderOnPrimary(const platform::ui::Rect& frame = {});
};

class uiTopBarView : public platform::ui::View {
 protected:
  explicit uiTopBarView(const platform::ui::Rect& frame = {});
};

class uiFramelineViewSeparator : public platform::ui::View {
 protected:
  explicit uiFramelineViewSeparator(const platform::ui::Rect& frame = {});
};

class uiGuideViewBG : public platform::ui::View {
 protected:
  explicit uiGuideViewBG(const platform::ui::Rect& frame = {});
};

class uiFilterBarBorder : public platform::ui::View {
 protected:
  explicit uiFilterBarBorder(const platform::ui::Rect& frame = {});
};

class uiFilterBarView : public platform::ui::View {
 protected:
  explicit uiFilterBarView(const platform::ui::Rect& frame = {});
};

class uiSettingsTiles : public platform::ui::View {
 protected:
  explicit uiSettingsTiles(const platform::ui::Rect& frame = {});
};

class uiDOFMarkerView : public platform::ui::View {
 protected:
  explicit uiDOFMarkerView(const platform::ui::Rect& frame = {});
};

class uiTextHeadlineH2 : public platform::ui::Label {
 protected:
  explicit uiTextHeadlineH2(const platform::ui::Rect& frame = {});
};

class uiTextSubtitle : public platform::ui::Label {
 protected:
  explicit uiTextSubtitle(const platform::ui::Rect& frame = {});
};

class uiLabelTopBarTitle : public platform::ui::Label {
 protected:
  explicit uiLabelTopBarTitle(const platform::ui::Rect& frame = {});
};

class uiTextViewH2 : public platform::ui::TextView {
 protected:
  explicit uiTextViewH2(const platform::ui::Rect& frame = {});
};

class uiTextFieldCustom : public platform::ui::TextField {
 protected:
  explicit uiTextFieldCustom(const platform::ui::Rect& frame = {});
};

class uiTextFieldLT : public platform::ui::TextField {
 protected:
  explicit uiTextFieldLT(const platform::ui::Rect& frame = {});
};

class uiGeneralTableView : public platform::ui::TableView {
 protected:
  explicit uiGeneralTableView(const platform::ui::Rect& frame = {});
};

class uiSearchBarCustom : public platform::ui::SearchBar {
 protected:
  explicit uiSearchBarCustom(const platform::ui::Rect& frame = {});
};

// Never takes a touch itself (nor do its subviews): touches fall to the views behind it.
class PassThroughView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "QuorvelPassThroughView";
  std::string className() const override { return kRuntimeClassName; }

  bool pointInside(platform::ui::Point, const platform::ui::Event*) const override { return false; }

 protected:
  explicit PassThroughView(const platform::ui::Rect& frame = {}) : View(frame) {}
};

// The keyboard that matches the theme in force.
platform::ui::KeyboardAppearance keyboardAppearanceForTheme();

}  // namespace app::kit

