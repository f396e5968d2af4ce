#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "sdk/promises/VBLPromise.h"

// Every promise test runs on the main thread with the main queue as the default queue, waits through
// the promise group while pumping the main loop, and may move time on a manual clock.
class VBLPromiseTest : public ::testing::Test {
 protected:
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Array = platform::foundation::Array;

  void SetUp() override { VBLPromise::setDefaultDispatchQueue(platform::dispatch::Queue::main()); }
  void TearDown() override {
    EXPECT_TRUE(VBLWaitForPromisesWithTimeout(10));
    platform::foundation::Clock::setCurrent(nullptr);
  }

  static void waitForPromises() { ASSERT_TRUE(VBLWaitForPromisesWithTimeout(10)); }
  static void pump() { platform::dispatch::MainLoop::runUntilIdle(); }

  std::shared_ptr<platform::foundation::ManualClock> useManualClock() {
    auto clock = std::make_shared<platform::foundation::ManualClock>();
    platform::foundation::Clock::setCurrent(clock);
    return clock;
  }

  static Error testError(std::int64_t code) { return Error{"test", code, Value()}; }
};
