#include "platform/runtime/LoadHooks.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace platform::runtime {
namespace {

TEST(LoadHooks, RunOnceInOrderIncludingHooksAddedWhileRunning) {
  runLoadHooks();  // whatever other code registered is not this test's business
  std::string trace;
  addLoadHook(20, [&] { trace += "c"; });
  addLoadHook(10, [&] {
    trace += "a";
    addLoadHook(15, [&] { trace += "b"; });
  });
  addLoadHook(20, [&] { trace += "d"; });
  EXPECT_EQ(pendingLoadHooks(), 3u);
  EXPECT_EQ(runLoadHooks(), 4u);
  EXPECT_EQ(trace, "abcd");
  EXPECT_EQ(runLoadHooks(), 0u);
  EXPECT_EQ(trace, "abcd") << "a hook never runs twice";
}

TEST(LoadHooks, AThrowingHookCountsAsRunAndTheRestRunNextTime) {
  runLoadHooks();
  int later = 0;
  addLoadHook(1, [] { throw std::runtime_error("bad registrar"); });
  addLoadHook(2, [&] { ++later; });
  EXPECT_THROW(runLoadHooks(), std::runtime_error);
  EXPECT_EQ(later, 0);
  EXPECT_EQ(runLoadHooks(), 1u);
  EXPECT_EQ(later, 1);
}

}  // namespace
}  // namespace platform::runtime
