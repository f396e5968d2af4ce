#pragma once

#include <optional>

namespace platform::shell {

// The latest time a run of the app has seen in its container, kept there across runs, so that a run on
// a virtual clock starts after everything the container already holds: time in one container never
// runs backwards, whichever way its runs were made. It lives in the container's preferences and is
// written as soon as it reaches a later minute, so a run that is killed still leaves its time behind;
// a later start rounds up to the next whole minute, which is past anything such a run did.
class ContainerTime {
 public:
  static constexpr const char* kDomain = "ostrel-shell";
  static constexpr const char* kKey = "LatestTime";

  // Seconds since 1970; nothing in a container no run has recorded a time in.
  static std::optional<double> latest();
  // Raises the record to `time` when that is in a later minute than the record (anything else changes
  // nothing, so it may be called at every step of a run) and writes it at once.
  static void record(double time);
};

}  // namespace platform::shell
