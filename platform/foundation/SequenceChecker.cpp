#include "platform/foundation/SequenceChecker.h"

#include <atomic>

namespace platform::foundation {

namespace {

std::atomic<const void* (*)()> innermostQueue{nullptr};
std::atomic<bool (*)(const void*)> runningQueue{nullptr};

// One address per live thread, standing for the thread when no queue does.
const void* threadToken() {
  static thread_local char token;
  return &token;
}

}  // namespace

void SequenceChecker::setQueues(Queues queues) {
  innermostQueue = queues.innermost;
  runningQueue = queues.running;
}

bool SequenceChecker::calledOnValidSequence() const {
  const auto innermost = innermostQueue.load();
  const auto running = runningQueue.load();
  std::lock_guard lock(mutex_);
  if (!queue_ && !thread_) {
    queue_ = innermost ? innermost() : nullptr;
    if (!queue_) thread_ = threadToken();
    return true;
  }
  if (queue_) return running && running(queue_);
  return thread_ == threadToken();
}

void SequenceChecker::detach() {
  std::lock_guard lock(mutex_);
  queue_ = nullptr;
  thread_ = nullptr;
}

}  // namespace platform::foundation
