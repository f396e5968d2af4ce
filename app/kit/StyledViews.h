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

class GeneralBackgroundView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiGeneralBGView";
  std::string className() const override { return classNameKeeping("GeneralBackgroundView", kRuntimeClassName); }

 protected:
  explicit GeneralBackgroundView(const platform::ui::Rect& frame = {});
};

class ScrollViewBackgroundView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiScrollViewBG";
  std::string className() const override { return classNameKeeping("ScrollViewBackgroundView", kRuntimeClassName); }

 protected:
  explicit ScrollViewBackgroundView(const platform::ui::Rect& frame = {});
};

class AlertBackgroundView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiAlertBG";
  std::string className() const override { return classNameKeeping("AlertBackgroundView", kRuntimeClassName); }

 protected:
  explicit AlertBackgroundView(const platform::ui::Rect& frame = {});
};

class AlertBorderView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiAlertBorder";
  std::string className() const override { return classNameKeeping("AlertBorderView", kRuntimeClassName); }

 protected:
  explicit AlertBorderView(const platform::ui::Rect& frame = {});
};

class PrimaryBorderView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiBorderOnPrimary";
  std::string className() const override { return classNameKeeping("PrimaryBorderView", kRuntimeClassName); }

 protected:
  explicit PrimaryBorderView(const platform::ui::Rect& frame = {});
};

class TopBarView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiTopBarView";
  std::string className() const override { return classNameKeeping("TopBarView", kRuntimeClassName); }

 protected:
  explicit TopBarView(const platform::ui::Rect& frame = {});
};

class FramelineSeparatorView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiFramelineViewSeparator";
  std::string className() const override { return classNameKeeping("FramelineSeparatorView", kRuntimeClassName); }

 protected:
  explicit FramelineSeparatorView(const platform::ui::Rect& frame = {});
};

class GuideBackgroundView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiGuideViewBG";
  std::string className() const override { return classNameKeeping("GuideBackgroundView", kRuntimeClassName); }

 protected:
  explicit GuideBackgroundView(const platform::ui::Rect& frame = {});
};

class FilterBarBorderView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiFilterBarBorder";
  std::string className() const override { return classNameKeeping("FilterBarBorderView", kRuntimeClassName); }

 protected:
  explicit FilterBarBorderView(const platform::ui::Rect& frame = {});
};

class FilterBarView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiFilterBarView";
  std::string className() const override { return classNameKeeping("FilterBarView", kRuntimeClassName); }

 protected:
  explicit FilterBarView(const platform::ui::Rect& frame = {});
};

class SettingsTilesView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiSettingsTiles";
  std::string className() const override { return classNameKeeping("SettingsTilesView", kRuntimeClassName); }

 protected:
  explicit SettingsTilesView(const platform::ui::Rect& frame = {});
};

class DepthOfFieldMarkerView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiDOFMarkerView";
  std::string className() const override { return classNameKeeping("DepthOfFieldMarkerView", kRuntimeClassName); }

 protected:
  explicit DepthOfFieldMarkerView(const platform::ui::Rect& frame = {});
};

class HeadlineH2Label : public platform::ui::Label {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiTextHeadlineH2";
  std::string className() const override { return classNameKeeping("HeadlineH2Label", kRuntimeClassName); }

 protected:
  explicit HeadlineH2Label(const platform::ui::Rect& frame = {});
};

class SubtitleLabel : public platform::ui::Label {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiTextSubtitle";
  std::string className() const override { return classNameKeeping("SubtitleLabel", kRuntimeClassName); }

 protected:
  explicit SubtitleLabel(const platform::ui::Rect& frame = {});
};

class TopBarTitleLabel : public platform::ui::Label {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiLabelTopBarTitle";
  std::string className() const override { return classNameKeeping("TopBarTitleLabel", kRuntimeClassName); }

 protected:
  explicit TopBarTitleLabel(const platform::ui::Rect& frame = {});
};

class H2TextView : public platform::ui::TextView {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiTextViewH2";
  std::string className() const override { return classNameKeeping("H2TextView", kRuntimeClassName); }

 protected:
  explicit H2TextView(const platform::ui::Rect& frame = {});
};

class StyledTextField : public platform::ui::TextField {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiTextFieldCustom";
  std::string className() const override { return classNameKeeping("StyledTextField", kRuntimeClassName); }

 protected:
  explicit StyledTextField(const platform::ui::Rect& frame = {});
};

class LargeTextField : public platform::ui::TextField {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiTextFieldLT";
  std::string className() const override { return classNameKeeping("LargeTextField", kRuntimeClassName); }

 protected:
  explicit LargeTextField(const platform::ui::Rect& frame = {});
};

class GeneralTableView : public platform::ui::TableView {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiGeneralTableView";
  std::string className() const override { return classNameKeeping("GeneralTableView", kRuntimeClassName); }

 protected:
  explicit GeneralTableView(const platform::ui::Rect& frame = {});
};

class StyledSearchBar : public platform::ui::SearchBar {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "uiSearchBarCustom";
  std::string className() const override { return classNameKeeping("StyledSearchBar", kRuntimeClassName); }

 protected:
  explicit StyledSearchBar(const platform::ui::Rect& frame = {});
};

// Never takes a touch itself (nor do its subviews): touches fall to the views behind it.
class PassThroughView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "QuorvelPassThroughView";
  std::string className() const override { return classNameKeeping("PassThroughView", kRuntimeClassName); }

  bool pointInside(platform::ui::Point, const platform::ui::Event*) const override { return false; }

 protected:
  explicit PassThroughView(const platform::ui::Rect& frame = {}) : View(frame) {}
};

// The keyboard that matches the theme in force.
platform::ui::KeyboardAppearance keyboardAppearanceForTheme();

}  // namespace app::kit

