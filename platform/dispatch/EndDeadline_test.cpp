#include "platform/dispatch/EndDeadline.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cmath>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/ProcessEnd.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/QuitRequest.h"
#include "testing/HeldWork.h"

namespace platform::dispatch {
namespace {

class EndDeadlineTest : public ::testing::Test {
 protected:
  void SetUp() override { MainLoop::setMainThread(); }
  void TearDown() override {
    QuitRequest::resetForTesting();
    EndDeadline::resetForTesting();
    ProcessEnd::resetForTesting();
  }

  // A request to quit that came `seconds` ago.
  static void quitAsked(double seconds) {
    const auto then = std::chrono::steady_clock::now() - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                               std::chrono::duration<double>(seconds));
    QuitRequest::requestAt(SIGTERM, std::chrono::duration_cast<std::chrono::nanoseconds>(then.time_since_epoch()).count());
  }
};

// Without a quit or an end under way nothing bounds a wait; a quit starts the deadline at its own
// time, and an end that begins later does not move it.
TEST_F(EndDeadlineTest, StartsAtTheRequestToQuitOrAtTheEnd) {
  EXPECT_TRUE(std::isinf(EndDeadline::secondsLeft()));
  EndDeadline::begin();
  EXPECT_LE(EndDeadline::secondsLeft(), EndDeadline::kSeconds);
  EXPECT_GT(EndDeadline::secondsLeft(), 0);
  EndDeadline::resetForTesting();

  quitAsked(EndDeadline::kSeconds - 1);
  EXPECT_LE(EndDeadline::secondsLeft(), 1);
  EndDeadline::begin();
  EXPECT_LE(EndDeadline::secondsLeft(), 1);
}

// Past the deadline every wait of the main loop is over at once, whatever its own bound, the wait
// for a worker held busy too; so is a wait that began before the quit was asked.
TEST_F(EndDeadlineTest, NoWaitOfTheMainLoopLastsPastIt) {
  ostrel::testing::HeldWork held;
  auto busy = Queue::serial("busy");
  busy->async([&] { held.hold(); });
  held.waitUntilBegun();

  bool asked = false;
  EXPECT_FALSE(MainLoop::runUntil(
      [&] {
        if (!asked) quitAsked(EndDeadline::kSeconds + 1);
        asked = true;
        return false;
      },
      3600));
  EXPECT_EQ(EndDeadline::secondsLeft(), 0);
  EXPECT_FALSE(MainLoop::runUntilWorkersIdle(3600));
  EXPECT_FALSE(MainLoop::runUntilQueuesIdle(3600));
  EXPECT_FALSE(ProcessEnd::run(3600)) << "the end waits no longer than its deadline";
  held.release();
  busy->sync([] {});
}

// A wait for the workers gives up as soon as it is told to, and says it did not see them idle.
TEST_F(EndDeadlineTest, AWaitForTheWorkersGivesUpWhenTold) {
  ostrel::testing::HeldWork held;
  auto busy = Queue::serial("busy");
  busy->async([&] { held.hold(); });
  held.waitUntilBegun();
  int looks = 0;
  EXPECT_FALSE(MainLoop::runUntilWorkersIdle(3600, [&] { return ++looks == 3; }));
  EXPECT_EQ(looks, 3);
  held.release();
  EXPECT_TRUE(MainLoop::runUntilWorkersIdle(3600, [] { return false; }));
}

}  // namespace
}  // namespace platform::dispatch
