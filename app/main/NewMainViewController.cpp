#include "app/main/NewMainViewController.h"

#include <algorithm>

#include "app/kit/UIConstants.h"
#include "app/main/MainScreenPages.h"
#include "app/optics/MetricToImperialConversion.h"
#include "app/optics/UIDeviceHardware.h"
#include "app/pages/PageState.h"
#include "app/settings/InteractiveGuideManager.h"
#include "platform/dispatch/Queue.h"
#include "platform/log/Log.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/NavigationController.h"

using platform::ui::ControlEvent;
using platform::ui::make;
using platform::ui::View;

namespace app::main {

namespace {

// The screen's root view lays its views out by hand each layout pass, from the constants as they stand.
class MainScreenRootView : public platform::ui::View {
 public:
  std::function<void()> layout;

 protected:
  using View::View;
  void layoutSubviews() override {
    if (layout) layout();
  }
};

std::optional<std::string>& deviceNameOverride() {
  static std::optional<std::string> name;
  return name;
}

}  // namespace

NewMainViewController::NewMainViewController()
    : ViewController(platform::runtime::classOf<NewMainViewController>()), MainScreenValueFlow(views_, blockSwipe) {}

void NewMainViewController::setDeviceNameForTesting(std::optional<std::string> name) {
  deviceNameOverride() = std::move(name);
}

std::shared_ptr<state::FramesObject> NewMainViewController::state() { return app::pages::framesObject(); }

std::shared_ptr<NewMainViewController> NewMainViewController::self() {
  return std::static_pointer_cast<NewMainViewController>(shared_from_this());
}

std::shared_ptr<settings::InteractiveGuideManager> NewMainViewController::guideManager() const {
  return settings::InteractiveGuideManager::ofApplication();
}

bool NewMainViewController::isSmallPhone() const {
  const auto name = deviceNameOverride() ? deviceNameOverride() : optics::UIDeviceHardware::platformString();
  return name && *name == "iPhone SE";
}

void NewMainViewController::loadView() {
  auto root = make<MainScreenRootView>();
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  root->layout = [weak] {
    auto strong = std::static_pointer_cast<NewMainViewController>(weak.lock());
    if (!strong || !strong->isViewLoaded()) return;
    auto* window = strong->view()->window();
    const auto safe = window ? window->windowSafeAreaInsets() : platform::ui::EdgeInsets{};
    app::main::layOutMainScreen(*strong->view(), strong->views_, strong->constraints_, safe);
  };
  app::main::buildMainScreen(*root, views_);
  constraints_.formatOneLabelTopConstraint.setConstant(-6);
  constraints_.formatTwoLabelTopConstraint.setConstant(-6);
  setView(root);
}

void NewMainViewController::viewDidLoad() {
  views_.safeAreaBlankingView->setBackgroundColor(kit::UIConstants::gradientColorBottom());
  menuPositionMain = 1;
  setupDOF();
  views_.FOVResultView->shapeInit();
  lastActiveFLScrollbar = 1;
}

void NewMainViewController::viewWillAppear(bool) {
  auto frames = state();
  frames->blockHapticFeedback();
  if (frames->restartFromSettings) {
    menuPositionMain = 6;
    views_.menuScrollView->restorePosition(6);
    setupSetting();
    frames->restartFromSettings = false;
  }
  setUIStringsAndArrays();
}

void NewMainViewController::viewDidAppear(bool) {
  myInteractiveGuideManager_ = guideManager();
  if (myInteractiveGuideManager_) {
    myInteractiveGuideManager_->registerViewForInteractiveGuide(
        std::shared_ptr<settings::InteractiveGuideDelegate>(self(), this), view(), kGuideScreen);
  }
  view()->layoutIfNeeded();
  views_.menuScrollView->restorePosition(menuPositionMain);
  setupViewsAndCalculate();
  connectDelegates();
  setupViewsAndCalculate();
  connectTargets();
  state()->unblockHapticFeedback();
  if (state()->settings.colorTheme == 2) updateColorTheme();
  views_.sensorsView->drawSensors();
  views_.coverageView->drawCoverage();
  views_.coverageView->updateImageCircle();
  view()->layoutIfNeeded();
  auto strong = self();
  views_.valueDisplayView->setDelegate(std::shared_ptr<ValueDisplayViewDelegate>(strong, this));
  views_.secondValueDisplayView->setDelegate(std::shared_ptr<ValueDisplayViewDelegate>(strong, this));
  bindSwipeGesture();
  startnotificationObserver();
  startnotificationObserverHide();
  views_.settingsView->cocView()->setDelegate(std::shared_ptr<pages::CoCViewDelegate>(views_.DOFResultView));
}

void NewMainViewController::viewWillDisappear(bool) {
  if (myInteractiveGuideManager_) myInteractiveGuideManager_->unregisterViewForInteractiveGuide();
  // The observers go with the screen: coming back registers them again, once.
  removeNotificationObserver();
}

void NewMainViewController::connectDelegates() {
  auto strong = self();
  views_.menuScrollView->setMenuSelectionDelegate(std::shared_ptr<kit::MenuDelegate>(strong, this));
  for (const auto& bar : views_.bars()) {
    bar->setInputDelegate(std::shared_ptr<InputScrollViewDelegate>(strong, this));
  }
  views_.lensMatchView->setMDelegate(std::shared_ptr<pages::LensMatchDelegate>(strong, this));
}

void NewMainViewController::connectTargets() {
  // Controls keep one action per target, action and event, so this is safe on every appearance.
  auto& one = *views_.formatButtonOne;
  one.addTarget(this, &NewMainViewController::formatOneButtonClick, ControlEvent::TouchUpInside);
  one.addTarget(this, &NewMainViewController::formatBtnOneHighlighted, ControlEvent::TouchDown);
  one.addTarget(this, &NewMainViewController::formatBtnOneNotHighlighted, ControlEvent::TouchUpOutside);
  one.addTarget(this, &NewMainViewController::formatBtnOneNotHighlighted, ControlEvent::TouchCancel);
  auto& two = *views_.formatButtonTwo;
  two.addTarget(this, &NewMainViewController::formatTwoButtonClick, ControlEvent::TouchUpInside);
  two.addTarget(this, &NewMainViewController::formatBtnTwoHighlighted, ControlEvent::TouchDown);
  two.addTarget(this, &NewMainViewController::formatBtnTwoNotHighlighted, ControlEvent::TouchUpOutside);
  two.addTarget(this, &NewMainViewController::formatBtnTwoNotHighlighted, ControlEvent::TouchCancel);
  auto strong = self();
  views_.settingsView->colorThemeView()->setDelegate(std::shared_ptr<settings::ColorThemeViewDelegate>(strong, this));
  views_.settingsView->measurementSystemView()->setDelegate(
      std::shared_ptr<settings::MeasurementSystemViewDelegate>(strong, this));
  for (const auto& overlay : {views_.overlayValueFormatOneA, views_.overlayValueFormatOneB,
                              views_.overlayValueFormatTwoA, views_.overlayValueFormatTwoB}) {
    overlay->addTarget(this, &NewMainViewController::cancelKeyboard, ControlEvent::TouchUpInside);
  }
}

std::optional<float> NewMainViewController::startDistance(const model::LensObject& lens) const {
  const auto values = lens.getInputValues();
  if (values.distance != -1.0f) return values.distance;
  if (state()->settings.measurementSystem == 0) {
    try {
      return std::stof(lens.getCloseFocusMetric());
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  return optics::MetricToImperialConversion::returnMeters(lens.getCloseFocusImperialString());
}

void NewMainViewController::setupViewsAndCalculate() {
  auto frames = state();
  if (!frames->packageOne || !frames->packageTwo) return;
  auto& v = views_;
  const model::CameraPackage one = *frames->packageOne;
  const model::CameraPackage two = *frames->packageTwo;
  for (const auto& bar : {v.apertureScrollBar, v.distanceScrollBar, v.focalLengthScrollBar}) bar->mCameraPackage = one;
  v.secondApertureScrollBar->mCameraPackage = two;
  v.SecondFocalLengthScrollBar->mCameraPackage = two;
  v.lensMatchView->setCameraPackageOne(one);
  v.lensMatchView->setCameraPackageTwo(two);
  v.lensMatchView->setupLensMatchView();

  const model::LensSet setOne = frames->getLensSetForPackageOne();
  const model::LensSet setTwo = frames->getLensSetForPackageTwo();
  for (const auto& bar : {v.focalLengthScrollBar, v.apertureScrollBar, v.distanceScrollBar}) bar->lensSet = setOne;
  v.secondApertureScrollBar->lensSet = setTwo;
  v.SecondFocalLengthScrollBar->lensSet = setTwo;
  v.DOFResultView->setCameraPackage(one);
  v.FOVResultView->setCameraPackage(one);
  v.coverageView->setCameraPackage(one);

  v.focalLengthScrollBar->setInputType(0);
  v.apertureScrollBar->setInputType(1);
  v.distanceScrollBar->setInputType(2);
  v.focalLengthScrollBar->sensorWidth = one.modeWidth();
  v.focalLengthScrollBar->anamorphic = one.getTotalAnamorphicFactor();
  v.focalLengthScrollBar->adapter = one.adapterWidth();

  // A package without lenses cannot be positioned; the state object never gives one, but a damaged
  // catalogue must not take the screen down with it.
  if (one.lensSet.empty()) return;
  const model::LensObject& first = one.lensSet.front();
  const auto values = first.getInputValues();
  // A close-focus text that holds no number starts where a lens without one does: at 1 m.
  const float distance = startDistance(first).value_or(1.0f);
  currentFocalLengthFormatOne = values.fl;
  currentApertureFormatOne = values.aperture;
  v.focalLengthScrollBar->setFocalLength(values.fl, false);
  v.apertureScrollBar->setAperture(values.aperture, false);
  v.distanceScrollBar->setDistance(distance, false);

  v.valueDisplayView->setFocalLength(values.fl);
  v.valueDisplayView->setAperture(values.aperture);
  v.valueDisplayView->setDistance(distance);
  v.DOFResultView->setFocalLength(values.fl);
  v.DOFResultView->setAperture(values.aperture);
  v.DOFResultView->setDistance(distance);
  v.DOFResultView->calculateDOF();
  v.FOVResultView->setFocalLength(values.fl);
  v.FOVResultView->setDistance(distance);
  v.FOVResultView->calculateFOV();
  v.coverageView->setFocalLength(values.fl);

  v.SecondFocalLengthScrollBar->lensSet = setTwo;
  v.SecondFocalLengthScrollBar->setInputType(0);
  v.secondApertureScrollBar->setInputType(1);
  v.SecondFocalLengthScrollBar->sensorWidth = two.modeWidth();
  v.SecondFocalLengthScrollBar->anamorphic = two.getTotalAnamorphicFactor();
  v.SecondFocalLengthScrollBar->adapter = two.adapterWidth();
  v.SecondFocalLengthScrollBar->makeSecondCamera();
  v.secondApertureScrollBar->makeSecondCamera();
  setSecondPackageColours();
  v.secondValueDisplayView->makeLensMatch();

  makeSecondFormatMatchFirstwithFocalLength(values.fl);
  makeSecondFormatMatchFirstwithAperture(values.aperture);

  int primeIndex = 0;
  if (!setOne.selectedLenses.empty()) {
    const float focalLength = setOne.selectedLenses.front().focalLength;
    for (size_t i = 0; i < setOne.lenses.size(); ++i) {
      if (setOne.lenses[i].focalLength == focalLength) primeIndex = static_cast<int>(i);
    }
  }
  switchPrimesLensWithSecondCamera(false, primeIndex);
  v.focalLengthScrollBar->hideOutOfRangeWarning();
}

void NewMainViewController::setSecondPackageColours() {
  const auto green = kit::UIConstants::secondCameraGreen();
  views_.secondFormatView->setBackgroundColor(green);
  views_.secondValueDisplayView->isSecondCamera = true;
  MainScreenValueFlow::colourValue(*views_.secondValueDisplayView, 0, green);
  MainScreenValueFlow::colourValue(*views_.secondValueDisplayView, 1, green);
  views_.secondValueDisplayView->focalLengthTextField()->setTintColor(green);
  views_.secondValueDisplayView->apertureTextField()->setTintColor(green);
  views_.SecondFocalLengthScrollBar->markerView()->setBackgroundColor(green);
  views_.secondApertureScrollBar->markerView()->setBackgroundColor(green);
}

void NewMainViewController::setHeader(const std::optional<model::CameraPackage>& package, bool standsIn,
                                      platform::ui::Label& format, platform::ui::Label& lens, platform::ui::Label& adapter,
                                      platform::ui::LayoutConstraint& top) {
  if (!package) return;
  format.setText(package->getCameraFormatLabelString());
  lens.setText(package->getLensStringForMainView());
  const bool noAdapter = !package->lensAdapter || package->lensAdapter->isNoneAdapter();
  if (noAdapter && !standsIn) {
    adapter.setAlpha(0);
    top.setConstant(-6);
  } else {
    adapter.setText(standsIn ? kStandsIn : package->getAdapterString());
    adapter.setAlpha(1);
    top.setConstant(-12);
  }
}

void NewMainViewController::setUIStringsAndArrays() {
  auto frames = state();
  setHeader(frames->packageOne, frames->packageOneStandsIn(), *views_.formatOneLabel, *views_.lensSetOneLabel,
            *views_.adapterOneLabel, constraints_.formatOneLabelTopConstraint);
  setHeader(frames->packageTwo, frames->packageTwoStandsIn(), *views_.formatTwoLabel, *views_.lensSetTwoLabel,
            *views_.adapterTwoLabel, constraints_.formatTwoLabelTopConstraint);
  view()->setNeedsLayout();
}

void NewMainViewController::scaleHeader(platform::ui::View& header, double scale, unsigned curve) {
  std::shared_ptr<platform::ui::View> keep = header.shared_from_this();
  platform::ui::View::animate(0.1, 0, curve, [keep, scale] {
    keep->setTransform(platform::graphics::AffineTransform::scale(scale, scale));
  });
}

void NewMainViewController::formatBtnOneHighlighted() {
  scaleHeader(*views_.formatView, 0.95, platform::ui::AnimationOptionCurveEaseOut);
}
void NewMainViewController::formatBtnOneNotHighlighted() {
  scaleHeader(*views_.formatView, 1.0, platform::ui::AnimationOptionCurveEaseIn);
}
void NewMainViewController::formatBtnTwoHighlighted() {
  scaleHeader(*views_.secondFormatView, 0.95, platform::ui::AnimationOptionCurveEaseOut);
}
void NewMainViewController::formatBtnTwoNotHighlighted() {
  scaleHeader(*views_.secondFormatView, 1.0, platform::ui::AnimationOptionCurveEaseIn);
}

void NewMainViewController::formatOneButtonClick() {
  auto frames = state();
  frames->currentPackageModus = 0;
  frames->setPackageOneAsCurrentPackage();
  formatBtnOneNotHighlighted();
  startSetupController();
}

void NewMainViewController::formatTwoButtonClick() {
  auto frames = state();
  frames->currentPackageModus = 1;
  frames->setPackageTwoAsCurrentPackage();
  formatBtnTwoNotHighlighted();
  startSetupController();
}

void NewMainViewController::startSetupController() {
  auto* navigation = navigationController();
  if (!navigation) return;
  try {
    auto setup = platform::ui::Storyboard::storyboardWithName(state()->storyBoardName)
                     .instantiateViewControllerWithIdentifier(kSetupIdentifier);
    // The setup screens come down from the header rather than in from the side.
    auto transition = std::make_shared<platform::ui::Transition>();
    transition->duration = 0.5;
    transition->timing = platform::ui::TimingFunction::EaseInEaseOut;
    transition->type = platform::ui::TransitionType::Push;
    transition->subtype = platform::ui::TransitionSubtype::FromTop;
    navigation->view()->layer().addAnimation(transition, platform::ui::kTransitionKey);
    navigation->pushViewController(setup, false);
  } catch (const platform::foundation::Exception& e) {
    platform::log::write(platform::log::Error, std::string("the setup screen cannot be opened: ") + e.what());
  }
}

void NewMainViewController::showGuide(settings::BasicGuide& guide) {
  if (guide.guideTag != 110) return;
  const auto& button = *views_.formatButtonOne;
  const auto tapCenter = button.superview() ? button.superview()->convertPointTo(button.center(), view().get())
                                            : button.center();
  const auto size = view()->bounds().size;
  guide.createAndShowGuideWithTapCenter(tapCenter, {size.width / 2, size.height - 100});
}

// --- pages and swipes ---


void NewMainViewController::applyPage(int page) {
  if (page < 1 || page > 6) return;
  MainScreenPages::show(views_, constraints_, page, isSmallPhone());
  if (page != 6) view()->setNeedsLayout();
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

