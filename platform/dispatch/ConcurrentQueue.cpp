#include "platform/dispatch/detail/ConcurrentQueue.h"

#include "platform/dispatch/detail/CurrentQueueScope.h"
#include "platform/dispatch/detail/WorkerPool.h"

namespace platform::dispatch {

void ConcurrentQueue::async(std::function<void()> block) {
  // Handed over as it is, with the queue beside it: wrapped in another block it would cost a second
  // allocation, made on the submitting thread and freed on a worker.
  WorkerPool::shared().submit(std::move(block), shared_from_this());
}

void ConcurrentQueue::sync(const std::function<void()>& block) {
  CurrentQueueScope scope(this);
  block();
}

}  // namespace platform::dispatch
