#pragma once

#include <cstddef>
#include <functional>
#include <limits>

namespace platform::dispatch {

// Drains the main queue on the main thread. The main thread is the one that called setMainThread(),
// else the process's initial thread. Running the loop on any other thread throws
// platform::foundation::Exception.
//
// Time stays explicit: the loop never advances a ManualClock. Timeouts here are measured on the
// system's steady clock, as a safety net against a test that would otherwise hang. Once the process
// end's deadline has started (EndDeadline), no wait here lasts past it, whatever its own timeout.
class MainLoop {
 public:
  static constexpr double kForever = std::numeric_limits<double>::infinity();

  static void setMainThread();
  static bool isMainThread();

  // Runs main-queue blocks as they come until stop() is called.
  static void run();
  // Makes the innermost run() return after its current block. A stop requested while no run() is
  // active is kept for the next run(), so a stop posted early from another thread is not lost.
  static void stop();
  // Runs main-queue blocks until `predicate` is true (checked first, then after every block and
  // whenever woken) or the timeout passes; returns whether the predicate became true.
  static bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds = kForever);
  // Runs main-queue blocks until none is queued, including blocks that those blocks add; returns how
  // many ran.
  static std::size_t runUntilIdle();
  // Runs main-queue blocks until no queue has work left: the main queue empty and every worker idle,
  // with `alsoSettled` true when given (it is looked at before the workers, so what it waits for may
  // hand them work on its way back). Returns false when the timeout passes first.
  static bool runUntilQueuesIdle(double timeoutSeconds, const std::function<bool()>& alsoSettled = {});
  // Runs main-queue blocks while it waits until no worker has work, none waiting and none running
  // (a worker may be waiting for the main queue); none when the workers are idle already. Returns
  // false when the timeout passes first, or as soon as `giveUp` (when given) is true.
  static bool runUntilWorkersIdle(double timeoutSeconds, const std::function<bool()>& giveUp = {});
  // Runs at most one queued block; returns whether one ran.
  static bool runOnce();
  // Wakes a runUntil() waiting on the main thread so it checks its predicate again; for code that
  // changes what a predicate reads without posting to the main queue.
  static void wakeUp();
};

}  // namespace platform::dispatch
