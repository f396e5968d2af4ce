#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/kit/MenuScrollView.h"
#include "app/main/InputScrollView.h"
#include "app/main/MainScreenLayout.h"
#include "app/main/MainScreenValueFlow.h"
#include "app/pages/CoverageView.h"
#include "app/pages/DOFView.h"
#include "app/pages/FOVView.h"
#include "app/pages/LensMatchView.h"
#include "app/pages/SensorsView.h"
#include "app/settings/InteractiveGuideDelegate.h"
#include "app/settings/SettingsDelegates.h"
#include "app/settings/SettingsView.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SwipeGestureRecognizer.h"
#include "platform/ui/ViewController.h"

namespace app::settings {
class InteractiveGuideManager;
}  // namespace app::settings
namespace app::state {
class FramesObject;
}  // namespace app::state

namespace app::main {

 
 

// The app's main screen: two camera packages, five scroll bars, two value displays, the menu strip and
// six result pages. It is the hub every piece of the screen reports to. It is built on
// MainScreenValueFlow, which answers the bars, the value displays and the lens match page and keeps the
// values each package shows; this class holds the views, the pages, the theme, the keyboard and the way
// to the setup screens. The state object is read at the moment of use through the application delegate
// and never kept.
class NewMainViewController : public platform::ui::ViewController,
                              public MainScreenValueFlow,
                              public kit::MenuDelegate,
                              public settings::ColorThemeViewDelegate,
                              public settings::MeasurementSystemViewDelegate,
                              public settings::InteractiveGuideDelegate {
 public:
  static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
      "NewMainViewController"};
  static constexpr const char* kStoryboardIdentifier = "NewMainViewController";
  static constexpr const char* kSetupIdentifier = "NewCameraSetupViewController";
  static constexpr int kGuideScreen = 1;
  // Under a package's header, in the adapter's place, while it stands in for a stored one that could not
  // be read: the person learns it without reading the log.
  static constexpr const char* kStandsIn = "Shown for now: your stored package could not be read";

  // The device name the small-phone constants are chosen by; the hardware table's by default.
  static void setDeviceNameForTesting(std::optional<std::string> name);

  // --- life cycle ---
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void traitCollectionDidChange(const platform::ui::TraitCollection& previous) override;

  // --- set-up ---
  void bindSwipeGesture();
  void didSwipe(platform::ui::SwipeGestureRecognizer& swipe);
  void setupViewsAndCalculate();
  void setUIStringsAndArrays();

  // --- header buttons and the setup screens ---
  void formatBtnOneHighlighted();
  void formatBtnOneNotHighlighted();
  void formatBtnTwoHighlighted();
  void formatBtnTwoNotHighlighted();
  void formatOneButtonClick();
  void formatTwoButtonClick();
  void startSetupController();

  // --- pages ---
  void goToMenuPosition(int page) override;
  void setupDOF();
  void setupFOV();
  void setupLensMatch();
  void setupSensors();
  void setupCoverage();
  void setupSetting();
  int preferredScreenEdgesDeferringSystemGestures() const { return 15; }
  bool prefersHomeIndicatorAutoHidden() const { return true; }

  // ValueDisplayViewDelegate's keyboard calls, sent from the screen's own keyboard observers; the typed
  // values are the value flow's.
  void valueDisplayKeyboardAnimationShow(const platform::foundation::Value& duration,
                                         const platform::ui::Rect& keyboardRect, bool isSecondCamera) override;
  void valueDisplayKeyboardAnimationHide(const platform::foundation::Value& duration) override;

  // --- theme ---
  bool SystemInDarkMode() const;
  void updateColorTheme();
  void updateLayout() override;

  // --- guides ---
  void showGuide(settings::BasicGuide& guide) override;

  // --- keyboard ---
  void valueDisplayKeyboardAnimationShow(double duration, const platform::ui::Rect& keyboardRect,
                                         bool isSecondCamera);
  void valueDisplayKeyboardAnimationHide(double duration);
  void cancelKeyboard();
  void startnotificationObserver();
  void startnotificationObserverHide();
  void myNotificationMethod(const platform::foundation::Notification& notification);
  void myNotificationMethodHide(const platform::foundation::Notification& notification);
  void removeNotificationObserver();
  // What the keyboard lifts a value display by: its height less the room under the edge it must clear,
  // never below 0.
  static double keyboardLift(double keyboardHeight, double screenHeight, double edgeY);

  // --- state ---
  int menuPositionMain = 1;
  bool blockSwipe = false;
  const app::main::MainScreenViews& views() const { return views_; }
  app::main::MainScreenConstraints& constraints() { return constraints_; }
  size_t swipeRecognizerCount() const;
  bool observingKeyboard() const { return keyboardShow_.has_value(); }

 protected:
  NewMainViewController();

 private:
  static std::shared_ptr<state::FramesObject> state();
  std::shared_ptr<settings::InteractiveGuideManager> guideManager() const;
  std::shared_ptr<NewMainViewController> self();
  void connectDelegates();
  void connectTargets();
  void applyPage(int page);
  void setSecondPackageColours();
  void setHeader(const std::optional<model::CameraPackage>& package, bool standsIn, platform::ui::Label& format,
                 platform::ui::Label& lens, platform::ui::Label& adapter, platform::ui::LayoutConstraint& top);
  void scaleHeader(platform::ui::View& header, double scale, unsigned curve);
  void matchFocalLength(bool sourceIsTwo, float focalLength);
  bool isSmallPhone() const;
  std::optional<float> startDistance(const model::LensObject& lens) const;

  app::main::MainScreenViews views_;
  app::main::MainScreenConstraints constraints_;
  std::shared_ptr<platform::ui::SwipeGestureRecognizer> swipeLeft_, swipeRight_;
  std::optional<platform::foundation::NotificationCenter::Observation> keyboardShow_, keyboardHide_;
  std::shared_ptr<settings::InteractiveGuideManager> myInteractiveGuideManager_;
  bool targetsConnected_ = false;
};

}  // namespace app::main

