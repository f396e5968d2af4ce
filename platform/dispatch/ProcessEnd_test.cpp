#include "platform/dispatch/ProcessEnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/detail/WorkerPool.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/Value.h"
#include "platform/log/Log.h"
#include "testing/TempContainer.h"

namespace platform::dispatch {
namespace {

class ProcessEndTest : public ::testing::Test {
 protected:
  void SetUp() override { MainLoop::setMainThread(); }
  void TearDown() override { ProcessEnd::resetForTesting(); }

  ostrel::testing::TempContainer container;
};

TEST_F(ProcessEndTest, StopsRunInOrderThenQueuedWorkDrainsAndEverythingPendingIsWritten) {
  std::mutex mutex;
  std::vector<std::string> done;
  auto note = [&](std::string what) {
    std::lock_guard lock(mutex);
    done.push_back(std::move(what));
  };
  auto queue = Queue::serial("component");
  auto services = ProcessEnd::add(ProcessEnd::kServices, "services", [&] { note("services"); });
  auto first = ProcessEnd::add(ProcessEnd::kComponents, "first", [&] {
    note("first");
    // Work a stop leaves queued, and the main-queue block it posts in turn, still run before the end.
    queue->async([&] { Queue::main()->async([&] { note("main block"); }); });
  });
  auto gone = ProcessEnd::add(ProcessEnd::kComponents, "gone", [&] { note("gone"); });
  auto throwing = ProcessEnd::add(ProcessEnd::kComponents, "throwing", [] { throw std::runtime_error("boom"); });
  auto second = ProcessEnd::add(ProcessEnd::kComponents, "second", [&] { note("second"); });
  gone.reset();  // its object went away before the end
  auto domain = foundation::PreferencesDomain::named("ending");
  ASSERT_TRUE(domain->setValue("left", foundation::Value("pending")));

  EXPECT_TRUE(ProcessEnd::run());
  EXPECT_EQ(done, (std::vector<std::string>{"first", "second", "services", "main block"}));
  EXPECT_TRUE(WorkerPool::shared().isIdle());
  EXPECT_EQ(WorkerPool::shared().threadCount(), 0u) << "the workers are joined";
  EXPECT_TRUE(foundation::AtomicFile::fileExists(foundation::Paths::preferences() + "/ending.plist"));

  EXPECT_TRUE(ProcessEnd::run()) << "a second end does nothing";
  EXPECT_EQ(done.size(), 4u);
  // Work after the end still runs: the pool starts threads again.
  std::atomic<bool> ran{false};
  queue->sync([&] {});
  Queue::global()->async([&] { ran = true; });
  EXPECT_TRUE(MainLoop::runUntil([&] { return ran.load(); }, 10));
}

TEST_F(ProcessEndTest, WorkThatDoesNotFinishHoldsTheEndOnlyForTheBound) {
  std::mutex mutex;
  std::condition_variable changed;
  bool release = false;
  auto stuck = Queue::serial("stuck");
  stuck->async([&] {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return release; });
  });
  EXPECT_FALSE(ProcessEnd::run(0.05)) << "still running after the bound";
  {
    std::lock_guard lock(mutex);
    release = true;
  }
  changed.notify_all();
  stuck->sync([] {});
}

// A request on its way is no queued work: the end waits for its answer, and for what handling it
// queues, within the bound; one that never comes back is named when the bound is over.
TEST_F(ProcessEndTest, WorkInFlightIsWaitedForWithinTheBoundAndNamedWhenItDoesNotComeBack) {
  std::mutex mutex;
  std::condition_variable changed;
  bool sent = false;
  std::atomic<bool> handled{false};
  auto request = std::make_shared<ProcessEnd::Registration>(ProcessEnd::addWorkInFlight("the registration"));
  // The answer arrives on a thread of its own once the end has begun, and is handled on the main queue.
  std::thread network([&] {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return sent; });
    Queue::main()->async([&, request] {
      handled = true;
      request->reset();
    });
  });
  auto component = ProcessEnd::add(ProcessEnd::kComponents, "component", [&] {
    std::lock_guard lock(mutex);
    sent = true;
    changed.notify_all();
  });
  EXPECT_TRUE(ProcessEnd::run());
  EXPECT_TRUE(handled);
  EXPECT_FALSE(ProcessEnd::hasWorkInFlight());
  network.join();

  ProcessEnd::resetForTesting();
  platform::log::CapturedLines log;
  auto silent = ProcessEnd::addWorkInFlight("the silent request");
  EXPECT_FALSE(ProcessEnd::run(0.05));
  // Named by what writes it, in plain words and a plain figure.
  const std::vector<platform::log::Line> lines = log.lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const platform::log::Line& line) {
    return line.facility == "ProcessEnd" &&
           line.message == "the silent request was still on its way when the app ended, and was left unfinished "
                           "after a wait of 0.05 s";
  }));
  EXPECT_EQ(WorkerPool::shared().threadCount(), 0u) << "nothing runs in the pool: its workers are joined";
}

// An answer that came in the last instant of the wait: the request in flight has given way to the
// device's work on its answer, which takes many hops between a queue and the main queue, while the end
// has no time left at all. It is done whole, and nothing is named as left unfinished; a request still
// on its way beside it is not waited for any longer for that.
TEST_F(ProcessEndTest, WhatAnAnswerThatCameAsksIsDoneWholePastTheBound) {
  for (const bool silentBeside : {false, true}) {
    SCOPED_TRACE(silentBeside);
    ProcessEnd::resetForTesting();
    platform::log::CapturedLines log;
    std::optional<ProcessEnd::Registration> silent;
    if (silentBeside) silent = ProcessEnd::addWorkInFlight("the silent request");
    auto request = std::make_shared<ProcessEnd::Registration>(ProcessEnd::addWorkInFlight("the upload"));
    auto answer = std::make_shared<ProcessEnd::Registration>(ProcessEnd::addAnsweredWork("the upload's answer"));
    request->reset();
    auto worker = Queue::serial("answer");
    std::atomic<int> hops{0};
    std::function<void()> hop = [&, answer] {
      worker->async([&, answer] {
        Queue::main()->async([&, answer] {
          if (++hops < 40) return hop();
          answer->reset();
        });
      });
    };
    hop();
    EXPECT_EQ(ProcessEnd::run(0), !silentBeside);
    EXPECT_EQ(hops.load(), 40);
    EXPECT_FALSE(log.contains("the upload"));
    EXPECT_EQ(log.contains("the silent request was still on its way"), silentBeside);
    // Whatever the end did, the chain ends before what it refers to goes.
    EXPECT_TRUE(MainLoop::runUntil([&] { return hops.load() >= 40; }, 20));
    worker->sync([] {});
  }
}

}  // namespace
}  // namespace platform::dispatch
