#include "sdk/utilities/ReachabilityChecker.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"

namespace sdk::utilities {

using ostrel::testing::LoggedLines;

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

const ReachabilityApi kFakeApi = {
    [](const std::string& host) { return ++FakeService::creates, ReachabilityTarget::createWithName(host); },
    [](const ReachabilityHandle&, ReachabilityTarget::Callback callback) {
      return FakeService::callback = std::move(callback), true;
    },
    [](const ReachabilityHandle&) { return FakeService::schedules; },
    [](const ReachabilityHandle&) { return ++FakeService::unschedules, true; },
    [](ReachabilityHandle& handle) { ++FakeService::releases, handle.reset(); },
};

struct Listener : ReachabilityDelegate {
  std::vector<ReachabilityStatus> statuses;
  void reachability(ReachabilityChecker&, ReachabilityStatus status) override { statuses.push_back(status); }
};

class ReachabilityCheckerTest : public ::testing::Test {
 protected:
  void TearDown() override { MainLoop::runUntilIdle(), FakeService::callback = nullptr; }
  std::shared_ptr<ReachabilityChecker> fakeChecker() {
    FakeService::callback = nullptr;
    FakeService::creates = FakeService::unschedules = FakeService::releases = 0;
    FakeService::schedules = true;
    auto checker = ReachabilityChecker::initWithReachabilityDelegate(listener, "example.test");
    checker->setReachabilityApi(&kFakeApi);
    return checker;
  }

  LoggedLines logged{kLoggerLevelDebug};
  std::shared_ptr<Listener> listener = std::make_shared<Listener>();
};

TEST_F(ReachabilityCheckerTest, FlagsMapToStatusesAndStatusesToNames) {
  const std::uint32_t R = kReachabilityFlagsReachable, C = kReachabilityFlagsConnectionRequired,
                      T = kReachabilityFlagsConnectionOnTraffic, D = kReachabilityFlagsConnectionOnDemand,
                      I = kReachabilityFlagsInterventionRequired, W = kReachabilityFlagsIsWWAN;
  const std::pair<std::uint32_t, ReachabilityStatus> cases[] = {
      {0, kReachabilityNotReachable},         {W, kReachabilityNotReachable},
      {R, kReachabilityViaWifi},              {R | W, kReachabilityViaCellular},
      {R | C, kReachabilityNotReachable},     {R | C | D | I, kReachabilityNotReachable},
      {R | C | T, kReachabilityViaWifi},      {R | C | D | W, kReachabilityViaCellular}};
  for (const auto& [flags, status] : cases) EXPECT_EQ(ReachabilityChecker::statusForFlags(flags), status) << flags;
  EXPECT_STREQ(reachabilityStatusString(kReachabilityUnknown), "Unknown");
  EXPECT_STREQ(reachabilityStatusString(kReachabilityNotReachable), "Disconnected");
  EXPECT_STREQ(reachabilityStatusString(kReachabilityViaWifi), "Connected");
  EXPECT_STREQ(reachabilityStatusString(kReachabilityViaCellular), "Connected");
}

TEST_F(ReachabilityCheckerTest, ReportsEachChangeOnceAndRestartsCleanly) {
  auto checker = fakeChecker();
  ASSERT_TRUE(checker->start());
  ASSERT_TRUE(checker->start());
  EXPECT_EQ(FakeService::creates, 1);
  EXPECT_TRUE(checker->isActive());
  FakeService::report(kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN);
  FakeService::report(kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN);
  FakeService::report(0);
  EXPECT_EQ(listener->statuses, (std::vector{kReachabilityViaCellular, kReachabilityNotReachable}));
  EXPECT_EQ(checker->reachabilityStatus(), kReachabilityNotReachable);
  EXPECT_TRUE(logged.contains("[VDUReachability][I-REA902004] Network status has changed. Code:3, status:Connected"));

  checker->setReachabilityApi(defaultReachabilityApi());
  EXPECT_EQ(checker->reachabilityApi(), &kFakeApi) << "not while running";
  EXPECT_TRUE(logged.contains("[I-REA902000] Cannot change reachability API while reachability is running."));
  checker->stop();
  EXPECT_EQ(checker->reachabilityStatus(), kReachabilityUnknown);
  EXPECT_EQ(FakeService::unschedules + FakeService::releases, 2);
  checker->setReachabilityApi(defaultReachabilityApi());
  EXPECT_EQ(checker->reachabilityApi(), defaultReachabilityApi());
}

TEST_F(ReachabilityCheckerTest, NothingReachesAStoppedOrReleasedChecker) {
  auto checker = fakeChecker();
  ASSERT_TRUE(checker->start());
  checker->stop();
  FakeService::report(kReachabilityFlagsReachable);  // a report that was already on its way
  EXPECT_EQ(checker->reachabilityStatus(), kReachabilityUnknown);
  ASSERT_TRUE(checker->start());
  checker.reset();
  EXPECT_EQ(FakeService::releases, 2);
  FakeService::report(kReachabilityFlagsReachable);
  EXPECT_TRUE(listener->statuses.empty());
}

TEST_F(ReachabilityCheckerTest, AnEmptyHostOrAFailedScheduleLeavesNothingRunning) {
  EXPECT_EQ(ReachabilityChecker::initWithReachabilityDelegate(listener, ""), nullptr);
  EXPECT_TRUE(logged.contains("[VDUReachability][I-REA902001] Invalid host specified"));
  auto checker = fakeChecker();
  FakeService::schedules = false;
  EXPECT_FALSE(checker->start());
  EXPECT_FALSE(checker->isActive());
  EXPECT_EQ(FakeService::releases, 1) << "the handle is released";
  EXPECT_TRUE(logged.contains("[I-REA902002] Failed to start reachability handle"));
}

TEST_F(ReachabilityCheckerTest, LoopbackHostIsReportedReachableOnTheMainThread) {
  auto checker = ReachabilityChecker::initWithReachabilityDelegate(listener, "127.0.0.1");
  ASSERT_TRUE(checker->start());
  EXPECT_TRUE(logged.contains("[I-REA902003] Monitoring the network status"));
  ASSERT_TRUE(MainLoop::runUntil([&] { return !listener->statuses.empty(); }, 20));
  EXPECT_EQ(listener->statuses[0], kReachabilityViaWifi);
}

}  // namespace

}  // namespace sdk::utilities

