// The guide manager on the manual clock and calendar: when the rating prompt is asked for, how view time
// is counted, what the settings file holds, and how guides end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>

#include "app/settings/InteractiveGuideManager.h"
#include "app/settings/SettingsTestSupport.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Calendar.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Paths.h"
#include "platform/log/Log.h"
#include "testing/FileContents.h"
#include "testing/ScopedEnvironmentVariable.h"

namespace app::settings {

namespace {

using platform::foundation::Value;
using platform::ui::make;

constexpr double kDay = 24 * 3600;

struct Screen : InteractiveGuideDelegate {
  void showGuide(BasicGuide& guide) override { tags.push_back(guide.guideTag); }
  std::vector<int> tags;
};

class GuideManagerTest : public ostrel::testing::SettingsTest {
 protected:
  GuideManagerTest() {
    view = make<platform::ui::View>(platform::ui::Rect{0, 0, 390, 844});
    window->addSubview(view);
  }
  ~GuideManagerTest() override { manager->unregisterViewForInteractiveGuide(); }

  ostrel::testing::ScopedEnvironmentVariable zone{"TZ", "UTC"};

  static double now() { return platform::foundation::Clock::current()->now(); }
  // A settings file as an earlier run left it.
  static void writeFile(double daysAgo, int64_t mainScreenSeconds, int counter, Value rated = Value(int64_t{0})) {
    platform::foundation::Dictionary file{{"FIRSTSTARTDATE", Value::date(now() - daysAgo * kDay)},
                                          {"MAINVIEWTOTALVIEWTIME", Value(mainScreenSeconds)},
                                          {"ratingShowCounter", Value(static_cast<int64_t>(counter))},
                                          {"didRated", rated}};
    platform::foundation::PropertyList::writeFile(InteractiveGuideManager::settingsPath(), Value(std::move(file)),
                                                  platform::foundation::PropertyList::Format::Xml);
  }
  static Value storedGuide(const std::string& key) {
    return platform::foundation::PropertyList::readFile(InteractiveGuideManager::settingsPath())[key];
  }
  void registerOn(int screenConstant) {
    manager->registerViewForInteractiveGuide(screen, view, screenConstant);
  }

