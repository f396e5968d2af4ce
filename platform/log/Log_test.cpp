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
};

TEST_F(LogTest, MaskDecidesWhichLevelsReachTheSink) {
  CapturedLines captured;
  setLevelMask(maskUpTo(Warning));
  write(Error, "fac", "kept error");
  write(Warning, "kept warning");
  write(Notice, "dropped notice");
  write(Debug, "dropped debug");
  auto lines = captured.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].level, Error);
  EXPECT_EQ(lines[0].facility, "fac");
  EXPECT_EQ(lines[1].message, "kept warning");

  setLevelMask(maskFor(Debug));
  write(Error, "now dropped");
  write(Debug, "now kept");
  EXPECT_FALSE(captured.contains("now dropped"));
  EXPECT_TRUE(captured.contains("now kept"));
}

TEST_F(LogTest, OutOfRangeLevelsAreNeverLoggedEvenWithEveryMaskBitSet) {
  CapturedLines captured;
  setLevelMask(~0);
  write(-1, "negative");
  write(8, "past debug");
  write(24, "a facility's bits");
  write(64, "huge");
  EXPECT_TRUE(captured.lines().empty());
  write(Debug, "debug");
  EXPECT_EQ(captured.lines().size(), 1u);
}

TEST_F(LogTest, StderrCopyMirrorsKeptLinesOnly) {
  CapturedLines captured;
  setStderrCopy(true);
  setLevelMask(maskUpTo(Error));
  testing::internal::CaptureStderr();
  write(Error, "svc", "to both");
  write(Info, "svc", "to neither");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "svc: to both\n");
  EXPECT_EQ(captured.lines().size(), 1u);
}

TEST_F(LogTest, NestedCapturesRestoreTheOuterSink) {
  CapturedLines outer;
  {
    CapturedLines inner;
    write(Notice, "inner line");
    EXPECT_TRUE(inner.contains("inner line"));
  }
  write(Notice, "outer line");
  EXPECT_FALSE(outer.contains("inner line"));
  EXPECT_TRUE(outer.contains("outer line"));
}

TEST_F(LogTest, ConcurrentWritersLoseNoLines) {
  CapturedLines captured;
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
