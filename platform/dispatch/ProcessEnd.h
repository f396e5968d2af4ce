#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform::dispatch {

// The one way the process ends in order, for every layer. The program calls run() on the main thread
// once the application has said it will terminate, before main returns:
//
//   1. the stops that components registered run, lowest order first (equal orders in the order they
//      were added): each finishes or drops its queued work, gives work in flight (an upload) its
//      bounded wait and lets go of its queues, threads and files;
//   2. the work still queued anywhere drains, main-queue blocks included, and work in flight that
//      registered itself (a request whose answer the device must keep) comes back, for at most the
//      given time on the steady clock (a stuck block or a silent server must not hold the exit for ever);
//      an answer that came within that time is taken whole: what it asks of the device (deleting what
//      the service took) may finish past the bound, for at most kAnsweredWorkSeconds more; once the
//      end's one deadline has started (EndDeadline) both waits end by it, the first early enough to
//      leave the second its time;
//   3. the worker threads are joined (unless work was still running: then they are left, and said so;
//      work in flight that did not come back is named in a warning); the thread of abandoned work
//      (AbandonableWork) is joined when idle and otherwise left to the system, never waited for;
//   4. pending preferences (user defaults, settings plists) are written.
//
// Everything destroyed after main returns (statics, the main thread's thread-locals) then owns no
// running queue, no thread and no unwritten file. A stop that throws is logged and the end goes on.
class ProcessEnd {
 public:
  // Where a stop belongs: components that may still post work and wait for answers come first, the
  // services they use after them.
  enum Order : int { kComponents = 100, kServices = 200 };
  static constexpr double kDefaultDrainSeconds = 5;
  // How long what an answer asks of the device may still take once the wait for answers is over.
  static constexpr double kAnsweredWorkSeconds = 2;

  // Keeps a stop, or a piece of work in flight, registered while it lives; an object that goes away
  // before the end takes its stop with it, and work that came back releases its hold. Move-only.
  class Registration {
   public:
    Registration() = default;
    ~Registration();
    Registration(Registration&& other) noexcept;
    Registration& operator=(Registration&& other) noexcept;
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    explicit operator bool() const { return id_ != 0; }
    void reset();

   private:
    friend class ProcessEnd;
    explicit Registration(unsigned long id) : id_(id) {}
    unsigned long id_ = 0;
  };

  [[nodiscard]] static Registration add(int order, std::string name, std::function<void()> stop);
  // Work that left the process and whose outcome must not be cut off (a request on its way to a
  // server, from before it leaves until its answer has been handled): the end waits for it within its
  // bound. `name` says what it is in the warning when it does not come back in time.
  [[nodiscard]] static Registration addWorkInFlight(std::string name);
  // The answer to work that left the process has come, and what it asks is the device's own work: the
  // end waits for it as for work in flight, and past its bound too (within kAnsweredWorkSeconds), so
  // that an answer that came in the last instant of the wait is taken and what it asks done whole. A
  // holder of work in flight takes this before it lets go of that, so that the end always sees one.
  [[nodiscard]] static Registration addAnsweredWork(std::string name);
  static bool hasWorkInFlight();
  // Once per process; later calls do nothing. Returns whether everything drained within the bound.
  static bool run(double drainSeconds = kDefaultDrainSeconds);
  static bool hasRun();

  // Tests only: forgets that the end ran, so a test can run it again.
  static void resetForTesting();
};

}  // namespace platform::dispatch
