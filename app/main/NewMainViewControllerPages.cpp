// Page switching, swipes, the colour theme and the keyboard of the main screen.
#include <algorithm>

#include "app/kit/UIConstants.h"
#include "app/main/NewMainViewController.h"
#include "platform/dispatch/Queue.h"
#include "platform/log/Log.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/NavigationController.h"

using platform::ui::View;

namespace app::main {

namespace {

// Which of the screen's views a page shows; the page's own view is always shown and the other five
// hidden.
struct PageLook {
  bool header, valueDisplay, blanking, focalLength, aperture, distance, packageTwoBars, secondHeader;
  double distanceBottom, apertureBottom;
  std::optional<double> secondFocalLengthTop;
};

PageLook pageLook(int page, bool smallPhone) {
  switch (page) {
    case 1: return {true, true, true, true, true, true, false, false, 0, 0, std::nullopt};
    case 2: return {true, true, true, true, false, true, false, false, 0, -64, std::nullopt};
    case 3: return {true, true, true, true, true, false, true, true, 64, 0, 0.0};
    case 4:
      return {true, false, false, false, false, false, false, true, smallPhone ? 188.0 : 128.0, 0,
              smallPhone ? -120.0 : -60.0};
    default: return {true, false, true, true, false, false, false, false, 128, 0, -60.0};
  }
}

double alpha(bool shown) { return shown ? 1 : 0; }

}  // namespace

void NewMainViewController::applyPage(int page) {
  if (page < 1 || page > 6) return;
  auto& v = views_;
  const auto pages = v.pages();
  for (size_t i = 0; i < pages.size(); ++i) pages[i]->setAlpha(alpha(static_cast<int>(i) + 1 == page));
  if (page == 6) {
    // The settings page hides everything of the packages and leaves the constants as they were.
    for (const auto& view : std::initializer_list<std::shared_ptr<View>>{
             v.formatView, v.formatBGView, v.valueDisplayView, v.safeAreaBlankingView, v.focalLengthScrollBar,
             v.apertureScrollBar, v.distanceScrollBar, v.SecondFocalLengthScrollBar, v.secondApertureScrollBar,
             v.secondValueDisplayView, v.secondFormatView, v.secondFormatBGView, v.formatButtonOne,
             v.formatButtonTwo}) {
      view->setAlpha(0);
    }
    return;
  }
  const PageLook look = pageLook(page, isSmallPhone());
  v.formatView->setAlpha(alpha(look.header));
  v.formatBGView->setAlpha(alpha(look.header));
  v.valueDisplayView->setAlpha(alpha(look.valueDisplay));
  v.safeAreaBlankingView->setAlpha(alpha(look.blanking));
  v.focalLengthScrollBar->setAlpha(alpha(look.focalLength));
  v.apertureScrollBar->setAlpha(alpha(look.aperture));
  v.distanceScrollBar->setAlpha(alpha(look.distance));
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{
           v.SecondFocalLengthScrollBar, v.secondApertureScrollBar, v.secondValueDisplayView}) {
    view->setAlpha(alpha(look.packageTwoBars));
  }
  v.secondFormatView->setAlpha(alpha(look.secondHeader));
  v.secondFormatBGView->setAlpha(alpha(look.secondHeader));
  // A header's button goes with its header: a hidden header takes no press.
  v.formatButtonOne->setAlpha(alpha(look.header));
  v.formatButtonTwo->setAlpha(alpha(look.secondHeader));
  constraints_.distanceScrollBarBottomConstraint.setConstant(look.distanceBottom);
  constraints_.apertureScrollBarBottomConstraint.setConstant(look.apertureBottom);
  if (look.secondFocalLengthTop) constraints_.secondFocalLengthTopConstraint.setConstant(*look.secondFocalLengthTop);
  view()->setNeedsLayout();
}

void NewMainViewController::setupDOF() {
  applyPage(1);
  views_.valueDisplayView->makeDOF();
}

void NewMainViewController::setupFOV() {
  applyPage(2);
  views_.valueDisplayView->makeFOV();
}

void NewMainViewController::setupLensMatch() {
  applyPage(3);
  views_.valueDisplayView->makeLensMatch();
}

void NewMainViewController::setupSensors() {
  applyPage(4);
  view()->layoutIfNeeded();
  views_.sensorsView->drawSensors();
}

void NewMainViewController::setupCoverage() {
  applyPage(5);
  view()->layoutIfNeeded();
  views_.coverageView->updateImageCircle();
  views_.coverageView->drawCoverage();
}

void NewMainViewController::setupSetting() { applyPage(6); }

