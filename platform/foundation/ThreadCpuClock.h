#pragma once

#include <cstdint>
#include <memory>

namespace platform::foundation {

// The CPU time the calling thread has used: for work that must end after so much of it, whatever
// its own counts say (an interpreter running a program from a server). The process has one
// current clock; a test installs one that moves only when told, so nothing it checks depends on
// the machine's speed.
class ThreadCpuClock {
 public:
  virtual ~ThreadCpuClock();
  // Nanoseconds of CPU the calling thread has used since it started.
  virtual std::int64_t threadNanoseconds() const = 0;

  // The system's clock unless a test installed another.
  static std::shared_ptr<ThreadCpuClock> current();
  // The system's clock, whichever is current: for work on a thread of its own that another thread
  // waits for, where a test's clock, moved by reads on every thread, would count its time twice.
  static std::shared_ptr<ThreadCpuClock> system();
  // Installs `clock`; nullptr puts the system's back.
  static void setCurrent(std::shared_ptr<ThreadCpuClock> clock);
};

}  // namespace platform::foundation
