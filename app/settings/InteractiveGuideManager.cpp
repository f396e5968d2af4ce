#include "app/settings/InteractiveGuideManager.h"

#include <mutex>

#include "app/state/AppDelegate.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Calendar.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "platform/runtime/LoadHooks.h"

using platform::foundation::Value;

namespace app::settings {

namespace {

double now() { return platform::foundation::Clock::current()->now(); }

// The application delegate makes its guide manager through this; it cannot name this folder itself.
// App classes load after the platform's own.
constexpr int kGuideLoadOrder = 100;
const bool guideMakerInstalled = (platform::runtime::addLoadHook(kGuideLoadOrder, [] {
  app::state::AppDelegate::setInteractiveGuideMaker(&InteractiveGuideManager::getSingleton);
}), true);

// A flag is stored as 0/1 but read by its truth value, so a file holding booleans reads the same.
bool flag(const Value& stored, const char* key) {
  return stored[key].toBool();
}

// Seconds on the main screen are never negative: a total below zero (a hand edit, or an earlier build's
// count that ran past the largest integer) would hold the rating prompt back for ever, so it counts
// from 0 again. What is no number reads as 0 too.
int64_t mainScreenTime(const Value& stored, const std::string& path) {
  const int64_t total = stored["MAINVIEWTOTALVIEWTIME"].toInt64();
  if (total >= 0) return total;
  platform::log::write(platform::log::Warning, "The main screen's time in " + path + " is negative (" +
                                                   std::to_string(total) + " s); it counts from 0 again");
  return 0;
}

}  // namespace

std::shared_ptr<InteractiveGuideManager> InteractiveGuideManager::getSingleton() {
  static std::mutex lock;
  static std::shared_ptr<InteractiveGuideManager> shared;
  std::lock_guard<std::mutex> guard(lock);
  if (!shared) shared = std::make_shared<InteractiveGuideManager>();
  return shared;
}

std::shared_ptr<InteractiveGuideManager> InteractiveGuideManager::ofApplication() {
  (void)guideMakerInstalled;
  if (auto delegate = app::state::AppDelegate::shared()) {
    if (auto manager = delegate->getInteractiveGuide()) return manager;
  }
  return getSingleton();
}

std::string InteractiveGuideManager::settingsPath() {
  return platform::foundation::Paths::documents() + "/" + kSettingsFile;
}

void InteractiveGuideManager::loadInteractiveGuidePrefs() {
  const std::string path = settingsPath();
  // Saves killed before their rename leave hidden temporaries beside the file that no load reads.
  if (!temporariesSwept_) {
    platform::foundation::AtomicFile::removeStaleTemporariesOf(path);
    temporariesSwept_ = true;
  }
  // Each screen loads again what the last one saved; with nothing saved, what this run holds stands.
  if (settingsLeftInPlace_) return;
  if (!platform::foundation::AtomicFile::anythingAt(path)) {
    firstStart = now();
    didEnterSetup = false;
    didRated = false;
    ratingShowCounter = 0;
    return;
  }
  Value stored = platform::foundation::PropertyList::readFile(path, kSettingsFileMaximumBytes);
  if (!stored.isDictionary()) {
    // The next save writes over it: the person's file is kept first, and this load reads as empty.
    using platform::foundation::DamagedFile;
    const auto kept = DamagedFile::keepBeforeReplacing(path);
    DamagedFile::reportKept(path, kept, "interactive-guide settings file", "the guides and the rating prompt start over");
    settingsLeftInPlace_ = !kept.ok();
    stored = Value(platform::foundation::Dictionary{});
  }
  didEnterSetup = flag(stored, "didEnterSetup");
  mainViewTotalViewTime = mainScreenTime(stored, path);
  firstStart = stored["FIRSTSTARTDATE"].date().value_or(now());
  didExit_Guide_MainView_GetStarted = flag(stored, "didExit_Guide_MainView_GetStarted");
  didExit_Guide_LensAdapter_OpticalAdapter = flag(stored, "didExit_Guide_LensAdapter_OpticalAdapter");
  didExit_Guide_ModeAspect_NativeAspect = flag(stored, "didExit_Guide_ModeAspect_NativeAspect");
  didShowRatingDialog = flag(stored, "didShowRatingDialog");
  didRated = flag(stored, "didRated");
  ratingShowCounter = static_cast<int>(stored["ratingShowCounter"].toInt64());
}

void InteractiveGuideManager::saveInteractiveGuidePrefs() {
  if (settingsLeftInPlace_) return;
  const auto bit = [](bool b) { return Value(static_cast<int64_t>(b ? 1 : 0)); };
  platform::foundation::Dictionary file{
      {"didEnterSetup", bit(didEnterSetup)},
      {"MAINVIEWTOTALVIEWTIME", Value(mainViewTotalViewTime)},
      {"FIRSTSTARTDATE", Value::date(firstStart)},
      {"didExit_Guide_MainView_GetStarted", bit(didExit_Guide_MainView_GetStarted)},
      {"didExit_Guide_LensAdapter_OpticalAdapter", bit(didExit_Guide_LensAdapter_OpticalAdapter)},
      {"didExit_Guide_ModeAspect_NativeAspect", bit(didExit_Guide_ModeAspect_NativeAspect)},
      {"didShowRatingDialog", bit(didShowRatingDialog)},
      {"didRated", bit(didRated)},
      {"ratingShowCounter", Value(static_cast<int64_t>(ratingShowCounter))},
  };
  platform::foundation::Error error;
  if (!platform::foundation::PropertyList::writeFile(settingsPath(), Value(std::move(file)),
                                                     platform::foundation::PropertyList::Format::Xml, &error)) {
    platform::log::write(platform::log::Error, "the guide settings could not be saved: " + error.description());
  }
}

void InteractiveGuideManager::registerViewForInteractiveGuide(const std::shared_ptr<InteractiveGuideDelegate>& delegate,
                                                              const std::shared_ptr<platform::ui::View>& view,
                                                              int constant) {
  loadInteractiveGuidePrefs();
  viewTimeCount = 0;
  currentView_ = view;
  igDelegate_ = delegate;
  currentViewName = constant;
  startTimer();
  // A registration while another is still running replaces its check timer rather than adding a second.
  if (viewShowTimer_) viewShowTimer_->invalidate();
  std::weak_ptr<InteractiveGuideManager> weak = weak_from_this();
  viewShowTimer_ = platform::dispatch::Timer::scheduled(0.5, true, platform::dispatch::Queue::main(), [weak] {
    if (auto self = weak.lock()) self->checkIfSomethingIs2Show();
  });
}

void InteractiveGuideManager::unregisterViewForInteractiveGuide() {
  saveInteractiveGuidePrefs();
  if (currentGuide_) {
    auto guide = currentGuide_;
    guide->hideInteractiveGuide();
    currentGuide_.reset();
    guideIsShown = false;
  }
  if (currentViewName == kMainScreen) {
    platform::log::write(platform::log::Debug, "MainView Total View Time: " + std::to_string(mainViewTotalViewTime) +
                                                   " | FirstIGStart: " + Value::date(firstStart).description());
  }
  igDelegate_.reset();
  currentView_.reset();
  guideIsShown = false;
  if (viewShowTimer_) viewShowTimer_->invalidate();
  viewShowTimer_.reset();
  stopTimer();
  saveInteractiveGuidePrefs();
}

void InteractiveGuideManager::startTimer() {
  stopTimer();
  std::weak_ptr<InteractiveGuideManager> weak = weak_from_this();
  myViewTimer_ = platform::dispatch::Timer::scheduled(1.0, true, platform::dispatch::Queue::main(), [weak] {
    if (auto self = weak.lock()) self->updateViewTime();
  });
}

void InteractiveGuideManager::stopTimer() {
  if (myViewTimer_) myViewTimer_->invalidate();
  myViewTimer_.reset();
}

void InteractiveGuideManager::updateViewTime() {
  viewTimeCount += 1;
  // A total at the cap stays there, and so does one past it: counting on from there would overflow.
  if (currentViewName == kMainScreen && mainViewTotalViewTime < kMaxViewTime) ++mainViewTotalViewTime;
}

void InteractiveGuideManager::checkIfSomethingIs2Show() {
  if (!guideIsShown && currentViewName == kSetupMenuScreen) checkShowRating();
}

int64_t InteractiveGuideManager::daysBetweenDate(double from, double to) {
  return platform::foundation::Calendar::daysBetween(from, to);
}

bool InteractiveGuideManager::isRatingTime() {
  const int64_t days = daysBetweenDate(firstStart, now());
  platform::log::write(platform::log::Debug, "Days From Start to now: " + std::to_string(days) +
                                                 " - ratingAlertShowed: " + std::to_string(ratingShowCounter));
  return !didRated && days >= 21 && ratingShowCounter < 15 && mainViewTotalViewTime >= 601;
}

void InteractiveGuideManager::present(std::shared_ptr<BasicGuide> guide, int tag) {
  auto delegate = igDelegate_.lock();
  if (!delegate) return;
  guideIsShown = true;
  guide->superView = currentView_;
  guide->guideTag = tag;
  guide->myDelegate = std::shared_ptr<GuideManagerDelegate>(shared_from_this(), this);
  currentGuide_ = guide;
  delegate->showGuide(*guide);
}

void InteractiveGuideManager::checkShowRating() {
  if (!igDelegate_.lock()) return;
  guideIsShown = true;
  if (!isRatingTime()) return;
  ++ratingShowCounter;
  present(std::make_shared<BasicGuide>(), kRatingTag);
}

void InteractiveGuideManager::checkMainViewGuides() {
  if (viewTimeCount > 10 && !didExit_Guide_MainView_GetStarted) {
    present(std::make_shared<Guide_MainView_GetStarted>(), 110);
  }
}

void InteractiveGuideManager::checkAspectRatioSettingsGuide() {
  if (viewTimeCount > 0 && !didExit_Guide_ModeAspect_NativeAspect && aspectRatioShown) {
    present(std::make_shared<Guide_ModeAspect_NativeAspect>(), 300);
  }
}

void InteractiveGuideManager::checkLensAdapterGuide() {
  if (viewTimeCount > 0 && !didExit_Guide_LensAdapter_OpticalAdapter) {
    present(std::make_shared<Guide_LensAdapter_OpticalAdapter>(), 310);
  }
}

void InteractiveGuideManager::exitGuide(BasicGuide& guide) {
  guideIsShown = false;
  switch (guide.guideTag) {
    case 310: didExit_Guide_LensAdapter_OpticalAdapter = true; break;
    case 300: didExit_Guide_ModeAspect_NativeAspect = true; break;
    case 110:
      didExit_Guide_MainView_GetStarted = true;
      viewTimeCount = 5.0f;
      break;
    default: break;
  }
  saveInteractiveGuidePrefs();
}

void InteractiveGuideManager::interAction() {
  if (!currentGuide_) return;
  auto guide = currentGuide_;
  if (guide->guideTag == 110) {
    didExit_Guide_MainView_GetStarted = true;
    viewTimeCount = 5.0f;
  }
  guide->hideInteractiveGuide();
  saveInteractiveGuidePrefs();
}

void InteractiveGuideManager::didInteractWithRatingDialog() {
  didRated = true;
  saveInteractiveGuidePrefs();
}

void InteractiveGuideManager::didEnterSetup_MainView() {
  didExit_Guide_MainView_GetStarted = true;
  saveInteractiveGuidePrefs();
}

}  // namespace app::settings