void NewMainViewController::goToMenuPosition(int page) {
  menuPositionMain = page;
  views_.coverageView->killAnimation();
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  View::animate(
      0.3, 0, 0,
      [this, page] {
        switch (page) {
          case 1: setupDOF(); break;
          case 2: setupFOV(); break;
          case 3:
            setupLensMatch();
            views_.lensMatchView->setupLensMatchView();
            break;
          case 4: setupSensors(); break;
          case 5: setupCoverage(); break;
          case 6: setupSetting(); break;
          default: break;
        }
        view()->layoutIfNeeded();
        views_.coverageView->updateImageCircle();
      },
      [weak, page](bool) {
        auto strong = std::static_pointer_cast<NewMainViewController>(weak.lock());
        if (!strong) return;
        strong->views_.FOVResultView->calculateFOV();
        if (page == 5) strong->views_.coverageView->displayShootTestsLabel();
      });
}

void NewMainViewController::bindSwipeGesture() {
  blockSwipe = false;
  // Once per screen: every appearance comes here, and each extra pair would turn one swipe into several
  // page changes.
  if (swipeLeft_) return;
  swipeLeft_ = platform::ui::make<platform::ui::SwipeGestureRecognizer>();
  swipeLeft_->setDirection(platform::ui::SwipeDirectionLeft);
  swipeLeft_->addTarget(this, &NewMainViewController::didSwipe);
  swipeRight_ = platform::ui::make<platform::ui::SwipeGestureRecognizer>();
  swipeRight_->setDirection(platform::ui::SwipeDirectionRight);
  swipeRight_->addTarget(this, &NewMainViewController::didSwipe);
  view()->addGestureRecognizer(swipeLeft_);
  view()->addGestureRecognizer(swipeRight_);
}

size_t NewMainViewController::swipeRecognizerCount() const {
  if (!isViewLoaded()) return 0;
  const auto& all = const_cast<NewMainViewController*>(this)->view()->gestureRecognizers();
  return std::count_if(all.begin(), all.end(), [](const auto& r) {
    return dynamic_cast<platform::ui::SwipeGestureRecognizer*>(r.get()) != nullptr;
  });
}

void NewMainViewController::didSwipe(platform::ui::SwipeGestureRecognizer& swipe) {
  if (blockSwipe) return;
  int page = menuPositionMain;
  if (swipe.direction() == platform::ui::SwipeDirectionLeft) {
    platform::log::write(platform::log::Debug, "SWIPE LEFT");
    if (page >= 6) return;
    ++page;
  } else {
    platform::log::write(platform::log::Debug, "SWIPE RIGHT");
    if (page < 2) return;
    --page;
  }
  menuPositionMain = page;
  goToMenuPosition(page);
  views_.menuScrollView->animateToPosition(page);
}

// --- theme ---

bool NewMainViewController::SystemInDarkMode() const {
  return traitCollection().userInterfaceStyle == platform::ui::UserInterfaceStyle::Dark;
}

void NewMainViewController::traitCollectionDidChange(const platform::ui::TraitCollection& previous) {
  platform::log::write(platform::log::Debug, "APP COLOR THEME ... traitCollectionDidChange ... called");
  auto app = platform::ui::Application::sharedApplication();
  const bool inactive = app && app->applicationState() == platform::ui::Application::State::Inactive;
  if (inactive && traitCollection() != previous) updateColorTheme();
}

void NewMainViewController::updateColorTheme() {
  auto frames = state();
  if (frames->settings.colorTheme != 2) return;
  const bool systemDark = SystemInDarkMode();
  platform::log::write(platform::log::Debug,
                       "APP COLOR THEME ... called ... sysmte: " + std::to_string(systemDark ? 1 : 0));
  platform::log::write(platform::log::Debug, "APP COLOR THEME ... App_AUTO_Mode: " +
                                                 std::to_string(frames->settings.colorTheme == 2 ? 1 : 0) +
                                                 " .... APP_IN_DARK_MODUS: " + std::to_string(frames->appInDarkMode ? 1 : 0));
  if (systemDark == frames->appInDarkMode) return;
  frames->appInDarkMode = systemDark;
  frames->savePrefs();
  updateLayout();
}

void NewMainViewController::updateLayout() {
  platform::log::write(platform::log::Debug, "APP COLOR THEME ... update layout is called now");
  auto frames = state();
  const int theme = frames->settings.colorTheme;
  frames->appInDarkMode = theme == 0 ? true : theme == 1 ? false : SystemInDarkMode();
  frames->savePrefs();
  auto* navigation = navigationController();
  if (!navigation) return;
  std::shared_ptr<platform::ui::ViewController> rebuilt;
  try {
    rebuilt = platform::ui::Storyboard::storyboardWithName(frames->storyBoardName)
                  .instantiateViewControllerWithIdentifier(kStoryboardIdentifier);
  } catch (const platform::foundation::Exception& e) {
    platform::log::write(platform::log::Error, std::string("the main screen cannot be rebuilt: ") + e.what());
    return;
  }
  navigation->pushViewController(rebuilt, false);
  // The old screen may be answering a press of one of its own buttons: it lives on until that is over.
  auto keep = self();
  removeFromParentViewController();
  platform::dispatch::Queue::main()->async([keep] {});
}

// --- keyboard ---

double NewMainViewController::keyboardLift(double keyboardHeight, double screenHeight, double edgeY) {
  return std::max(0.0, keyboardHeight - (screenHeight - edgeY));
}

