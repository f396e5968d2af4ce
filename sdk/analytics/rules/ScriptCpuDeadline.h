#pragma once

#include <cstdint>
#include <memory>
#include <thread>

namespace platform::foundation {
class ThreadCpuClock;
}

namespace sdk::analytics {

// The CPU time an event's evaluation has used, read behind every count: the counts hold what they
// see to a fraction of an event's time, and this ends what they did not see. The heap looks at it
// every so many counted steps, a stride that grows while looks find little time gone and shrinks
// when they find much, so the clock is read about once a millisecond however costly a step turns
// out to be. Time is summed from an event's first look, between looks on one thread: what comes
// before it (a stride of the first size) and a span across two threads are not counted.
class ScriptCpuDeadline {
 public:
  ScriptCpuDeadline();
  ~ScriptCpuDeadline();
  ScriptCpuDeadline(const ScriptCpuDeadline&) = delete;
  ScriptCpuDeadline& operator=(const ScriptCpuDeadline&) = delete;

  // A new event: nothing used yet.
  void restart();
  // Reads the clock: whether more than `allowed` nanoseconds were used since restart(), or the work
  // was cut.
  bool passed(std::int64_t allowed);

  // From now on every deadline has passed at its next look, on every thread: the process is ending,
  // and the end waits no longer for the worker's events. Tests take it back.
  static void cutEverything();
  static bool isCut();
  static void uncutForTesting();
  // Nanoseconds used since restart(), as of the last look.
  std::int64_t used() const { return used_; }
  // Time the event used on another thread (a compile it waited for): counted as its own.
  void addUsed(std::int64_t nanoseconds) { used_ += nanoseconds > 0 ? nanoseconds : 0; }
  // Counted steps to take before the next look.
  std::int64_t stride() const { return stride_; }

 private:
  std::shared_ptr<platform::foundation::ThreadCpuClock> clock_;
  std::int64_t used_ = 0;
  bool started_ = false;
  std::int64_t lastLook_ = 0;
  std::thread::id lastThread_;
  std::int64_t stride_ = 0;
};

}  // namespace sdk::analytics
