#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/settings/BasicGuide.h"
#include "app/settings/InteractiveGuideDelegate.h"
#include "platform/dispatch/Timer.h"

namespace app::settings {

// Watches which screen is in front, counts how long the main screen has been shown over all launches,
// keeps the guide and rating state in Documents/InteractiveGuideSettings.plist, and hands a due guide
// (or the rating request) to the registered screen. It draws nothing itself. Main thread only.
class InteractiveGuideManager : public GuideManagerDelegate, public std::enable_shared_from_this<InteractiveGuideManager> {
 public:
  static constexpr const char* kSettingsFile = "InteractiveGuideSettings.plist";
  // Nine numbers and a date: a settings file past this bound is not one the app wrote.
  static constexpr std::size_t kSettingsFileMaximumBytes = std::size_t{1} << 20;
  static constexpr int64_t kMaxViewTime = 9223372036854675807;  // the largest int64 less 100000
  static constexpr int kRatingTag = 100;
  static constexpr int kMainScreen = 1;
  static constexpr int kSetupMenuScreen = 100;

  // The one manager, made on first call; the application delegate keeps it for the screens.
  static std::shared_ptr<InteractiveGuideManager> getSingleton();
  // The manager as every screen reaches it: the application delegate's getInteractiveGuide, or the one
  // manager when the application has no AppDelegate (a screen shown on its own). Never null.
  static std::shared_ptr<InteractiveGuideManager> ofApplication();
  static std::string settingsPath();

  // `delegate` is not retained.
  void registerViewForInteractiveGuide(const std::shared_ptr<InteractiveGuideDelegate>& delegate,
                                       const std::shared_ptr<platform::ui::View>& view, int constant);
  void unregisterViewForInteractiveGuide();
  void interAction();
  void didInteractWithRatingDialog();
  void didEnterSetup_MainView();
  void exitGuide(BasicGuide& guide) override;

  void saveInteractiveGuidePrefs();
  void loadInteractiveGuidePrefs();
  void startTimer();
  void stopTimer();
  void updateViewTime();
  void checkIfSomethingIs2Show();
  void checkShowRating();
  bool isRatingTime();
  void checkMainViewGuides();
  void checkAspectRatioSettingsGuide();
  void checkLensAdapterGuide();
  static int64_t daysBetweenDate(double from, double to);

  // Properties and persisted state, for the screens and for checks.
  float viewTimeCount = 0;
  bool aspectRatioShown = false;
  int ratingShowCounter = 0;
  bool didEnterSetup = false;
  double firstStart = 0;
  int64_t mainViewTotalViewTime = 0;
  int currentViewName = 0;
  bool guideIsShown = false;
  bool didExit_Guide_MainView_GetStarted = false;
  bool didExit_Guide_ModeAspect_NativeAspect = false;
  bool didExit_Guide_LensAdapter_OpticalAdapter = false;
  bool didShowRatingDialog = false;
  bool didRated = false;
  const std::shared_ptr<BasicGuide>& currentGuide() const { return currentGuide_; }
  bool isRegistered() const { return static_cast<bool>(igDelegate_.lock()); }
  bool timersRunning() const { return myViewTimer_ != nullptr || viewShowTimer_ != nullptr; }

  InteractiveGuideManager() = default;

 private:
  // Hands a guide of `tag` to the registered screen and keeps it as the current one.
  void present(std::shared_ptr<BasicGuide> guide, int tag);

  std::shared_ptr<platform::dispatch::Timer> viewShowTimer_;
  std::shared_ptr<platform::dispatch::Timer> myViewTimer_;
  std::weak_ptr<InteractiveGuideDelegate> igDelegate_;
  std::weak_ptr<platform::ui::View> currentView_;
  std::shared_ptr<BasicGuide> currentGuide_;
  bool temporariesSwept_ = false;
  // Set when something that could not be kept aside (a FIFO, a link that leads nowhere) stands in the
  // settings file's place: the state lives in memory for the run and nothing is written over it.
  bool settingsLeftInPlace_ = false;
};

}  // namespace app::settings

