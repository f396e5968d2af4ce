#include "platform/dispatch/AbandonableWork.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/foundation/ThreadCpuClock.h"

namespace platform::dispatch {

namespace {

using SteadyTime = std::chrono::steady_clock;

// How often a waiting caller asks whether it may still wait: a budget kept on a clock of its own
// (the CPU time of the caller's thread, a test's clock) ends the wait within this. The first time
// only once the work has run a while: most pieces end long before, and each look reads a clock.
constexpr auto kFirstLook = std::chrono::milliseconds(50);
constexpr auto kLookInterval = std::chrono::milliseconds(2);
// How long each side looks for the other before it sleeps: most pieces (a small pattern's compile)
// take microseconds, and many come one after another, where putting a thread to sleep and waking it
// would take ten times as long as the work.
constexpr auto kSpin = std::chrono::microseconds(200);

struct AbandonablePiece {
  AbandonableWork::Work work;
  std::atomic<bool> abandoned{false};
  bool finished = false;  // under AbandonableThread::mutex
  std::atomic<bool> done{false};  // finished, for a caller looking without the lock
  std::int64_t cpuNanoseconds = 0;
};

struct AbandonableThread {
  std::mutex mutex;
  std::condition_variable changed;  // a piece given, a piece finished, the end
  std::shared_ptr<AbandonablePiece> given;     // not taken yet
  std::shared_ptr<AbandonablePiece> running;   // given or taken, not finished
  std::atomic<bool> pending{false};             // a piece given and not taken, for a look without the lock
  bool stopping = false;
  std::thread thread;
  // Which thread serves: one left running at the end ends after its piece, whoever serves next.
  std::uint64_t generation = 0;
};

// Never destroyed: a piece left running at the process end still finishes into it.
AbandonableThread& abandonableThread() {
  static auto* instance = new AbandonableThread;
  return *instance;
}

// Until `ready`, or kSpin has passed, or `last` has come; without the lock.
template <typename Ready>
void spinFor(const Ready& ready, SteadyTime::time_point last = SteadyTime::time_point::max()) {
  const auto until = std::min(last, SteadyTime::now() + kSpin);
  while (!ready() && SteadyTime::now() < until) std::this_thread::yield();
}

void serveAbandonable(AbandonableThread& s, std::uint64_t generation) {
  std::unique_lock lock(s.mutex);
  while (true) {
    if (!s.given && !s.stopping) {
      lock.unlock();
      spinFor([&] { return s.pending.load(std::memory_order_acquire); });
      lock.lock();
    }
    s.changed.wait(lock, [&] { return s.given || s.stopping || s.generation != generation; });
    if (!s.given || s.generation != generation) return;
    const std::shared_ptr<AbandonablePiece> piece = std::move(s.given);
    s.pending.store(false, std::memory_order_relaxed);
    lock.unlock();
    // Read on the system's clock: the caller counts this time as its own, and a test's clock, moved
    // by every read on any thread, would have it counted twice.
    const auto clock = foundation::ThreadCpuClock::system();
    const std::int64_t start = clock->threadNanoseconds();
    piece->work(piece->abandoned);
    // What the work made goes here, with the work, whether or not anyone still waits for it.
    piece->work = nullptr;
    const std::int64_t used = clock->threadNanoseconds() - start;
    lock.lock();
    piece->cpuNanoseconds = used;
    piece->finished = true;
    piece->done.store(true, std::memory_order_release);
    s.running.reset();
    s.changed.notify_all();
  }
}

SteadyTime::time_point pieceDeadlineAfter(double seconds) {
  const auto now = SteadyTime::now();
  if (!(seconds > 0)) return now;
  const double most = std::chrono::duration<double>(SteadyTime::time_point::max() - now).count() / 2;
  return now + std::chrono::duration_cast<SteadyTime::duration>(std::chrono::duration<double>(std::min(seconds, most)));
}

}  // namespace

AbandonableWork::Waited AbandonableWork::run(Work work, double mostSeconds, const std::function<bool()>& mayWait) {
  AbandonableThread& s = abandonableThread();
  auto piece = std::make_shared<AbandonablePiece>();
  piece->work = std::move(work);
  std::unique_lock lock(s.mutex);
  if (s.running) return {Outcome::Busy, 0};
  if (!s.thread.joinable()) {
    s.stopping = false;
    s.thread = std::thread(serveAbandonable, std::ref(s), s.generation);
  }
  const auto deadline = pieceDeadlineAfter(mostSeconds);
  s.given = piece;
  s.running = piece;
  s.pending.store(true, std::memory_order_release);
  s.changed.notify_all();
  if (SteadyTime::now() < deadline) {
    lock.unlock();
    spinFor([&] { return piece->done.load(std::memory_order_acquire); }, deadline);
    lock.lock();
  }
  auto look = std::min(deadline, SteadyTime::now() + kFirstLook);
  while (!piece->finished && SteadyTime::now() < deadline) {
    s.changed.wait_until(lock, look, [&] { return piece->finished; });
    look = std::min(deadline, SteadyTime::now() + kLookInterval);
    if (piece->finished || !mayWait) continue;
    lock.unlock();
    const bool may = mayWait();
    lock.lock();
    if (!may) break;
  }
  if (piece->finished) return {Outcome::Finished, piece->cpuNanoseconds};
  piece->abandoned = true;
  // One the thread has not taken yet never starts.
  if (s.given == piece) {
    s.given.reset();
    s.running.reset();
    s.pending.store(false, std::memory_order_relaxed);
  }
  return {Outcome::Abandoned, 0};
}

bool AbandonableWork::isRunning() {
  AbandonableThread& s = abandonableThread();
  std::lock_guard lock(s.mutex);
  return s.running != nullptr;
}

bool AbandonableWork::waitUntilIdleForTesting(double seconds) {
  AbandonableThread& s = abandonableThread();
  std::unique_lock lock(s.mutex);
  return s.changed.wait_until(lock, pieceDeadlineAfter(seconds), [&] { return !s.running; });
}

void AbandonableWork::endOfProcess() {
  AbandonableThread& s = abandonableThread();
  std::thread ending;
  {
    std::lock_guard lock(s.mutex);
    if (!s.thread.joinable()) return;
    s.stopping = true;
    s.changed.notify_all();
    if (s.running) {
      // It ends once its piece does, on its own: nothing waits for it.
      s.thread.detach();
      ++s.generation;
      return;
    }
    ending.swap(s.thread);
  }
  ending.join();
  std::lock_guard lock(s.mutex);
  s.stopping = false;
}

}  // namespace platform::dispatch
