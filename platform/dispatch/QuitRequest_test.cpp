#include "platform/dispatch/QuitRequest.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <thread>

namespace platform::dispatch {
namespace {

class QuitRequestTest : public ::testing::Test {
 protected:
  void SetUp() override { QuitRequest::catchSignals(); }
  void TearDown() override {
    QuitRequest::resetForTesting();
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
  }
};

// Were the signals not caught, raising them would end this test program.
TEST_F(QuitRequestTest, ASignalIsNotedInsteadOfEndingTheProcessAndOnlyTheFirstCounts) {
  EXPECT_FALSE(QuitRequest::pending());
  ASSERT_EQ(::raise(SIGINT), 0);
  EXPECT_EQ(QuitRequest::signal(), SIGINT);
  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_EQ(QuitRequest::signal(), SIGINT) << "a later request does not replace the first";
  EXPECT_STREQ(QuitRequest::signalName(QuitRequest::signal()), "SIGINT");
}

TEST_F(QuitRequestTest, ASignalTakenByAnotherThreadReachesTheMainThread) {
  std::thread other([] { ::pthread_kill(::pthread_self(), SIGTERM); });
  other.join();
  EXPECT_EQ(QuitRequest::signal(), SIGTERM);
}

}  // namespace
}  // namespace platform::dispatch
