#include "sdk/utilities/VDUReachabilityChecker.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "platform/log/Log.h"
#include "sdk/utilities/VDULogger.h"

namespace {

using namespace platform::net;
using platform::dispatch::MainLoop;

// A stand-in service: remembers the call-back so a test can report flags by hand.
struct FakeService {
  static inline ReachabilityTarget::Callback callback;
  static inline int creates = 0, unschedules = 0, releases = 0;
  static inline bool schedules = true;

  static void reset() {
    callback = nullptr;
    creates = unschedules = releases = 0;
    schedules = true;
  }
  static void report(std::uint32_t flags) {
    if (callback) callback(flags);
  }
};

const VDUReachabilityApi kFakeApi = {
    [](const std::string& host) {
      ++FakeService::creates;
      return ReachabilityTarget::createWithName(host);
    },
    [](const VDUReachabilityHandle&, ReachabilityTarget::Callback callback) {
      FakeService::callback = std::move(callback);
      return true;
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
  void SetUp() override {
    VDULoggerResetForTesting();
    VDUSetLoggerLevel(VDULoggerLevelDebug);
    FakeService::reset();
  }
  void TearDown() override {
    MainLoop::runUntilIdle();
    VDULoggerResetForTesting();
    FakeService::reset();
  }
  std::shared_ptr<VDUReachabilityChecker> fakeChecker() {
    auto checker = VDUReachabilityChecker::initWithReachabilityDelegate(listener, "example.test");
    checker->setReachabilityApi(&kFakeApi);
    return checker;
  }
  bool logged(const std::string& fragment) {
    VDULoggerFlush();
    return captured.contains(fragment);
  }

  platform::log::CapturedLines captured;
  std::shared_ptr<Listener> listener = std::make_shared<Listener>();
};

TEST_F(VDUReachabilityCheckerTest, FlagsMapToStatuses) {
  struct Case {
    std::uint32_t flags;
    VDUReachabilityStatus status;
  };
  const std::uint32_t R = kReachabilityFlagsReachable, C = kReachabilityFlagsConnectionRequired,
                      T = kReachabilityFlagsConnectionOnTraffic, D = kReachabilityFlagsConnectionOnDemand,
                      I = kReachabilityFlagsInterventionRequired, W = kReachabilityFlagsIsWWAN;
  for (const Case& c : {Case{0, kVDUReachabilityNotReachable}, Case{W, kVDUReachabilityNotReachable},
                        Case{R, kVDUReachabilityViaWifi}, Case{R | W, kVDUReachabilityViaCellular},
                        Case{R | C, kVDUReachabilityNotReachable}, Case{R | C | D | I, kVDUReachabilityNotReachable},
                        Case{R | C | T, kVDUReachabilityViaWifi}, Case{R | C | D | W, kVDUReachabilityViaCellular}}) {
    EXPECT_EQ(VDUReachabilityChecker::statusForFlags(c.flags), c.status) << c.flags;
  }
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityUnknown), "Unknown");
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityNotReachable), "Disconnected");
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityViaWifi), "Connected");
  EXPECT_STREQ(VDUReachabilityStatusString(kVDUReachabilityViaCellular), "Connected");
}

TEST_F(VDUReachabilityCheckerTest, AnEmptyHostMakesNoChecker) {
  EXPECT_EQ(VDUReachabilityChecker::initWithReachabilityDelegate(listener, ""), nullptr);
  EXPECT_TRUE(logged("[VDUReachability][I-REA902001] Invalid host specified"));
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
  EXPECT_TRUE(logged("[VDUReachability][I-REA902004] Network status has changed. Code:3, status:Connected"));

  checker->setReachabilityApi(VDUDefaultReachabilityApi());
  EXPECT_EQ(checker->reachabilityApi(), &kFakeApi);
  EXPECT_TRUE(logged("[I-REA902000] Cannot change reachability API while reachability is running. Call stop first."));

  checker->stop();
  EXPECT_EQ(checker->reachabilityStatus(), kVDUReachabilityUnknown);
  EXPECT_EQ(FakeService::unschedules, 1);
  EXPECT_EQ(FakeService::releases, 1);
  checker->setReachabilityApi(VDUDefaultReachabilityApi());
  EXPECT_EQ(checker->reachabilityApi(), VDUDefaultReachabilityApi());
}

TEST_F(VDUReachabilityCheckerTest, NothingReachesAStoppedOrReleasedChecker) {
  auto checker = fakeChecker();
  ASSERT_TRUE(checker->start());
  checker->stop();
  FakeService::report(kReachabilityFlagsReachable);  // a report that was already on its way
  EXPECT_TRUE(listener->statuses.empty());
  EXPECT_EQ(checker->reachabilityStatus(), kVDUReachabilityUnknown);

  ASSERT_TRUE(checker->start());
  checker.reset();
  EXPECT_EQ(FakeService::releases, 2);
  FakeService::report(kReachabilityFlagsReachable);
  EXPECT_TRUE(listener->statuses.empty());
}

TEST_F(VDUReachabilityCheckerTest, AFailedScheduleReleasesTheHandle) {
  FakeService::schedules = false;
  auto checker = fakeChecker();
  EXPECT_FALSE(checker->start());
  EXPECT_FALSE(checker->isActive());
  EXPECT_EQ(FakeService::releases, 1);
  EXPECT_TRUE(logged("[I-REA902002] Failed to start reachability handle"));
}

TEST_F(VDUReachabilityCheckerTest, LoopbackHostIsReportedReachableOnTheMainThread) {
  auto checker = VDUReachabilityChecker::initWithReachabilityDelegate(listener, "127.0.0.1");
  ASSERT_TRUE(checker->start());
  EXPECT_TRUE(logged("[I-REA902003] Monitoring the network status"));
  ASSERT_TRUE(MainLoop::runUntil([&] { return !listener->statuses.empty(); }, 20));
  EXPECT_EQ(listener->statuses[0], kVDUReachabilityViaWifi);
}

}  // namespace
