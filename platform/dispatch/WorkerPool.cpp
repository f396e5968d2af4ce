#include "platform/dispatch/detail/WorkerPool.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/dispatch/MainLoop.h"

namespace platform::dispatch {

namespace {

// A runaway past this many workers queues instead of exhausting the process.
constexpr std::size_t kMaxThreads = 256;
constexpr auto kIdleLifetime = std::chrono::seconds(5);
constexpr auto kMonitorTick = std::chrono::milliseconds(10);
constexpr std::size_t kMaxAddedPerTick = 4;

thread_local std::vector<const Queue*> currentQueues;

}  // namespace

WorkerPool::WorkerPool() : coreThreads_(std::max(4u, std::thread::hardware_concurrency())) {
  std::thread([this] { watch(); }).detach();
}

WorkerPool& WorkerPool::shared() {
  // Never destroyed: detached workers may still be waking up while statics are torn down at exit.
  static auto* pool = new WorkerPool();
  return *pool;
}

void WorkerPool::submit(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  backlogSize_.store(tasks_.size(), std::memory_order_relaxed);
  if (tasks_.size() > sleeping_ && threads_ < coreThreads_) spawnLocked();
  else wake_.notify_one();
  if (monitorIdle_) backlog_.notify_one();
}

void WorkerPool::spawnLocked() {
  ++threads_;
  std::thread([this] { work(); }).detach();
}

std::size_t WorkerPool::threadCount() const {
  std::lock_guard lock(mutex_);
  return threads_;
}

void WorkerPool::work() {
  std::unique_lock lock(mutex_);
  while (true) {
    if (!tasks_.empty()) {
      auto task = std::move(tasks_.front());
      tasks_.pop_front();
      backlogSize_.store(tasks_.size(), std::memory_order_relaxed);
      ++started_;
      lock.unlock();
      task();
      task = nullptr;  // release what the task captured before taking the lock again
      lock.lock();
      continue;
    }
    ++sleeping_;
    bool woken = wake_.wait_for(lock, kIdleLifetime, [this] { return !tasks_.empty(); });
    --sleeping_;
    if (!woken) {
      --threads_;
      return;
    }
  }
}

void WorkerPool::watch() {
  std::unique_lock lock(mutex_);
  std::size_t startedAtLastTick = started_;
  while (true) {
    if (tasks_.empty()) {
      monitorIdle_ = true;
      backlog_.wait(lock, [this] { return !tasks_.empty(); });
      monitorIdle_ = false;
      startedAtLastTick = started_;
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

CurrentQueueScope::CurrentQueueScope(const Queue* queue) { currentQueues.push_back(queue); }
CurrentQueueScope::~CurrentQueueScope() { currentQueues.pop_back(); }

const Queue* CurrentQueueScope::innermost() {
  return currentQueues.empty() ? nullptr : currentQueues.back();
}

bool CurrentQueueScope::contains(const Queue* queue) {
  for (const Queue* q : currentQueues)
    if (q == queue) return true;
  return false;
}

void Completion::finish(std::exception_ptr error) {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
    error_ = std::move(error);
    done_.notify_all();
  }
  if (wakesMainLoop_) MainLoop::wakeUp();
}

void Completion::wait() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return finished_; });
}

bool Completion::isDone() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

void Completion::rethrowIfFailed() const {
  std::lock_guard lock(mutex_);
  if (error_) std::rethrow_exception(error_);
}

}  // namespace platform::dispatch
