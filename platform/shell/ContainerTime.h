#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "platform/foundation/Clock.h"
#include "platform/foundation/TimeWitnesses.h"

namespace platform::shell {

// The latest time a run of the app has seen in its container, kept there across runs, so that every run
// starts after everything the container already holds: time in one container never runs backwards,
// whichever way its runs were made (a headless script on its virtual clock, a window or a plain start
// on the real one). It lives in the container's preferences and is written as soon as it reaches a
// later minute, so a run that is killed still leaves its time behind; a later start comes after the
// next whole minute, which is past anything such a run did.
//
// A headless run's waits take the container's time past the real clock, and every later run continues
// that lead, by days after a few long scripts. So the record keeps beside it the system clock's time
// when it was written, and a time read back is judged by that: a record whose writer's own clock was
// more than kFutureAllowance past the real clock (a system clock set to another year) was dated by a
// wrong clock, as was one ahead of its writer by more than kLongestLead (a damaged number). Such a
// record is not taken up, where it would date every later run in that year for good. A record from
// before the writing time was kept stands in with its file's modification time.
//
// A run on a wrong clock also writes over the times the container's stores keep of their own, and a
// sound run uploads and deletes its events: the record of the run before the wrong one is then the only
// witness of how far the container's time had gone. So beside the latest record the file keeps the
// records the last few runs found when they started, and a record refused falls back to the latest of
// them that a sound clock wrote. The times the container's stores keep (see foundation::TimeWitnesses:
// the newest stored event of each store, the analytics library's settings) witness too, and stand in
// for a record that is lost or damaged.
class ContainerTime {
 public:
  static constexpr const char* kDomain = "ostrel-shell";
  static constexpr const char* kKey = "LatestTime";
  static constexpr const char* kWrittenAtKey = "LatestTimeWrittenAt";
  // The records earlier runs found at their start, oldest first, each a [time, written at] pair.
  static constexpr const char* kEarlierRunsKey = "EarlierRuns";
  static constexpr std::size_t kEarlierRunsKept = 8;
  static constexpr double kFutureAllowance = 86400;
  static constexpr double kLongestLead = 366 * 86400.0;

  // Seconds since 1970, at `realNow` on the real clock: the later of the record and what `witness`
  // finds in the stores, each taken only when judged sound; nothing in a container no run has dated
  // anything in. A record from a wrong clock is set back to the latest time an earlier run's record or
  // the stores hold from a sound clock (or removed), with a warning that gives the reason. A record
  // taken up is kept among the earlier runs' records from the next write on (see record()).
  static std::optional<double> latest(double realNow, const foundation::TimeWitnesses::Witness& witness);
  // As above, with what the container's stores witness.
  static std::optional<double> latest(double realNow);
  // Raises the record to `time` when that is in a later minute than the record (anything else changes
  // nothing, so it may be called at every step of a run) and writes it at once, with `realNow` as the
  // real time it is written at (the system clock's, when not given).
  static void record(double time);
  static void record(double time, double realNow);

  // The first time a run may use in a container whose latest time is `latest`: the next whole minute.
  static double firstTimeAfter(double latest);
  // The clock of a run on the real clock, which starts at `realNow` in a container whose latest time is
  // `latest`: the system clock, running ahead by what it takes to start at firstTimeAfter(latest).
  // That is nothing unless a headless run's waits went past the real time.
  static std::shared_ptr<foundation::Clock> realClockFor(double realNow, std::optional<double> latest);
};

}  // namespace platform::shell
