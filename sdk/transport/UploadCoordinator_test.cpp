#include "sdk/transport/UploadCoordinator.h"

#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Application.h"
#include "platform/ui/Scene.h"
#include "sdk/transport/ApplicationAdapter.h"
#include "sdk/transport/FlatFileEventStoreTestSupport.h"
#include "sdk/transport/Lifecycle.h"
#include "sdk/transport/TransformingEventWriter.h"

namespace ostrel::testing {
namespace {

using Calls = std::vector<RecordingUploader::Call>;
constexpr std::uint32_t kWifi = platform::net::kReachabilityFlagsReachable;
constexpr std::uint32_t kCellular = platform::net::kReachabilityFlagsReachable | platform::net::kReachabilityFlagsIsWWAN;

class CoordinatorTest : public FlatFileEventStoreTest {
 protected:
  void TearDown() override {
    coordinator->stopTimer();
    FlatFileEventStoreTest::TearDown();
  }

  // Moves the clock; the coordinator's blocks then run their course.
  void advance(double seconds) {
    clock->advance(seconds);
    settle();
  }
  void settle() {
    for (int i = 0; i < 3; ++i) drain(coordinator->coordinationQueue());
  }
  static Calls everyTarget(std::uint32_t conditions) {
    return {{1000, conditions}, {1001, conditions}, {1002, conditions}, {1003, conditions}};
  }
};

TEST_F(CoordinatorTest, ConditionsFollowTheReachabilityFlags) {
  struct Case {
    std::uint32_t flags, conditions;
  };
  const Case cases[] = {{0, 1},
                        {kWifi, 4},
                        {kCellular, 2},
                        {kWifi | platform::net::kReachabilityFlagsConnectionRequired, 1},
                        {kWifi | platform::net::kReachabilityFlagsIsLocalAddress, 4}};
  for (const auto& c : cases) {
    reachability->setFlags(c.flags);
    EXPECT_EQ(coordinator->uploadConditions(), c.conditions) << c.flags;
  }
  // Once the call-back has reported, it decides; until then the flags read at start do.
  reachability->setFlags(0);
  reachability->setCallbackFlags(kCellular);
  EXPECT_EQ(coordinator->uploadConditions(), 2u);
  reachability->setFlags(kWifi);
  EXPECT_EQ(coordinator->uploadConditions(), 2u);
}

TEST_F(CoordinatorTest, TheTimerTicksAfterHalfASecondThenEveryThirtySeconds) {
  coordinator->startTimer();
  coordinator->startTimer();  // a running timer is kept
  settle();
  advance(0.49);
  EXPECT_TRUE(uploader->calls().empty());
  advance(0.01);
  EXPECT_EQ(uploader->calls(), everyTarget(4));
  uploader->clear();
  advance(29.99);
  EXPECT_TRUE(uploader->calls().empty());
  advance(0.01);
  EXPECT_EQ(uploader->calls(), everyTarget(4));
}

TEST_F(CoordinatorTest, NoNetworkMeansNoCallsEvenWhenForced) {
  reachability->setFlags(0);
  coordinator->startTimer();
  settle();
  advance(0.5);
  coordinator->forceUploadForTarget(1002);
  ASSERT_TRUE(store(makeEvent("1206", 1002, 4)).first);
  advance(60);
  EXPECT_TRUE(uploader->calls().empty());
}

TEST_F(CoordinatorTest, ForcedUploadsAddTheHighPriorityBitAndSkipTargetsWithoutUploader) {
  struct Case {
    std::uint32_t flags, conditions;
  };
  for (const auto& c : {Case{kCellular, 18}, Case{kWifi, 20}}) {
    uploader->clear();
    reachability->setFlags(c.flags);
    coordinator->forceUploadForTarget(1002);
    coordinator->forceUploadForTarget(999);
    settle();
    EXPECT_EQ(uploader->calls(), (Calls{{1002, c.conditions}})) << c.flags;
  }
}

TEST_F(CoordinatorTest, BackgroundStopsTheTicksAndForegroundRestartsThemAndSweeps) {
  coordinator->startTimer();
  settle();
  advance(0.5);
  uploader->clear();

  // While the app reports the background a tick does nothing.
  application->setBackground(true);
  advance(30);
  EXPECT_TRUE(uploader->calls().empty());
  coordinator->appWillBackground(*application);
  settle();
  advance(120);
  EXPECT_TRUE(uploader->calls().empty());

  auto expiring = makeEvent("137", 1001, 3);
  expiring->setExpirationDate(clock->now() + 10);
  ASSERT_TRUE(store(expiring).first);
  advance(20);

  application->setBackground(false);
  coordinator->appWillForeground(*application);
  settle();
  drain(storage->storageQueue());
  EXPECT_TRUE(filesIn(eventFolder(1001)).empty());  // swept at once
  advance(0.49);
  EXPECT_TRUE(uploader->calls().empty());
  advance(0.01);
  EXPECT_EQ(uploader->calls(), everyTarget(4));

  coordinator->appWillTerminate(*application);
  uploader->clear();
  advance(60);
  EXPECT_TRUE(uploader->calls().empty());
}

TEST_F(CoordinatorTest, PlatformNotificationsReachEveryPartThroughTheLifeCycle) {
  auto transportApplication = std::make_shared<sdk::transport::ApplicationAdapter>();
  auto transformer = std::make_shared<sdk::transport::TransformingEventWriter>(application, registrar);
  sdk::transport::Lifecycle lifecycle(transportApplication, transformer, coordinator, registrar);
  coordinator->startTimer();
  settle();
  advance(0.5);
  uploader->clear();

  auto& center = platform::foundation::NotificationCenter::defaultCenter();
  center.post(platform::ui::kApplicationDidEnterBackgroundNotification);
  EXPECT_TRUE(transportApplication->isRunningInBackground());
  settle();
  advance(90);
  EXPECT_TRUE(uploader->calls().empty());

  center.post(platform::ui::kApplicationWillEnterForegroundNotification);
  EXPECT_FALSE(transportApplication->isRunningInBackground());
  settle();
  advance(0.5);
  EXPECT_EQ(uploader->calls(), everyTarget(4));

  center.post(platform::ui::kApplicationWillTerminateNotification);
  uploader->clear();
  advance(90);
  EXPECT_TRUE(uploader->calls().empty());
}

TEST_F(CoordinatorTest, TheWindowSceneDeactivatingPausesUploadsAndItsReturnResumesThem) {
  using platform::ui::SceneActivationState;
  auto transportApplication = std::make_shared<sdk::transport::ApplicationAdapter>();
  auto transformer = std::make_shared<sdk::transport::TransformingEventWriter>(application, registrar);
  sdk::transport::Lifecycle lifecycle(transportApplication, transformer, coordinator, registrar);
  auto scene = std::make_shared<platform::ui::WindowScene>();
  scene->moveTo(SceneActivationState::ForegroundActive);
  coordinator->startTimer();
  settle();
  advance(0.5);
  uploader->clear();

  // Interrupted in the foreground (it comes back active, never having left), then sent away.
  for (auto away : {SceneActivationState::ForegroundInactive, SceneActivationState::Background}) {
    scene->moveTo(away);
    EXPECT_TRUE(transportApplication->isRunningInBackground());
    settle();
    advance(90);
    EXPECT_TRUE(uploader->calls().empty());

    scene->moveTo(SceneActivationState::ForegroundActive);
    EXPECT_FALSE(transportApplication->isRunningInBackground());
    settle();
    advance(0.5);
    EXPECT_EQ(uploader->calls(), everyTarget(4));
    uploader->clear();
  }
}

TEST_F(CoordinatorTest, BackgroundTasksGoThroughThePlatformApplicationExceptInAnExtension) {
  sdk::transport::ApplicationAdapter transportApplication;
  auto platformApplication = platform::ui::Application::sharedApplication();
  ASSERT_NE(platformApplication, nullptr);
  std::size_t before = platformApplication->backgroundTaskCount();
  auto task = transportApplication.beginBackgroundTaskWithName("VDTStorage", {});
  EXPECT_NE(task, sdk::transport::kInvalidBackgroundTaskID);
  EXPECT_EQ(platformApplication->backgroundTaskCount(), before + 1);
  transportApplication.endBackgroundTask(task);
  transportApplication.endBackgroundTask(0);
  EXPECT_EQ(platformApplication->backgroundTaskCount(), before);

  platform::ui::Application::setAppExtension(true);
  EXPECT_EQ(transportApplication.beginBackgroundTaskWithName("VDTStorage", {}), sdk::transport::kInvalidBackgroundTaskID);
  platform::ui::Application::setAppExtension(std::nullopt);
}

}  // namespace
}  // namespace ostrel::testing