void NewMainViewController::startnotificationObserver() {
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  keyboardShow_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kKeyboardWillShowNotification, [weak](const platform::foundation::Notification& note) {
        if (auto strong = std::static_pointer_cast<NewMainViewController>(weak.lock())) {
          strong->myNotificationMethod(note);
        }
      });
}

void NewMainViewController::startnotificationObserverHide() {
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  keyboardHide_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kKeyboardWillHideNotification, [weak](const platform::foundation::Notification& note) {
        if (auto strong = std::static_pointer_cast<NewMainViewController>(weak.lock())) {
          strong->myNotificationMethodHide(note);
        }
      });
}

void NewMainViewController::removeNotificationObserver() {
  keyboardShow_.reset();
  keyboardHide_.reset();
}

void NewMainViewController::myNotificationMethod(const platform::foundation::Notification& notification) {
  const auto end = platform::ui::RectValue::from(notification.userInfo[platform::ui::kKeyboardFrameEndUserInfoKey]);
  const double duration = notification.userInfo[platform::ui::kKeyboardAnimationDurationUserInfoKey].toDouble();
  const auto& one = *views_.valueDisplayView;
  const bool second = !(one.focalLengthTextField()->isFirstResponder() || one.apertureTextField()->isFirstResponder() ||
                        one.distanceTextField()->isFirstResponder());
  valueDisplayKeyboardAnimationShow(duration, end.value_or(platform::ui::Rect{}), second);
}

void NewMainViewController::myNotificationMethodHide(const platform::foundation::Notification& notification) {
  valueDisplayKeyboardAnimationHide(
      notification.userInfo[platform::ui::kKeyboardAnimationDurationUserInfoKey].toDouble());
}

void NewMainViewController::valueDisplayKeyboardAnimationShow(double duration, const platform::ui::Rect& keyboardRect,
                                                              bool isSecondCamera) {
  blockSwipe = true;
  for (const auto& bar : views_.bars()) bar->abortScrollViewAnimation();
  // The display stands on its package's bars here, so the edge the keyboard must clear is the display's
  // own bottom where it rests.
  auto& constraint = isSecondCamera ? constraints_.valueDisplayViewTwoBottomConstraint
                                    : constraints_.valueDisplayViewOneBottomConstraint;
  const auto& display = isSecondCamera ? *views_.secondValueDisplayView : *views_.valueDisplayView;
  const double restingBottom = display.frame().maxY() + constraint.constant();
  const double lift = keyboardLift(keyboardRect.height(), view()->bounds().height(), restingBottom);
  auto a = isSecondCamera ? views_.overlayValueFormatTwoA : views_.overlayValueFormatOneA;
  auto b = isSecondCamera ? views_.overlayValueFormatTwoB : views_.overlayValueFormatOneB;
  auto root = view();
  // Lifted, the display may come to rest over the other package's (on the lens match page package
  // one's lands on package two's): what is typed into it must be drawn above that.
  const auto& other = isSecondCamera ? views_.valueDisplayView : views_.secondValueDisplayView;
  root->insertSubviewAbove(isSecondCamera ? views_.secondValueDisplayView : views_.valueDisplayView, other.get());
  View::animate(duration, 0, 0, [&constraint, lift, a, b, root] {
    constraint.setConstant(lift);
    a->setAlpha(1);
    b->setAlpha(1);
    root->setNeedsLayout();
    root->layoutIfNeeded();
  });
}

void NewMainViewController::valueDisplayKeyboardAnimationHide(double duration) {
  auto root = view();
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  View::animate(
      duration, 0, 0,
      [this, root] {
        constraints_.valueDisplayViewOneBottomConstraint.setConstant(0);
        constraints_.valueDisplayViewTwoBottomConstraint.setConstant(0);
        for (const auto& overlay : {views_.overlayValueFormatOneA, views_.overlayValueFormatOneB,
                                    views_.overlayValueFormatTwoA, views_.overlayValueFormatTwoB}) {
          overlay->setAlpha(0);
        }
        root->setNeedsLayout();
        root->layoutIfNeeded();
      },
      [weak](bool) {
        if (auto strong = std::static_pointer_cast<NewMainViewController>(weak.lock())) strong->blockSwipe = false;
      });
}

void NewMainViewController::cancelKeyboard() {
  views_.valueDisplayView->contentView()->endEditing(true);
  views_.secondValueDisplayView->contentView()->endEditing(true);
}

void NewMainViewController::valueDisplayKeyboardAnimationShow(const platform::foundation::Value& duration,
                                                              const platform::ui::Rect& keyboardRect,
                                                              bool isSecondCamera) {
  valueDisplayKeyboardAnimationShow(duration.toDouble(), keyboardRect, isSecondCamera);
}

void NewMainViewController::valueDisplayKeyboardAnimationHide(const platform::foundation::Value& duration) {
  valueDisplayKeyboardAnimationHide(duration.toDouble());
}

}  // namespace app::main

