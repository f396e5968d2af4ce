#include "sdk/utilities/VDUReachabilityChecker.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "sdk/utilities/VDULoggerTestSupport.h"

using ostrel::testing::VDULoggedLines;

namespace {

using namespace platform::net;
using platform::dispatch::MainLoop;

// A stand-in service: keeps the call-back so a test can report flags by hand.
struct FakeService {
  static inline ReachabilityTarget::Callback callback;
  static inline int creates = 0, unschedules = 0, releases = 0;
  static inline bool schedules = true;
  static void report(std::uint32_t flags) { callback ? callback(flags) : void(); }
};

const VDUReachabilityApi kFakeApi = {
    [](const std::string& host) { return ++FakeService::creates, ReachabilityTarget::createWithName(host); },
    [](const VDUReachabilityHandle&, ReachabilityTarget::Callback callback) {
      return FakeService::callback = std::move(callback), true;
    },
    [](const VDUReachabilityHandle&) { return FakeService::schedules; },
    [](const VDUReachabilityHandle&) { return ++FakeService::unschedules, true; },
    [](VDUReachabilityHandle& handle) { ++FakeService::releases, handle.reset(); },
};

struct Listener : VDUReachabilityDelegate {
  std::vector<VDUReachabilityStatus> statuses;
  void reachability(VDUReachabilityChecker&, VDUReachabilityStatus status) override { statuses.push_back(status); }
};

class VDUReachabilityCheckerTest : public ::testing::Test {
 protected:
  void TearDown() override { MainLoop::runUntilIdle(), FakeService::callback = nullptr; }
  std::shared_ptr<VDUReachabilityChecker> fakeChecker() {
    FakeService::callback = nullptr;
    FakeService::creates = FakeService::unschedules = FakeService::releases = 0;
    FakeService::schedules = true;
    auto checker = VDUReachabilityChecker::initWithReachabilityDelegate(listener, "example.test");
    checker->setReachabilityApi(&kFakeApi);
    return checker;
  }

  VDULoggedLines logged{VDULoggerLevelDebug};
  std::shared_ptr<Listener> listener = std::make_shared<Listener>();
};

TEST_F(VDUReachabilityCheckerTest, FlagsMapToStatusesAndStatusesToNames) {
  const std::uint32_t R = kReachabilityFlagsReachable, C = kReachabilityFlagsConnectionRequired,
                      T = kReachabilityFlagsConnectionOnTraffic, D = kReachabilityFlagsConnectionOnDemand,
                      I = kReachabilityFlagsInterventionRequired, W = kReachabilityFlagsIsWWAN;
  const std::pair<std::uint32_t, VDUReachabilityStatus> cases[] = {
      {0, kVDUReachabilityNotReachable},         {W, kVDUReachabilityNotReachable},
      {R, kVDUReachabilityViaWifi},              {R | W, kVDUReachabilityViaCellular},
      {R | C, kVDUReachabilityNotReachable},     {R | C | D | I, kVDUReachabilityNotReachable},
      {R | C | T, kVDUReachabilityViaWifi},      {R | C | D | W, kVDUReachabilityViaCellular}};
  for (const auto& [flags, status] : cases) EXPECT_EQ(VDUReachabilityChecker::statusForFlags(flags), status) << flags;
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityUnknown), "Unknown");
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityNotReachable), "Disconnected");
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityViaWifi), "Connected");
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityViaCellular), "Connected");
}

TEST_F(VDUReachabilityCheckerTest, ReportsEachChangeOnceAndRestartsCleanly) {
  auto checker = fakeChecker();
  ASSERT_TRUE(checker->start());
  ASSERT_TRUE(checker->start());
  EXPECT_EQ(FakeService::creates, 1);
  EXPECT_TRUE(checker->isActive());
  FakeService::report(kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN);
  FakeService::report(kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN);
  FakeService::report(0);
  EXPECT_EQ(listener->statuses, (std::vector{kVDUReachabilityViaCellular, kVDUReachabilityNotReachable}));
  EXPECT_EQ(checker->reachabilityStatus(), kVDUReachabilityNotReachable);
  EXPECT_TRUE(logged.contains("[VDUReachability][I-REA902004] Network status has changed. Code:3, status:Connected"));

  checker->setReachabilityApi(VDUDefaultReachabilityApi());
  EXPECT_EQ(checker->reachabilityApi(), &kFakeApi) << "not while running";
  EXPECT_TRUE(logged.contains("[I-REA902000] Cannot change reachability API while reachability is running."));
  checker->stop();
  EXPECT_EQ(checker->reachabilityStatus(), kVDUReachabilityUnknown);
  EXPECT_EQ(FakeService::unschedules + FakeService::releases, 2);
  checker->setReachabilityApi(VDUDefaultReachabilityApi());
  EXPECT_EQ(checker->reachabilityApi(), VDUDefaultReachabilityApi());
}

TEST_F(VDUReachabilityCheckerTest, NothingReachesAStoppedOrReleasedChecker) {
  auto checker = fakeChecker();
  ASSERT_TRUE(checker->start());
  checker->stop();
  FakeService::report(kReachabilityFlagsReachable);  // a report that was already on its way
  EXPECT_EQ(checker->reachabilityStatus(), kVDUReachabilityUnknown);
  ASSERT_TRUE(checker->start());
  checker.reset();
  EXPECT_EQ(FakeService::releases, 2);
  FakeService::report(kReachabilityFlagsReachable);
  EXPECT_TRUE(listener->statuses.empty());
}

TEST_F(VDUReachabilityCheckerTest, AnEmptyHostOrAFailedScheduleLeavesNothingRunning) {
  EXPECT_EQ(VDUReachabilityChecker::initWithReachabilityDelegate(listener, ""), nullptr);
  EXPECT_TRUE(logged.contains("[VDUReachability][I-REA902001] Invalid host specified"));
  auto checker = fakeChecker();
  FakeService::schedules = false;
  EXPECT_FALSE(checker->start());
  EXPECT_FALSE(checker->isActive());
  EXPECT_EQ(FakeService::releases, 1) << "the handle is released";
  EXPECT_TRUE(logged.contains("[I-REA902002] Failed to start reachability handle"));
}

TEST_F(VDUReachabilityCheckerTest, LoopbackHostIsReportedReachableOnTheMainThread) {
  auto checker = VDUReachabilityChecker::initWithReachabilityDelegate(listener, "127.0.0.1");
  ASSERT_TRUE(checker->start());
  EXPECT_TRUE(logged.contains("[I-REA902003] Monitoring the network status"));
  ASSERT_TRUE(MainLoop::runUntil([&] { return !listener->statuses.empty(); }, 20));
  EXPECT_EQ(listener->statuses[0], kVDUReachabilityViaWifi);
}

}  // namespace
