#include "platform/dispatch/detail/WorkerPool.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/detail/CurrentQueueScope.h"
#include "platform/dispatch/detail/QueuedBlock.h"

namespace platform::dispatch {

namespace {

// A runaway past this many workers queues instead of exhausting the process.
constexpr std::size_t kMaxThreads = 256;
constexpr auto kIdleLifetime = std::chrono::seconds(5);
constexpr auto kMonitorTick = std::chrono::milliseconds(10);
constexpr std::size_t kMaxAddedPerTick = 4;

}  // namespace

WorkerPool::WorkerPool() : coreThreads_(std::max(4u, std::thread::hardware_concurrency())) {}

WorkerPool& WorkerPool::shared() {
  // Not destroyed at exit: the process end joins its threads first, and a program that ends without
  // one (a test) may still have workers waking up while statics are torn down.
  static auto* pool = new WorkerPool();
  return *pool;
}

void WorkerPool::submit(std::function<void()> task, std::shared_ptr<Queue> queue) {
  bool wakeWorker = false;
  bool wakeMonitor = false;
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(Task{std::move(task), std::move(queue)});
    backlogSize_.store(tasks_.size(), std::memory_order_relaxed);
    startMonitorLocked();
    if (tasks_.size() > sleeping_ && threads_ < coreThreads_) spawnLocked();
    else wakeWorker = wakeOneLocked();
    // A task a sleeping worker takes at once needs no watching; the monitor is woken only for one that
    // may have to wait. Each wake of an idle thread costs the submitter a system call and the woken
    // thread a trip through the scheduler, on every hop of a lightly used queue.
    wakeMonitor = monitorIdle_ && tasks_.size() > sleeping_;
  }
  // Told after the lock is let go, so a woken thread does not wake only to wait for it. The pool is
  // never destroyed, so nothing here can be gone by then.
  if (wakeWorker) wake_.notify_one();
  if (wakeMonitor) backlog_.notify_one();
}

// One sleeping worker is woken at a time, and the one woken wakes the next while work still waits (see
// work()). A burst of submissions then costs the submitter one system call rather than one each, and
// workers are not woken faster than they can take tasks, each only to find the queue already empty.
bool WorkerPool::wakeOneLocked() {
  if (sleeping_ == 0 || wakePending_) return false;
  wakePending_ = true;
  return true;
}

void WorkerPool::run(const Task& task) {
  if (!task.queue) return task.block();
  CurrentQueueScope scope(task.queue.get());
  runQueuedBlock(*task.queue, task.block);
}

void WorkerPool::startMonitorLocked() {
  if (!monitor_.joinable()) monitor_ = std::thread([this] { watch(); });
}

void WorkerPool::spawnLocked() {
  joinRetiredLocked();
  ++threads_;
  workers_.emplace_back([this] { work(); });
}

void WorkerPool::joinRetiredLocked() {
  // A retired worker has given up the lock for good; joining it only waits for its thread to end.
  for (auto id : retired_) {
    auto found = std::find_if(workers_.begin(), workers_.end(), [id](const std::thread& t) { return t.get_id() == id; });
    if (found == workers_.end()) continue;
    found->join();
    workers_.erase(found);
  }
  retired_.clear();
}

std::size_t WorkerPool::threadCount() const {
  std::lock_guard lock(mutex_);
  return threads_;
}

bool WorkerPool::isIdle() const {
  std::lock_guard lock(mutex_);
  return tasks_.empty() && running_ == 0;
}

bool WorkerPool::isMonitorWaitingForBacklog() const {
  std::lock_guard lock(mutex_);
  return monitorIdle_;
}

void WorkerPool::joinThreads() {
  std::list<std::thread> workers;
  std::thread monitor;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
    backlog_.notify_all();
    workers.swap(workers_);
    monitor.swap(monitor_);
    retired_.clear();
  }
  for (auto& worker : workers) worker.join();
  if (monitor.joinable()) monitor.join();
  std::lock_guard lock(mutex_);
  stopping_ = false;
  // Work that came while the threads were ending still runs.
  if (!tasks_.empty()) {
    startMonitorLocked();
    spawnLocked();
  }
}

void WorkerPool::work() {
  std::unique_lock lock(mutex_);
  while (true) {
    if (!tasks_.empty()) {
      Task task = std::move(tasks_.front());
      tasks_.pop_front();
      backlogSize_.store(tasks_.size(), std::memory_order_relaxed);
      ++started_;
      ++running_;
      const bool wakeAnother = !tasks_.empty() && wakeOneLocked();
      lock.unlock();
      if (wakeAnother) wake_.notify_one();
      run(task);
      task = Task();  // release what the task captured before taking the lock again
      lock.lock();
      --running_;
      continue;
    }
    if (stopping_) {
      --threads_;
      retired_.push_back(std::this_thread::get_id());  // joined here unless joinThreads() holds it
      return;
    }
    ++sleeping_;
    // Waited for without a predicate: a worker that was woken for work another one took first must
    // still say it woke (below), or no submission would wake anyone again.
    const bool timedOut = wake_.wait_for(lock, kIdleLifetime) == std::cv_status::timeout;
    --sleeping_;
    wakePending_ = false;  // whichever worker woke, the next submission may wake another
    if (!tasks_.empty() || stopping_) continue;
    if (timedOut) {
      // Nobody may come to join a worker that retires on its own before the program ends: it lets go of
      // its thread, so a program that never spawns again leaves no ended, unjoined thread behind. It runs
      // none of our code after this but the unlock, on a pool that is never destroyed.
      --threads_;
      auto self = std::find_if(workers_.begin(), workers_.end(),
                               [](const std::thread& t) { return t.get_id() == std::this_thread::get_id(); });
      if (self != workers_.end()) {
        self->detach();
        workers_.erase(self);
      }
      return;
    }
  }
}

void WorkerPool::watch() {
  std::unique_lock lock(mutex_);
  std::size_t startedAtLastTick = started_;
  while (!stopping_) {
    if (tasks_.empty()) {
      monitorIdle_ = true;
      backlog_.wait(lock, [this] { return !tasks_.empty() || stopping_; });
      monitorIdle_ = false;
      startedAtLastTick = started_;
      if (stopping_) return;
    }
    backlog_.wait_for(lock, kMonitorTick);
    if (tasks_.empty() || started_ != startedAtLastTick || sleeping_ > 0) {
      startedAtLastTick = started_;
      continue;
    }
    for (std::size_t i = 0; i < std::min(tasks_.size(), kMaxAddedPerTick) && threads_ < kMaxThreads; ++i)
      spawnLocked();
  }
}

}  // namespace platform::dispatch
