#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/dispatch/Queue.h"

namespace sdk::analytics {

// The engine's worker queue: one serial queue on which blocks run one at a time, each guarded so that
// an exception ends only that block (logged with its ID), never the queue.
class Scheduler {
 public:
  explicit Scheduler(const std::string& workerQueueLabel);

  std::shared_ptr<platform::dispatch::Queue> workerQueue() const { return workerQueue_; }

  void scheduleOnWorkerQueueBlockID(const std::string& blockID, std::function<void()> block);
  // Runs the block on the worker queue and waits for it; from the worker queue itself it runs inline.
  void dispatchSyncOnWorkerQueueBlockID(const std::string& blockID, const std::function<void()>& block);

 private:
  std::shared_ptr<platform::dispatch::Queue> workerQueue_;
};

}  // namespace sdk::analytics

