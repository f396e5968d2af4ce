#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"

namespace platform::dispatch {

// A one-shot or repeating timer that runs its block on a queue. Timers follow the Clock current when
// they are scheduled. A scheduled timer keeps itself alive until it is invalidated or, for a one-shot
// timer, until its block has run; repeating timers must be invalidated.
//
// With the system clock the clock's waiter thread adds the block to the queue when due.
// With a ManualClock, advance() fires due timers in deadline order and, before going on to the next
// deadline, waits until the block has run, so each block sees the clock at its own deadline and
// blocks run in deadline order across queues. That wait is skipped where it could not end:
//  - a block for the main queue while advance() runs on another thread is only queued (the main
//    loop runs it later);
//  - a block for the queue whose block is calling advance() is only queued;
//  - on the main thread the wait runs main-queue blocks meanwhile, so a main-queue block (or a
//    worker block that syncs onto the main queue) can finish.
// A block fired by advance() must not wait on the thread calling advance() by any other means.
class Timer : public std::enable_shared_from_this<Timer> {
 public:
  // Schedules a timer `interval` seconds from now on the current clock. A repeating timer fires every
  // `interval` seconds after that (deadlines stay on the grid; missed ones are skipped, not stacked).
  static std::shared_ptr<Timer> scheduled(double interval, bool repeats, std::shared_ptr<Queue> queue,
                                          std::function<void(Timer&)> block);
  static std::shared_ptr<Timer> scheduled(double interval, bool repeats, std::shared_ptr<Queue> queue,
                                          std::function<void()> block);

  ~Timer();

  // Stops the timer: no block starts after this returns (one already running finishes). Safe from any
  // thread and from inside the timer's own block.
  void invalidate();
  bool isValid() const;
  double interval() const { return interval_; }
  bool repeats() const { return repeats_; }

  struct Private {
    explicit Private() = default;
  };
  Timer(Private, double interval, bool repeats, std::shared_ptr<Queue> queue, std::function<void(Timer&)> block);

 private:
  void armLocked(foundation::Clock& clock, std::int64_t deadline);
  void fire();
  void runBlock();

  const double interval_;
  const bool repeats_;
  const std::shared_ptr<Queue> queue_;
  const std::function<void(Timer&)> block_;
  std::weak_ptr<foundation::Clock> clock_;

  mutable std::mutex mutex_;
  bool valid_ = true;
  foundation::Clock::TimerId pending_ = 0;
  std::int64_t deadline_ = 0;  // of the pending run: where a repeating timer's grid goes on from
};

}  // namespace platform::dispatch
