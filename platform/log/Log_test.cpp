#include "platform/log/Log.h"

#include <gtest/gtest.h>

#include <thread>

namespace platform::log {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    setLevelMask(maskUpTo(Debug));
    setStderrCopy(false);
  }
  CapturedLines captured;
};

TEST_F(LogTest, MaskDecidesWhichLevelsReachTheSinkAndStrayLevelsNeverDo) {
  struct Case { int mask; int level; bool kept; };
  for (Case c : {Case{maskUpTo(Warning), Error, true}, Case{maskUpTo(Warning), Warning, true},
                 Case{maskUpTo(Warning), Notice, false}, Case{maskFor(Debug), Error, false},
                 Case{maskFor(Debug), Debug, true}, Case{~0, -1, false}, Case{~0, 8, false},
                 Case{~0, 24, false}, Case{~0, 64, false}}) {
    captured.clear();
    setLevelMask(c.mask);
    write(c.level, "fac", "line");
    EXPECT_EQ(captured.lines().size(), c.kept ? 1u : 0u) << "mask " << c.mask << " level " << c.level;
  }
}

TEST_F(LogTest, StderrCopyMirrorsKeptLinesOnly) {
  setStderrCopy(true);
  setLevelMask(maskUpTo(Error));
  testing::internal::CaptureStderr();
  write(Error, "svc", "to both");
  write(Info, "svc", "to neither");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "svc: to both\n");
  ASSERT_EQ(captured.lines().size(), 1u);
  EXPECT_EQ(captured.lines()[0].facility, "svc");
}

TEST_F(LogTest, ConcurrentWritersLoseNoLines) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 250; ++i) write(Info, "line " + std::to_string(t));
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(captured.lines().size(), 1000u);
}

}  // namespace
}  // namespace platform::log
