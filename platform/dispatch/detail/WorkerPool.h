#pragma once

// Internal to platform/dispatch: the queues are built from these; never include them elsewhere.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::dispatch {

class Queue;

// The worker threads behind serial and concurrent queues. Up to one worker per core starts on demand.
// Blocks may block (sync onto another queue, a group wait, a file lock), so a monitor thread watches
// a backlog: when tasks wait and none has started for a tick, every worker is stuck or busy for long,
// and the pool adds workers so the tasks they may be waiting for can run. Workers idle for a while
// end. At the process end (ProcessEnd) the pool is waited for and its threads are joined, so none is
// left running while statics and thread-locals are destroyed.
class WorkerPool {
 public:
  static WorkerPool& shared();

  // Runs `task` on a worker. With `queue` it runs as a block of that queue, which it keeps alive: the
  // queue is the current one meanwhile, and an exception escaping the block is reported with its label.
  void submit(std::function<void()> task, std::shared_ptr<Queue> queue = nullptr);
  std::size_t threadCount() const;
  // True when tasks wait for a worker; a long-draining serial queue then lets them go first.
  bool hasBacklog() const { return backlogSize_.load(std::memory_order_relaxed) > 0; }
  // True when no task waits or runs.
  bool isIdle() const;
  // True while the monitor sleeps until a task has to wait for a worker (tests wait for this).
  bool isMonitorWaitingForBacklog() const;
  // Ends every worker and the monitor once the tasks are done, and joins them. Work submitted later
  // starts new threads, so nothing is lost, but the process end submits none.
  void joinThreads();

 private:
  struct Task {
    std::function<void()> block;
    std::shared_ptr<Queue> queue;
  };

  WorkerPool();
  static void run(const Task& task);
  bool wakeOneLocked();
  void spawnLocked();
  void startMonitorLocked();
  void joinRetiredLocked();
  void work();
  void watch();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable backlog_;  // wakes the monitor
  std::deque<Task> tasks_;
  std::size_t sleeping_ = 0;
  bool wakePending_ = false;  // a sleeping worker has been told of work and has not woken yet
  std::size_t threads_ = 0;
  std::size_t running_ = 0;  // tasks taken and not yet finished
  std::size_t started_ = 0;  // tasks taken so far; the monitor's measure of progress
  bool monitorIdle_ = false;
  bool stopping_ = false;    // joinThreads() waits: workers end once the tasks are done
  std::list<std::thread> workers_;
  std::vector<std::thread::id> retired_;  // workers that ended while joinThreads() held them, still to be joined
  std::thread monitor_;
  const std::size_t coreThreads_;
  std::atomic<std::size_t> backlogSize_{0};  // tasks_.size(), readable without the lock
};

}  // namespace platform::dispatch
