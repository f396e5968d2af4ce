#include "platform/dispatch/MainLoop.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/dispatch/EndDeadline.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/detail/Completion.h"
#include "platform/dispatch/detail/CurrentQueueScope.h"
#include "platform/dispatch/detail/QueuedBlock.h"
#include "platform/dispatch/detail/WorkerPool.h"
#include "platform/foundation/Exception.h"

namespace platform::dispatch {

namespace {

using Steady = std::chrono::steady_clock;

// How often runUntil() looks at a predicate that changes without anyone waking the loop.
constexpr auto kPollInterval = std::chrono::milliseconds(2);

struct MainState {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::function<void()>> blocks;
  std::uint64_t wakeCount = 0;  // bumped by every post and wakeUp()
  std::size_t stopRequests = 0;
  std::atomic<bool> mainThreadSet{false};
  std::atomic<std::thread::id> mainThread{};
};

MainState& state() {
  static auto* instance = new MainState();  // never destroyed: posts may come during teardown
  return *instance;
}

void requireMainThread() {
  if (!MainLoop::isMainThread())
    throw foundation::Exception("MainThreadRequired", "the main loop runs only on the main thread");
}

// The main queue: blocks from any thread, run by MainLoop on the main thread.
class MainQueue final : public Queue {
 public:
  MainQueue() : Queue(Kind::Main, "main") {}

  void async(std::function<void()> block) override {
    auto& s = state();
    {
      std::lock_guard lock(s.mutex);
      s.blocks.push_back(std::move(block));
      ++s.wakeCount;
    }
    // Told after the lock is let go, so the woken main thread does not wake only to wait for it. The
    // state is never destroyed, so nothing here can be gone by then.
    s.changed.notify_all();
  }

  void sync(const std::function<void()>& block) override {
    if (MainLoop::isMainThread()) {
      CurrentQueueScope scope(this);
      block();
      return;
    }
    auto done = std::make_shared<Completion>();
    async([&block, done] {
      try {
        block();
        done->finish();
      } catch (...) {
        done->finish(std::current_exception());
      }
    });
    done->wait();
    done->rethrowIfFailed();
  }
};

Steady::time_point deadlineAfter(double seconds) {
  if (!(seconds < 1e9)) return Steady::time_point::max();  // infinite or absurd: no deadline
  if (!(seconds > 0)) return Steady::now();
  return Steady::now() + std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

std::shared_ptr<Queue> Queue::main() {
  static auto* queue = new std::shared_ptr<Queue>(std::make_shared<MainQueue>());
  return *queue;
}

void MainLoop::setMainThread() {
  auto& s = state();
  s.mainThread.store(std::this_thread::get_id());
  s.mainThreadSet.store(true);
}

bool MainLoop::isMainThread() {
  auto& s = state();
  if (s.mainThreadSet.load()) return s.mainThread.load() == std::this_thread::get_id();
  thread_local const bool initialThread = ::gettid() == ::getpid();
  return initialThread;
}

bool MainLoop::runOnce() {
  requireMainThread();
  auto& s = state();
  std::function<void()> block;
  {
    std::lock_guard lock(s.mutex);
    if (s.blocks.empty()) return false;
    block = std::move(s.blocks.front());
    s.blocks.pop_front();
  }
  auto main = Queue::main();
  CurrentQueueScope scope(main.get());
  runQueuedBlock(*main, block);
  return true;
}

std::size_t MainLoop::runUntilIdle() {
  std::size_t ran = 0;
  while (runOnce()) ++ran;
  return ran;
}

void MainLoop::run() {
  requireMainThread();
  auto& s = state();
  while (true) {
    {
      std::unique_lock lock(s.mutex);
      s.changed.wait(lock, [&] { return s.stopRequests > 0 || !s.blocks.empty(); });
      if (s.stopRequests > 0) {
        --s.stopRequests;
        return;
      }
    }
    runOnce();
  }
}

void MainLoop::stop() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  ++s.stopRequests;
  s.changed.notify_all();
}

void MainLoop::wakeUp() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  ++s.wakeCount;
  s.changed.notify_all();
}

bool MainLoop::runUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
  requireMainThread();
  auto& s = state();
  const auto deadline = deadlineAfter(timeoutSeconds);
  while (true) {
    std::uint64_t seen;
    {
      std::lock_guard lock(s.mutex);
      seen = s.wakeCount;
    }
    if (predicate()) return true;
    if (runOnce()) continue;
    const auto now = Steady::now();
    // The end's deadline, looked at every time: it may have started since this wait began.
    const auto last = std::min(deadline, EndDeadline::at());
    if (now >= last) return false;
    std::unique_lock lock(s.mutex);
    auto until = last - now > kPollInterval ? now + kPollInterval : last;
    s.changed.wait_until(lock, until, [&] { return s.wakeCount != seen; });
  }
}

bool MainLoop::runUntilWorkersIdle(double timeoutSeconds, const std::function<bool()>& giveUp) {
  WorkerPool& pool = WorkerPool::shared();
  bool gaveUp = false;
  const bool ended = runUntil([&] { return pool.isIdle() || (giveUp && (gaveUp = giveUp())); }, timeoutSeconds);
  return ended && !gaveUp;
}

bool MainLoop::runUntilQueuesIdle(double timeoutSeconds, const std::function<bool()>& alsoSettled) {
  WorkerPool& pool = WorkerPool::shared();
  auto settled = [&] { return (!alsoSettled || alsoSettled()) && pool.isIdle(); };
  const auto deadline = deadlineAfter(timeoutSeconds);
  while (true) {
    const double left = std::chrono::duration<double>(deadline - Steady::now()).count();
    // The pool going idle wakes nobody: runUntil looks at it between its short waits.
    if (!runUntil(settled, std::max(left, 0.0))) return false;
    if (runUntilIdle() == 0 && settled()) return true;
  }
}

}  // namespace platform::dispatch
