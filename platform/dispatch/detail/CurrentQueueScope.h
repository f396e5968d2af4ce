#pragma once

// Internal to platform/dispatch: the queues are built from these; never include them elsewhere.

namespace platform::dispatch {

class Queue;

// Marks the calling thread as running a block of `queue` for the scope's lifetime; Queue::current()
// and isCurrent() read these marks.
class CurrentQueueScope {
 public:
  explicit CurrentQueueScope(const Queue* queue);
  ~CurrentQueueScope();
  CurrentQueueScope(const CurrentQueueScope&) = delete;
  CurrentQueueScope& operator=(const CurrentQueueScope&) = delete;

  static const Queue* innermost();
  static bool contains(const Queue* queue);
};

}  // namespace platform::dispatch
