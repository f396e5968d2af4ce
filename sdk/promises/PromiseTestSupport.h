#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "sdk/promises/Promise.h"
#include "testing/MainThreadEnvironment.h"

namespace ostrel::testing {

// Points the promise library's default queue at the main queue for the object's lifetime and puts the
// one before back after. The test environment below the SDK cannot know the promise library, so it
// lives here, beside the library, and extends that environment.
class MainQueuePromiseDefaults {
 public:
  MainQueuePromiseDefaults() : previous_(sdk::promises::Promise::defaultDispatchQueue()) {
    sdk::promises::Promise::setDefaultDispatchQueue(platform::dispatch::Queue::main());
  }
  ~MainQueuePromiseDefaults() { sdk::promises::Promise::setDefaultDispatchQueue(previous_); }
  MainQueuePromiseDefaults(const MainQueuePromiseDefaults&) = delete;
  MainQueuePromiseDefaults& operator=(const MainQueuePromiseDefaults&) = delete;

 private:
  sdk::promises::DispatchQueuePtr previous_;
};

// MainThreadEnvironment with promises that settle on the main queue: the whole main-thread setting
// of an SDK test in one object.
class PromiseEnvironment : public MainThreadEnvironment {
 private:
  MainQueuePromiseDefaults defaults_;
};

// Every promise test runs on the main thread with the main queue as the default queue, waits through
// the promise group while pumping the main loop, and may move time on a manual clock.
class PromiseTest : public ::testing::Test {
 protected:
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Array = platform::foundation::Array;

  void TearDown() override { EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10)); }

  static void waitForPromises() { ASSERT_TRUE(sdk::promises::waitForPromisesWithTimeout(10)); }
  static void pump() { platform::dispatch::MainLoop::runUntilIdle(); }

  // The real clock serves until a test asks for the manual one; the fixture puts the real one back.
  std::shared_ptr<platform::foundation::ManualClock> useManualClock() {
    environment_.emplace();
    return environment_->clock();
  }

  static Error testError(std::int64_t code) { return Error{"test", code, Value()}; }

 private:
  MainQueuePromiseDefaults defaults_;
  std::optional<MainThreadEnvironment> environment_;
};

}  // namespace ostrel::testing
