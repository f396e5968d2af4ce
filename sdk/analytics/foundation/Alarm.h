#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"

namespace sdk::analytics {

// A one-shot timer bound to a queue. Arming it again replaces the pending run; a replaced or
// cancelled run never fires, even when its timer had already gone off and its block was waiting in
// the queue. When a run fires, the alarm first forgets it, so the block may arm the next one.
// Delays are measured on the clock's monotonic time; the scheduled time is reported as wall time.
class Alarm {
 public:
  Alarm(std::shared_ptr<platform::dispatch::Queue> queue, std::string name);
  ~Alarm();
  Alarm(const Alarm&) = delete;
  Alarm& operator=(const Alarm&) = delete;

  // A delay of 0 or less (or NaN) queues the block at once; it never runs inside this call.
  void runAfterDelay(double delay, std::function<void()> block);
  void cancel();
  // Wall time (seconds since 1970) of the pending run.
  std::optional<double> scheduledTimestamp() const;
  const std::string& name() const { return name_; }

 private:
  struct State;
  std::shared_ptr<platform::dispatch::Queue> queue_;
  std::string name_;
  std::shared_ptr<State> state_;
};

}  // namespace sdk::analytics

