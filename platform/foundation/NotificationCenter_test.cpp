#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::foundation {
namespace {

using Observation = NotificationCenter::Observation;

TEST(NotificationCenter, DeliversByNameAndSenderInOrderOfAdding) {
  NotificationCenter center;
  std::vector<std::string> heard;
  int senderA = 0, senderB = 0;
  Observation first = center.addObserver("changed", [&](const Notification& n) {
    heard.push_back("first " + n.userInfo["key"].toString());
  });
  Observation second = center.addObserver("changed", [&](const Notification&) { heard.push_back("second"); });
  Observation everything = center.addObserver("", [&](const Notification& n) { heard.push_back("all " + n.name); });
  Observation onlyA = center.addObserver("changed", [&](const Notification&) { heard.push_back("A"); }, &senderA);
  center.post("changed", Value(Dictionary{{"key", Value("v")}}), &senderB);
  EXPECT_EQ(heard, (std::vector<std::string>{"first v", "second", "all changed"}));
  heard.clear();
  center.post("other", {}, &senderA);
  center.post("changed", {}, &senderA);
  EXPECT_EQ(heard, (std::vector<std::string>{"all other", "first ", "second", "all changed", "A"}));
}

TEST(NotificationCenter, ObservationsEndWithTheirHolderOrOnRequest) {
  NotificationCenter center;
  int calls = 0;
  {
    Observation scoped = center.addObserver("n", [&](const Notification&) { ++calls; });
    center.post("n");
  }
  center.post("n");
  EXPECT_EQ(calls, 1);

  Observation moved = center.addObserver("n", [&](const Notification&) { ++calls; });
  Observation target = std::move(moved);
  moved.reset();  // the moved-from holder no longer owns the observer
  center.post("n");
  center.removeObserver(target.token());
  center.post("n");
  EXPECT_EQ(calls, 2);

  // An observation may outlive its center.
  auto shortLived = std::make_unique<NotificationCenter>();
  Observation orphan = shortLived->addObserver("n", [&](const Notification&) { ++calls; });
  shortLived.reset();
  orphan.reset();
  EXPECT_EQ(calls, 2);
}

TEST(NotificationCenter, ObserversChangeTheCenterAndPostAgainDuringDelivery) {
  NotificationCenter center;
  std::vector<std::string> heard;
  Observation self, later, added;
  self = center.addObserver("n", [&](const Notification&) {
    heard.push_back("self");
    self.reset();   // removes itself while running
    later.reset();  // and one that has not been called yet
    added = center.addObserver("n", [&](const Notification&) { heard.push_back("added"); });
    center.post("inner");
  });
  later = center.addObserver("n", [&](const Notification&) { heard.push_back("later"); });
  Observation inner = center.addObserver("inner", [&](const Notification&) { heard.push_back("inner"); });
  center.post("n");
  EXPECT_EQ(heard, (std::vector<std::string>{"self", "inner"}));
  center.post("n");
  EXPECT_EQ(heard, (std::vector<std::string>{"self", "inner", "added"}));
}

TEST(NotificationCenter, RemovalWaitsForACallRunningOnAnotherThread) {
  NotificationCenter center;
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false, release = false, finished = false;
  Observation observation = center.addObserver("n", [&](const Notification&) {
    std::unique_lock lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
    finished = true;
  });
  std::thread poster([&] { center.post("n"); });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return entered; });
  }
  std::atomic<bool> removing = false;
  std::optional<bool> finishedWhenRemoved;
  std::thread remover([&] {
    removing = true;
    observation.reset();
    std::lock_guard lock(mutex);
    finishedWhenRemoved = finished;
  });
  while (!removing) std::this_thread::yield();
  for (int i = 0; i < 1000; ++i) std::this_thread::yield();
  {
    std::lock_guard lock(mutex);
    release = true;
  }
  changed.notify_all();
  remover.join();
  poster.join();
  EXPECT_EQ(finishedWhenRemoved, true);
}

TEST(NotificationCenter, ThreadsPostAddAndRemoveTogether) {
  NotificationCenter center;
  std::atomic<int> calls = 0;
  Observation steady = center.addObserver("n", [&](const Notification&) { ++calls; });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (t % 2) {
          center.post("n", Value(i));
        } else {
          Observation brief = center.addObserver("n", [&](const Notification&) { ++calls; });
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_GE(calls.load(), 400);
}

}  // namespace
}  // namespace platform::foundation
