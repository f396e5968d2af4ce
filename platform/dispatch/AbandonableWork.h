#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>

namespace platform::dispatch {

// Work that nothing can stop once it has begun (a library call with no way to interrupt it), run
// where the one who needs it can stop waiting for it: on a thread of its own, beside the worker
// pool, one piece at a time. The caller waits while the work lasts, within a bound of its own on
// the steady clock and for as long as its own test says it may (looked at every few milliseconds,
// so a budget on another clock can end the wait). Past either the piece is abandoned: it runs on to
// its end with nothing waiting for it, not a caller and not the process end, and what it made goes
// with it. While an abandoned piece still runs no other starts, so at most one is ever left running.
//
// States of the thread: idle; running a piece that its caller waits for; running one abandoned.
// A piece is taken only when idle; a caller that finds the thread running gets Busy at once.
class AbandonableWork {
 public:
  static constexpr double kForever = std::numeric_limits<double>::infinity();
  enum class Outcome { Finished, Abandoned, Busy };
  struct Waited {
    Outcome outcome = Outcome::Busy;
    // CPU time the piece took on its thread, when it finished.
    std::int64_t cpuNanoseconds = 0;
  };
  // The piece of work: `abandoned` turns true once nobody waits for it any more, for work that can
  // look now and then and end early.
  using Work = std::function<void(const std::atomic<bool>& abandoned)>;

  // Runs `work` on the thread and waits until it finishes, `mostSeconds` pass, or `mayWait` says no.
  // The work's CPU time is read on the system's thread clock.
  static Waited run(Work work, double mostSeconds, const std::function<bool()>& mayWait);

  // Whether a piece runs now (an abandoned one, when nobody waits).
  static bool isRunning();
  // Tests only: waits, for at most `seconds`, until no piece runs.
  static bool waitUntilIdleForTesting(double seconds);

  // The process end: an idle thread ends and is joined; one still running a piece is left to the
  // system, unwaited.
  static void endOfProcess();
};

}  // namespace platform::dispatch
