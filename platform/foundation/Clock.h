#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace platform::foundation {

// The process's notion of time. Every clock read and every timer in Ostrel goes through the current
// clock, so tests and the headless runner can swap in a ManualClock and move time by hand.
//
// Two scales: now() is wall time in seconds since 1970 (for dates that are stored or shown);
// monotonic() never jumps and is what timers are measured on.
//
// Timers: a clock keeps one deadline-ordered set of pending "fire" functions. Both clocks share it;
// they differ only in who walks it. SystemClock (SystemClock.h) has one waiter thread that sleeps until
// the earliest deadline; ManualClock fires what is due inside advance(). A fire function runs on that thread (or
// on the caller of advance()) and must only hand work off, e.g. enqueue a block on a dispatch queue.
// Fire functions must not own the clock that holds them.
class Clock {
 public:
  using TimerId = std::uint64_t;

  virtual ~Clock();
  Clock(const Clock&) = delete;
  Clock& operator=(const Clock&) = delete;

  // Wall time, seconds since 1970-01-01 00:00:00 UTC.
  virtual double now() const = 0;
  // Steady time in nanoseconds from an arbitrary origin; the unit timers are kept in.
  virtual std::int64_t monotonicNanoseconds() const = 0;
  // Steady time in seconds.
  double monotonic() const { return static_cast<double>(monotonicNanoseconds()) / 1e9; }

  // Calls `fire` once, when the monotonic time reaches `deadlineNanoseconds`. Equal deadlines fire in
  // the order they were scheduled. Returns an id for cancel().
  TimerId schedule(std::int64_t deadlineNanoseconds, std::function<void()> fire);
  // As schedule(), `seconds` from now. Negative or NaN counts as zero; an infinite delay never fires.
  // The time is read and the timer added in one step, so a manual clock moved meanwhile by another
  // thread still fires it at its time. `deadline`, when given, is told the deadline before it can fire.
  TimerId scheduleAfter(double seconds, std::function<void()> fire, std::int64_t* deadline = nullptr);
  // Removes a timer that has not fired yet; true when it was still pending.
  bool cancel(TimerId id);
  std::size_t pendingTimers() const;
  // Monotonic seconds of the earliest pending timer, if any.
  std::optional<double> nextDeadline() const;

  // The process clock: a SystemClock unless a test or the headless runner installed another.
  static std::shared_ptr<Clock> current();
  // Installs `clock` as the process clock; nullptr puts the system clock back. Timers already
  // scheduled stay with the clock they were scheduled on.
  static void setCurrent(std::shared_ptr<Clock> clock);
  // The system clock, whichever clock is current.
  static std::shared_ptr<Clock> system();
  // What network deadlines are measured on. The network is real: a server's answer takes real time
  // however the app's clock moves (a headless script's wait of an hour takes none), so this is the
  // system clock unless a test installs its own to move deadlines by hand; nullptr puts it back.
  static std::shared_ptr<Clock> forNetworkDeadlines();
  static void setForNetworkDeadlines(std::shared_ptr<Clock> clock);
  // What times the system keeps of its own are compared with: a file's modification date, the kernel's
  // boot time. They come from the system's clock, whatever clock the app runs on (a container's lead,
  // a headless script's virtual time), so this is the system clock unless a test installs its own to
  // date files by it; nullptr puts it back.
  static std::shared_ptr<Clock> forSystemTimes();
  static void setForSystemTimes(std::shared_ptr<Clock> clock);

  // Seconds as whole nanoseconds, rounded; NaN and negatives give 0, huge values saturate.
  static std::int64_t toNanoseconds(double seconds);

 protected:
  Clock();

  struct Due {
    std::int64_t deadline;
    std::function<void()> fire;
  };
  // Takes the earliest timer whose deadline is at or before `limit`.
  std::optional<Due> takeDue(std::int64_t limit);
  std::optional<Due> takeDueLocked(std::int64_t limit);
  // The steady time, read under mutex_.
  virtual std::int64_t monotonicNanosecondsLocked() const { return monotonicNanoseconds(); }

  // Guards the timer set; SystemClock's waiter sleeps under it.
  mutable std::mutex mutex_;
  std::optional<std::int64_t> earliestLocked() const;
  // Called under mutex_ after a timer was added; `earliest` when it is now the first to fire.
  virtual void timerAddedLocked(bool earliest) {}

 private:
  using Key = std::pair<std::int64_t, TimerId>;  // (deadline, scheduling order)
  std::map<Key, std::function<void()>> timers_;
  std::unordered_map<TimerId, std::int64_t> deadlines_;
  TimerId nextId_ = 1;

  TimerId addLocked(std::int64_t deadlineNanoseconds, std::function<void()> fire);
};

// A clock that moves only when told. It starts at `wallStart` (wall) and `monotonicStart` (steady).
//
// advance(seconds) walks every pending timer whose deadline falls inside the span, in deadline order
// (equal deadlines in scheduling order). For each it first sets the clock to that deadline, then calls
// the timer's fire function on the calling thread, and only then goes on to the next; timers scheduled
// by a fire function for a deadline inside the span are fired in the same walk. Finally the clock is
// set to the end of the span. A timer scheduled for "now + 1" while the clock reads T fires when an
// advance reaches T + 1; one scheduled for "now" fires on the next advance, even advance(0). Each move
// (to a deadline, or to the end) is made in one step with looking for the next timer due, so a timer
// that another thread adds with scheduleAfter() meanwhile is either found on the way or reckoned from
// where the clock came to.
//
// The dispatch layer's timers wait, inside their fire function, until the block they enqueue has run
// wherever that is safe (see platform/dispatch/Timer.h), so a block sees the clock at its own deadline
// and blocks run in deadline order across queues.
class ManualClock final : public Clock {
 public:
  // 2023-11-14 22:13:20 UTC, an arbitrary fixed day so tests that print dates are stable.
  static constexpr double kDefaultWallStart = 1700000000.0;

  explicit ManualClock(double wallStart = kDefaultWallStart, double monotonicStart = 0.0);

  double now() const override;
  std::int64_t monotonicNanoseconds() const override;

  void advance(double seconds);
  // The wall time advance(seconds) ends at, were it called now.
  double wallTimeAfter(double seconds) const;
  // Called on the advancing thread before every move of the clock, to a timer's deadline or to the end
  // of an advance. A headless run lets the work other threads are doing finish there (see
  // platform/shell/ScriptRunner), so that this work reads the clock where it stands and whatever it
  // arms, on any thread, fires at its time inside the same advance.
  void setBeforeEachMove(std::function<void()> settle);

  // True on a thread that is inside advance() calling a timer's fire function.
  static bool isFiringOnThisThread();

 private:
  std::int64_t monotonicNanosecondsLocked() const override;
  std::int64_t endOfAdvanceLocked(double seconds) const;
  // Takes the earliest timer due by `end` and moves the clock to its deadline; with none due, moves
  // the clock to `end`.
  std::optional<Due> moveToNextDue(std::int64_t end);

  std::function<void()> beforeEachMove_;  // guarded by mutex_
  double wallStart_;
  std::int64_t monotonicStart_;
  std::int64_t elapsed_ = 0;  // guarded by mutex_
};

}  // namespace platform::foundation
