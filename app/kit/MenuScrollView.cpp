#include "app/kit/MenuScrollView.h"

#include "app/kit/UIConstants.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/Window.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::make;
using platform::ui::Rect;
using platform::ui::View;

namespace app::kit {

namespace {

constexpr double kIndicatorWidth = 24;
constexpr double kIndicatorHeight = 3;
constexpr double kButtonPadding = 12;
constexpr double kMenuAnimation = 0.2;

constexpr const char* kTitles[MenuScrollView::kPages] = {"DEPTH OF FIELD", "FIELD OF VIEW", "LENS MATCH",
                                                         "SENSORS",        "COVERAGE",      "SETTINGS"};
constexpr void (MenuScrollView::*kActions[MenuScrollView::kPages])() = {
    &MenuScrollView::menuDOFBtnPressed,     &MenuScrollView::menuFOVBtnPressed,
    &MenuScrollView::menuLensMatchBtnPressed, &MenuScrollView::menuSensorsBtnPressed,
    &MenuScrollView::menuCoverageBtnPressed, &MenuScrollView::menuSettingsBtnPressed};

// Fixed greys, the same in both themes.
const Color kChosenTitle = Color::withWhite(245 / 255.0);
const Color kOtherTitle = Color::withWhite(170 / 255.0);

}  // namespace

MenuScrollView::MenuScrollView(const Rect& frame) : View(frame) {
  // The title greys are the same in both themes, so the strip keeps one dark ground for them in both.
  setBackgroundColor(UIConstants::topBarColor());
  contentView_ = make<View>(bounds());
  scrollView_ = make<platform::ui::ScrollView>(bounds());
  menuContainerView_ = make<View>();
  indicator_ = make<View>();
  indicator_->setBackgroundColor(UIConstants::blue());
  for (int i = 0; i < kPages; ++i) {
    auto button = make<platform::ui::Button>(platform::ui::ButtonType::Custom);
    button->setTitle(platform::ui::LocalizedStrings::localizedString(kTitles[i]));
    button->titleLabel()->setFont(UIConstants::heavyFontWithSize(11));
    button->setTitleColor(kOtherTitle);
    button->addTarget(this, kActions[i], ControlEvent::TouchUpInside);
    menuContainerView_->addSubview(button);
    buttons_[i] = button;
  }
  menuContainerView_->addSubview(indicator_);
  scrollView_->addSubview(menuContainerView_);
  scrollView_->setDelegate(static_cast<platform::ui::ScrollViewDelegate*>(this));
  contentView_->addSubview(scrollView_);
  addSubview(contentView_);
  layOutRow();
  centerIfFitsScreen();
}

void MenuScrollView::layoutSubviews() {
  contentView_->setFrame(bounds());
  scrollView_->setFrame(contentView_->bounds());
  layOutRow();
}

// The buttons side by side at their own widths; the row is as wide as they are, and the scroll
// view's content as wide as the row after its leading inset.
void MenuScrollView::layOutRow() {
  const double height = bounds().size.height;
  double x = kRowInset;
  for (const auto& button : buttons_) {
    const double width = button->sizeThatFits({0, 0}).width + 2 * kButtonPadding;
    button->setFrame({x, 0, width, height});
    x += width;
  }
  const double rowWidth = x + kRowInset;
  menuContainerView_->setFrame({contentLeading_.constant(), 0, rowWidth, height});
  indicator_->setFrame({indicatorLeading_.constant(), height - kIndicatorHeight, kIndicatorWidth, kIndicatorHeight});
  scrollView_->setContentSize({contentLeading_.constant() + rowWidth, height});
}

void MenuScrollView::didMoveToWindow() {
  // Made before it had a window, the strip centres itself once it is shown in one.
  if (!centredInWindow_ && window()) centerIfFitsScreen();
}

void MenuScrollView::restorePosition(int page) {
  menuPosition_ = page;
  if (page >= 1 && page <= kPages) goTo(page);
}

void MenuScrollView::animateToPosition(int page) {
  menuPosition_ = page;
  View::animate(kMenuAnimation, 0, 0, [this, page] {
    if (page >= 1 && page <= kPages) goTo(page);
  });
}

void MenuScrollView::pressed(int page) {
  if (menuPosition_ == page) return;
  menuPosition_ = page;
  if (auto delegate = delegate_.lock()) delegate->goToMenuPosition(page);
  View::animate(kMenuAnimation, 0, 0, [this, page] { goTo(page); });
}

void MenuScrollView::goTo(int page) {
  for (int i = 0; i < kPages; ++i) buttons_[i]->setTitleColor(i + 1 == page ? kChosenTitle : kOtherTitle);
  const auto& chosen = buttons_[page - 1];
  if (page == 1) {
    indicatorLeading_.setConstant(kRowInset);
    scrollView_->setContentOffset({0, 0}, false);
  } else {
    indicatorLeading_.setConstant(chosen->frame().origin.x);
    scrollToPosition(static_cast<float>(chosen->center().x));
  }
  setNeedsLayout();
  layoutIfNeeded();
}

void MenuScrollView::scrollToPosition(float x) {
  const float visible = static_cast<float>(contentView_->bounds().size.width);
  const float maximum = static_cast<float>(menuContainerView_->bounds().size.width) - visible;
  if (maximum <= 0) return;
  const float offset = x - visible / 2;
  const float target = offset <= 0 ? 0 : (offset >= maximum ? maximum : offset);
  scrollView_->setContentOffset({target, 0}, false);
}

void MenuScrollView::centerIfFitsScreen() {
  auto* window = this->window();
  if (!window) return;
  centredInWindow_ = true;
  const auto insets = window->safeAreaInsets();
  const double usable = window->bounds().size.width - (insets.left + insets.right);
  const double row = menuContainerView_->bounds().size.width;
  contentLeading_.setConstant(usable > row ? (usable - row) / 2 : 0);
  setNeedsLayout();
  contentView_->layoutIfNeeded();
  layoutIfNeeded();
}

}  // namespace app::kit

