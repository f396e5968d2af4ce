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
// when it was written, and a time read back is judged by that. One ahead of its writer by more than
// kLongestLead is a damaged number and is not taken up. One whose writer's clock read more than
// kFutureAllowance past this run's clock lies in this clock's future: either that clock was set ahead
// (taken up, it would date every later run in that year for good) or this one is set back (erased, the
// container's lead would be lost with it). A run cannot tell which, so it does not go on from such a
// record, and it erases nothing: the record is kept for the next run on a right clock, which goes on
// from it. A record from before the writing time was kept stands in with its file's modification time.
//
// A run on a wrong clock also writes over the times the container's stores keep of their own, and a
// sound run uploads and deletes its events: the records of the runs before the wrong one are then the
// only witnesses of how far the container's time had gone. So beside the latest record the file keeps
// earlier runs' records, and a run takes the latest time among them that its clock can judge sound.
// Which are kept: those some clock would take for the latest sound one, no more than kEarlierRunsKept,
// and never the last a right clock wrote given way for records of a clock set wrong, however many
// starts there were on it. The times the container's stores keep (see foundation::TimeWitnesses: the
// newest stored event of each store, the analytics library's settings) witness too, and stand in for a
// record that is lost or damaged.
class ContainerTime {
 public:
  static constexpr const char* kDomain = "ostrel-shell";
  static constexpr const char* kKey = "LatestTime";
  static constexpr const char* kWrittenAtKey = "LatestTimeWrittenAt";
  // Earlier runs' records, each a [time, written at] pair, in the order they were written.
  static constexpr const char* kEarlierRunsKey = "EarlierRuns";
  static constexpr std::size_t kEarlierRunsKept = 8;
  static constexpr double kFutureAllowance = 86400;
  static constexpr double kLongestLead = 366 * 86400.0;

  // Seconds since 1970, at `realNow` on the real clock: the latest of the record, the earlier runs'
  // records and what `witness` finds in the stores, each taken only when judged sound; nothing in a
  // container no run has dated anything in. A record not taken up (damaged, or in this clock's future)
  // is replaced by the latest time this run judges sound (or removed), with a warning that gives the
  // reason; one in this clock's future is kept among the earlier runs' records. A record taken up is
  // kept there too, for a later run that cannot take up what this run writes.
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
