#pragma once

#include <array>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/ScrollView.h"

namespace app::kit {

// Told which page the person chose in the menu strip.
class MenuDelegate {
 public:
  virtual ~MenuDelegate() = default;
  virtual void goToMenuPosition(int page) = 0;
};

// The six-page menu at the top of the main screen: depth of field, field of view, lens match, sensors,
// coverage and settings. It marks the chosen page with a bright title and a blue indicator, keeps the
// chosen button centred when the row is wider than the strip, and tells its delegate what was chosen.
class MenuScrollView : public platform::ui::View, public platform::ui::ScrollViewDelegate {
 public:
  static constexpr int kPages = 6;
  static constexpr double kRowInset = 20;

  int menuPosition() const { return menuPosition_; }
  void setMenuSelectionDelegate(MenuDelegate* delegate) { delegate_.set(delegate); }
  void setMenuSelectionDelegate(const std::shared_ptr<MenuDelegate>& delegate) { delegate_.set(delegate); }

  // Sets the page, without and with animation; a page outside 1...6 is only stored.
  void restorePosition(int page);
  void animateToPosition(int page);

  void menuDOFBtnPressed() { pressed(1); }
  void menuFOVBtnPressed() { pressed(2); }
  void menuLensMatchBtnPressed() { pressed(3); }
  void menuSensorsBtnPressed() { pressed(4); }
  void menuCoverageBtnPressed() { pressed(5); }
  void menuSettingsBtnPressed() { pressed(6); }

  void goToDOF() { goTo(1); }
  void goToFOV() { goTo(2); }
  void goToLensMatch() { goTo(3); }
  void goToSensors() { goTo(4); }
  void goToCoverage() { goTo(5); }
  void goToSettings() { goTo(6); }

  // Scrolls the row so that x is centred, held to the row's ends; a row that fits is not scrolled.
  void scrollToPosition(float x);
  // Centres the row within the key window's safe width when it is narrower.
  void centerIfFitsScreen();

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::ScrollView>& scrollView() const { return scrollView_; }
  const std::shared_ptr<platform::ui::View>& menuContainerView() const { return menuContainerView_; }
  const std::shared_ptr<platform::ui::View>& blueIndicator() const { return indicator_; }
  // Page k's button, k from 1 to 6.
  const std::shared_ptr<platform::ui::Button>& button(int page) const { return buttons_[page - 1]; }
  platform::ui::LayoutConstraint& blueIndicatorLeadingConstraint() { return indicatorLeading_; }
  platform::ui::LayoutConstraint& menuContentLeadingConstraint() { return contentLeading_; }

 protected:
  explicit MenuScrollView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;
  void didMoveToWindow() override;

 private:
  void pressed(int page);
  void goTo(int page);
  void layOutRow();

  int menuPosition_ = 1;
  bool centredInWindow_ = false;
  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::ScrollView> scrollView_;
  std::shared_ptr<platform::ui::View> menuContainerView_;
  std::shared_ptr<platform::ui::View> indicator_;
  std::array<std::shared_ptr<platform::ui::Button>, kPages> buttons_;
  platform::ui::LayoutConstraint indicatorLeading_;
  platform::ui::LayoutConstraint contentLeading_;
  platform::ui::DelegateRef<MenuDelegate> delegate_;
};

}  // namespace app::kit

