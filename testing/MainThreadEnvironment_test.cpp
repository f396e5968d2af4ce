#include "testing/MainThreadEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "testing/ScratchFolder.h"

namespace ostrel::testing {
namespace {

using platform::dispatch::Queue;
using platform::foundation::Clock;

TEST(MainThreadEnvironment, AdvanceRunsWhatFellDueAndTheDestructorPutsEverythingBack) {
  const auto before = Clock::current();
  std::vector<double> ranAt;
  {
    MainThreadEnvironment outer;
    EXPECT_EQ(Clock::current(), outer.clock());
    auto at = [&] { ranAt.push_back(Clock::current()->monotonic()); };
    Queue::main()->after(2, at);
    Queue::main()->after(5, at);
    outer.advance(3);
    EXPECT_EQ(ranAt, (std::vector<double>{2}));
    {
      MainThreadEnvironment inner;  // nests: its own clock, the outer one back after
      EXPECT_EQ(Clock::current(), inner.clock());
    }
    EXPECT_EQ(Clock::current(), outer.clock());
    Queue::main()->async(at);  // left queued: the destructor runs it while the clock is still manual
  }
  EXPECT_EQ(ranAt, (std::vector<double>{2, 3}));
  EXPECT_EQ(Clock::current(), before);
  EXPECT_EQ(platform::dispatch::MainLoop::runUntilIdle(), 0u);
}

TEST(ScratchFolder, IsFreshAndGoesWithEverythingInIt) {
  std::string kept;
  {
    ScratchFolder a{"ostrel-scratch"}, b;
    EXPECT_NE(a.path(), b.path());
    EXPECT_NE(a.path().find("ostrel-scratch-"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(a.path()));
    std::filesystem::create_directories(a / "deep/er");
    kept = a.path();
  }
  EXPECT_FALSE(std::filesystem::exists(kept));
}

}  // namespace
}  // namespace ostrel::testing