  std::shared_ptr<InteractiveGuideManager> manager = std::make_shared<InteractiveGuideManager>();
  std::shared_ptr<Screen> screen = std::make_shared<Screen>();
  std::shared_ptr<platform::ui::View> view;
};

TEST_F(GuideManagerTest, RatingIsRequestedOnceWhenEveryConditionHolds) {
  writeFile(21, 601, 14);
  registerOn(InteractiveGuideManager::kSetupMenuScreen);
  env.advance(3);
  EXPECT_EQ(screen->tags, std::vector<int>{100});
  EXPECT_EQ(manager->ratingShowCounter, 15);
  manager->unregisterViewForInteractiveGuide();
  EXPECT_EQ(storedGuide("ratingShowCounter").toInt64(), 15);

  registerOn(InteractiveGuideManager::kSetupMenuScreen);
  env.advance(3);
  EXPECT_EQ(screen->tags.size(), 1u) << "the counter has reached 15";
}

TEST_F(GuideManagerTest, RatingIsNotRequestedShortOfAnyCondition) {
  struct Case {
    double days;
    int64_t seconds;
    int counter;
    bool rated;
  };
  for (const Case& c : {Case{20, 601, 0, false}, Case{21, 600, 0, false}, Case{21, 601, 15, false},
                        Case{30, 5000, 0, true}}) {
    writeFile(c.days, c.seconds, c.counter, Value(static_cast<int64_t>(c.rated)));
    registerOn(InteractiveGuideManager::kSetupMenuScreen);
    env.advance(2);
    manager->unregisterViewForInteractiveGuide();
    EXPECT_TRUE(screen->tags.empty()) << c.days << " days, " << c.seconds << " s";
  }
}

TEST_F(GuideManagerTest, DaysAreCalendarDays) {
  // 21 days less an hour, but across 21 midnights.
  const double lateEvening = platform::foundation::Calendar::startOfDay(now()) + 23.5 * 3600;
  EXPECT_EQ(InteractiveGuideManager::daysBetweenDate(lateEvening - 21 * kDay + 3600, lateEvening + 3600), 21);
  EXPECT_EQ(InteractiveGuideManager::daysBetweenDate(lateEvening, lateEvening + 3600), 1);
}

TEST_F(GuideManagerTest, AnsweringThePromptEndsRequestsForGood) {
  writeFile(40, 5000, 0);
  manager->didInteractWithRatingDialog();
  EXPECT_EQ(storedGuide("didRated").toInt64(), 1);
  registerOn(InteractiveGuideManager::kSetupMenuScreen);
  env.advance(2);
  EXPECT_TRUE(screen->tags.empty());
}

TEST_F(GuideManagerTest, MainScreenTimeIsCountedOnlyThereAndKeptAcrossLaunches) {
  writeFile(0, 100, 0);
  registerOn(InteractiveGuideManager::kMainScreen);
  env.advance(3);
  manager->unregisterViewForInteractiveGuide();
  EXPECT_EQ(storedGuide("MAINVIEWTOTALVIEWTIME").toInt64(), 103);
  registerOn(InteractiveGuideManager::kSetupMenuScreen);
  env.advance(3);
  manager->unregisterViewForInteractiveGuide();
  EXPECT_EQ(storedGuide("MAINVIEWTOTALVIEWTIME").toInt64(), 103);
  env.advance(5);
  EXPECT_EQ(storedGuide("MAINVIEWTOTALVIEWTIME").toInt64(), 103) << "no timer left after unregistering";

  auto relaunched = std::make_shared<InteractiveGuideManager>();
  relaunched->loadInteractiveGuidePrefs();
  EXPECT_EQ(relaunched->mainViewTotalViewTime, 103);
}

// A total the file holds at or past the cap (hand-edited, damaged) stays where it is and still lets the
// prompt come; one below zero, or no number at all, counts from 0.
TEST_F(GuideManagerTest, MainScreenTimeStopsAtTheCapAndNeverRunsNegative) {
  constexpr int64_t kLargest = std::numeric_limits<int64_t>::max();
  for (int64_t stored : {InteractiveGuideManager::kMaxViewTime, InteractiveGuideManager::kMaxViewTime + 1, kLargest}) {
    writeFile(30, stored, 0);
    registerOn(InteractiveGuideManager::kMainScreen);
    env.advance(3);
    manager->unregisterViewForInteractiveGuide();
    EXPECT_EQ(storedGuide("MAINVIEWTOTALVIEWTIME").toInt64(), stored);
    registerOn(InteractiveGuideManager::kSetupMenuScreen);
    env.advance(1);
    manager->unregisterViewForInteractiveGuide();
    EXPECT_EQ(screen->tags, std::vector<int>{100}) << stored;
    screen->tags.clear();
  }
  for (Value stored : {Value(int64_t{-5}), Value(-kLargest - 1), Value("many"), Value(-1e300)}) {
    platform::foundation::Dictionary file{{"MAINVIEWTOTALVIEWTIME", stored}};
    ASSERT_TRUE(platform::foundation::PropertyList::writeFile(InteractiveGuideManager::settingsPath(),
                                                              Value(std::move(file)),
                                                              platform::foundation::PropertyList::Format::Xml));
    registerOn(InteractiveGuideManager::kMainScreen);
    env.advance(3);
    manager->unregisterViewForInteractiveGuide();
    EXPECT_EQ(storedGuide("MAINVIEWTOTALVIEWTIME").toInt64(), 3) << stored.description();
  }
}

TEST_F(GuideManagerTest, RegisteringAgainReplacesTheRunningTimers) {
  registerOn(InteractiveGuideManager::kMainScreen);
  registerOn(InteractiveGuideManager::kMainScreen);
  const int64_t start = manager->mainViewTotalViewTime;
  env.advance(2);
  EXPECT_EQ(manager->viewTimeCount, 2);
  EXPECT_EQ(manager->mainViewTotalViewTime, start + 2);
  // Both of the first registration's timers were stopped: unregistering leaves none behind.
  const size_t others = platform::foundation::Clock::current()->pendingTimers() - 2;
  manager->unregisterViewForInteractiveGuide();
  EXPECT_EQ(platform::foundation::Clock::current()->pendingTimers(), others);
}

TEST_F(GuideManagerTest, FileStoresIntegersAndReadsBooleansAlike) {
  manager->loadInteractiveGuidePrefs();
  manager->didExit_Guide_MainView_GetStarted = true;
  manager->didEnterSetup = true;
  manager->saveInteractiveGuidePrefs();
  for (const char* key : {"didEnterSetup", "didExit_Guide_MainView_GetStarted", "didRated", "didShowRatingDialog",
                          "didExit_Guide_ModeAspect_NativeAspect", "didExit_Guide_LensAdapter_OpticalAdapter"}) {
    EXPECT_EQ(storedGuide(key).type(), Value::Type::Integer) << key;
  }
  EXPECT_TRUE(storedGuide("FIRSTSTARTDATE").isDate());

  platform::foundation::Dictionary booleans{{"didEnterSetup", Value(true)},
                                            {"didExit_Guide_MainView_GetStarted", Value(true)},
                                            {"didRated", Value(false)}};
  platform::foundation::PropertyList::writeFile(InteractiveGuideManager::settingsPath(), Value(std::move(booleans)),
                                                platform::foundation::PropertyList::Format::Xml);
  auto reader = std::make_shared<InteractiveGuideManager>();
  reader->loadInteractiveGuidePrefs();
  EXPECT_TRUE(reader->didEnterSetup);
  EXPECT_TRUE(reader->didExit_Guide_MainView_GetStarted);
  EXPECT_FALSE(reader->didRated);
  EXPECT_EQ(reader->firstStart, now()) << "a missing first-start date reads as now";
}

TEST_F(GuideManagerTest, AnUnreadableFileReadsAsDefaultsAndIsKeptAside) {
  const std::string path = InteractiveGuideManager::settingsPath();
  platform::log::CapturedLines log;
  for (const std::string damage : {"not a plist", "<plist><dict><key>ratingShowCounter</key><integer>1"}) {
    writeFile(30, 900, 7);
    manager->loadInteractiveGuidePrefs();
    ASSERT_EQ(manager->ratingShowCounter, 7);
    ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(path, damage).ok());
    manager->loadInteractiveGuidePrefs();
    EXPECT_EQ(manager->ratingShowCounter, 0);
    EXPECT_FALSE(manager->didRated);
    EXPECT_EQ(manager->firstStart, now());
    const auto kept = ostrel::testing::damagedCopiesOf(path);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(ostrel::testing::contentsOf(kept.back()), damage);
    EXPECT_TRUE(log.contains("kept as " + kept.back()));
  }
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(path).size(), 2u) << "the second damage keeps the first copy";
}

