#include "platform/dispatch/detail/SerialQueue.h"

#include "platform/dispatch/detail/Completion.h"
#include "platform/dispatch/detail/CurrentQueueScope.h"
#include "platform/dispatch/detail/QueuedBlock.h"
#include "platform/dispatch/detail/WorkerPool.h"

namespace platform::dispatch {

namespace {
// Blocks a worker runs for one serial queue before it lets waiting pool tasks go first.
constexpr int kBatch = 64;
}  // namespace

void SerialQueue::async(std::function<void()> block) {
  {
    std::lock_guard lock(mutex_);
    items_.push_back(Item{std::move(block), nullptr});
    if (owned_) return;
    owned_ = true;
  }
  // Handed to the pool after the lock is let go: the worker's first step takes it.
  submitDrain();
}

void SerialQueue::startDrainLocked() {
  owned_ = true;
  submitDrain();
}

void SerialQueue::submitDrain() {
  // The worker holds the queue, so blocks still queued run even when every other reference is gone.
  auto self = std::static_pointer_cast<SerialQueue>(shared_from_this());
  WorkerPool::shared().submit([self] { self->drain(); });
}

void SerialQueue::drain() {
  CurrentQueueScope scope(this);
  for (int ran = 0;; ++ran) {
    Item item;
    {
      std::lock_guard lock(mutex_);
      if (items_.empty()) {
        owned_ = false;
        return;
      }
      if (ran >= kBatch && WorkerPool::shared().hasBacklog()) {
        // Others wait for a worker: go to the back of the line; the queue stays owned.
        startDrainLocked();
        return;
      }
      item = std::move(items_.front());
      items_.pop_front();
    }
    if (item.handOver) {
      item.handOver->finish();  // the sync() caller owns the queue from here
      return;
    }
    runQueuedBlock(*this, item.block);
  }
}

void SerialQueue::release() {
  std::lock_guard lock(mutex_);
  if (items_.empty()) owned_ = false;
  else startDrainLocked();
}

void SerialQueue::sync(const std::function<void()>& block) {
  if (CurrentQueueScope::contains(this)) {
    block();  // this thread already owns the queue further out
    return;
  }
  std::shared_ptr<Completion> handOver;
  {
    std::lock_guard lock(mutex_);
    if (owned_) {
      handOver = std::make_shared<Completion>();
      items_.push_back(Item{nullptr, handOver});
    } else {
      owned_ = true;
    }
  }
  if (handOver) handOver->wait();
  struct Release {
    SerialQueue* queue;
    ~Release() { queue->release(); }
  } release{this};
  CurrentQueueScope scope(this);
  block();
}

}  // namespace platform::dispatch
