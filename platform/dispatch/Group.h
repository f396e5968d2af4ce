#pragma once

#include <functional>
#include <limits>
#include <memory>

#include "platform/dispatch/Queue.h"

namespace platform::dispatch {

// Counts outstanding work. A Group is a cheap handle: copies refer to the same group.
class Group {
 public:
  static constexpr double kForever = std::numeric_limits<double>::infinity();

  Group();

  void enter();
  // Throws platform::foundation::Exception when there is no matching enter().
  void leave();

  // Blocks until the group is empty or the timeout (system steady clock) passes; true when empty.
  bool wait(double timeoutSeconds = kForever) const;
  // As wait(), but on the main thread it runs main-queue blocks meanwhile, so work that needs the
  // main queue can finish. On other threads it is wait().
  bool waitPumpingMainLoop(double timeoutSeconds = kForever) const;

  // Adds `block` to `queue` once the group is empty (at once when it is empty now).
  void notify(const std::shared_ptr<Queue>& queue, std::function<void()> block) const;
  // enter(), then adds `block` to `queue`; leaves when the block has run.
  void async(const std::shared_ptr<Queue>& queue, std::function<void()> block) const;

  bool isEmpty() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace platform::dispatch