// What is not a file in the settings file's place (a FIFO, a link to a device, a link that leads
// nowhere or round in a loop) reads without waiting, is named once, and stays as it was: the guides run
// on what this run holds. A file as good as endless is kept aside as a damaged one.
TEST_F(GuideManagerTest, WhatIsNotTheSettingsFileIsLeftInPlaceAndAnEndlessOneKeptAside) {
  namespace fs = std::filesystem;
  const std::string path = InteractiveGuideManager::settingsPath();
  const std::vector<std::function<void()>> strangers = {
      [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
      [&] { fs::create_symlink("/dev/zero", path); },
      [&] { fs::create_symlink(path + ".unmounted/settings", path); },
      [&] { fs::create_symlink(path, path); }};
  for (const auto& place : strangers) {
    fs::remove(path);
    place();
    const std::string kind = platform::foundation::AtomicFile::whatStandsAt(path).words();
    platform::log::CapturedLines log;
    auto reader = std::make_shared<InteractiveGuideManager>();
    reader->loadInteractiveGuidePrefs();
    EXPECT_EQ(reader->ratingShowCounter, 0) << kind;
    reader->ratingShowCounter = 3;
    reader->saveInteractiveGuidePrefs();
    reader->loadInteractiveGuidePrefs();
    EXPECT_EQ(reader->ratingShowCounter, 3) << kind << ": what the run holds stands";
    EXPECT_EQ(platform::foundation::AtomicFile::whatStandsAt(path).words(), kind);
    EXPECT_TRUE(ostrel::testing::damagedCopiesOf(path).empty()) << kind;
    EXPECT_EQ(log.lines().size(), 1u) << kind;
    EXPECT_TRUE(log.contains(path + " is " + kind)) << kind;
  }

  fs::remove(path);
  writeFile(30, 900, 7);
  fs::resize_file(path, std::uintmax_t{1} << 40);
  manager->loadInteractiveGuidePrefs();
  EXPECT_EQ(manager->ratingShowCounter, 0);
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(path).size(), 1u);
  manager->saveInteractiveGuidePrefs();
  EXPECT_TRUE(storedGuide("FIRSTSTARTDATE").isDate());
}

// A save killed before its rename leaves ".InteractiveGuideSettings.plist.XXXXXX" in Documents; the
// next start takes those no writer holds, and nothing else of the folder's.
TEST_F(GuideManagerTest, TheFirstLoadSweepsTheSettingsFilesLeftOverTemporariesOnly) {
  const std::string documents = platform::foundation::Paths::documents();
  const auto leave = [&](const std::string& name, double age) {
    const std::string path = documents + "/" + name;
    EXPECT_TRUE(platform::foundation::AtomicFile::writeAtomically(path, "<plist><dict><key>didRa").ok());
    const timespec when{static_cast<time_t>(now() - age), 0};
    const timespec times[2] = {when, when};
    EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    return path;
  };
  const std::string killed = leave(".InteractiveGuideSettings.plist.a1B2c3", 2 * 3600);
  const std::string futureDated = leave(".InteractiveGuideSettings.plist.Zz9Yy8", -600);
  const std::string fresh = leave(".InteractiveGuideSettings.plist.Qq7Rr6", 60);
  const std::string held = leave(".InteractiveGuideSettings.plist.Hh5Gg4", 2 * 3600);
  const std::string persons = leave(".notes.backup", 2 * 3600);
  const std::string persons2 = leave(".InteractiveGuideSettings.plist.copy.a1B2c3", 2 * 3600);
  const int writer = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);

  writeFile(30, 900, 7);
  manager->loadInteractiveGuidePrefs();
  EXPECT_EQ(manager->ratingShowCounter, 7);
  EXPECT_FALSE(platform::foundation::AtomicFile::fileExists(killed));
  EXPECT_FALSE(platform::foundation::AtomicFile::fileExists(futureDated));
  EXPECT_TRUE(platform::foundation::AtomicFile::fileExists(fresh)) << "a write may still be under way";
  EXPECT_TRUE(platform::foundation::AtomicFile::fileExists(held)) << "its writer still holds it";
  EXPECT_TRUE(platform::foundation::AtomicFile::fileExists(persons));
  EXPECT_TRUE(platform::foundation::AtomicFile::fileExists(persons2));
  ::close(writer);
  EXPECT_TRUE(platform::foundation::AtomicFile::fileExists(InteractiveGuideManager::settingsPath()));
}

TEST_F(GuideManagerTest, GetStartedGuideIsPlacedAndEndsDoneWithFiveSeconds) {
  registerOn(InteractiveGuideManager::kMainScreen);
  env.advance(11);
  manager->checkMainViewGuides();
  ASSERT_EQ(screen->tags, std::vector<int>{110});
  auto guide = manager->currentGuide();
  guide->createAndShowGuideWithTapCenter({100, 100}, {195, 744});
  env.advance(0.5);
  ASSERT_TRUE(guide->guideMessage());
  EXPECT_EQ(guide->guideMessage()->superview(), view.get());
  EXPECT_EQ(guide->guideMessage()->messageLabel()->text(), "Start by selecting your camera and lenses.");
  EXPECT_EQ(guide->tapIndicator()->center(), (platform::ui::Point{100, 100}));
  env.advance(3);  // the marker's loop runs on the clock

  // The bubble is drawn at 1.2 times its 360 points, wider than the phone: its button is pressed directly.
  guide->guideMessage()->closeBtn()->sendActionsForControlEvents(platform::ui::ControlEvent::TouchUpInside);
  EXPECT_TRUE(manager->didExit_Guide_MainView_GetStarted);
  EXPECT_EQ(manager->viewTimeCount, 5);
  EXPECT_EQ(storedGuide("didExit_Guide_MainView_GetStarted").toInt64(), 1);
  EXPECT_TRUE(view->subviews().empty());
}

TEST_F(GuideManagerTest, AUserActionEndsTheCurrentGuide) {
  registerOn(3);
  manager->checkLensAdapterGuide();
  EXPECT_TRUE(screen->tags.empty()) << "not before the first second on the screen";
  env.advance(1);
  manager->checkLensAdapterGuide();
  ASSERT_EQ(screen->tags, std::vector<int>{310});
  manager->interAction();
  EXPECT_TRUE(manager->didExit_Guide_LensAdapter_OpticalAdapter);
  EXPECT_FALSE(manager->guideIsShown);
  manager->checkAspectRatioSettingsGuide();
  EXPECT_EQ(screen->tags.size(), 1u) << "guide 300 waits for the aspect-ratio choice";
}

}  // namespace

}  // namespace app::settings

