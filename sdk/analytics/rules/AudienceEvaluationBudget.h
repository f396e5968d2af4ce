#pragma once

#include <cstdint>

#include "sdk/analytics/rules/ScriptCpuDeadline.h"
#include "sdk/analytics/rules/ScriptLimits.h"

namespace sdk::analytics {

// The CPU time that the audience filters of one event, or of one user property, share; and, apart,
// the time that storing one configuration may spend compiling its patterns. A remote configuration
// may hold thousands of filters on one name, each regular expression bounded only by its own
// matcher's limit, so nothing else bounds their sum. The walk asks before every filter, a pattern
// before it is compiled (from the most that may take) and after (from what it took), and its matcher
// as it searches; once the time is spent the filters left are not evaluated. One search may use no
// more than a share of the whole, and one compilation no more than the whole: a pattern that takes
// longer has run out of its own time, and is set aside, so that no single pattern takes every
// event's time and keeps the filters after it from ever being judged.
class AudienceEvaluationBudget {
 public:
  // As much as an event's editing has, for an event's filters or a configuration's patterns; the
  // clock starts now, on the calling thread.
  AudienceEvaluationBudget();

  // Before a filter: whether time remains. A filter without a pattern is a few comparisons, a tenth
  // of a look's system call: the clock is read before every sixteenth, and before the first after a
  // pattern was compiled or searched.
  bool remains();
  bool isSpent() const { return spent_; }
  // Before work that cannot be stopped once begun (compiling a pattern), from the most it may take:
  // whether that fits in what is left. More than the whole is the pattern running out of its own time.
  bool affords(std::int64_t nanoseconds);
  // After that work: whether it took no more than the whole. An estimate can be wrong; the clock
  // is not, and what took longer ran out of its own time all the same.
  bool finishedInItsTime();
  // Such work done on another thread while the event waits for it: the time it has left (as of the
  // last look, which affords() made); while it waits, whether it may wait on (the clock looked at);
  // once the work is over, what it took, counted as the event's own (whether that was no more than
  // the whole, as finishedInItsTime()); or that it was left unfinished when the time ran out, which
  // spends the event's time, the pattern having run out of its own.
  std::int64_t nanosecondsLeft() const;
  bool mayWait();
  bool finishedElsewhereInItsTime(std::int64_t nanoseconds);
  void waitedOutItsTime();
  // The pattern is set aside without being tried: its compile outlived an event's time before.
  void setAside() { patternRanOut_ = true; }

  // Around one search of a regular expression: its start, then each unit of the matcher's own time
  // and each start position it tries. False stops the search: the event's time is spent, or the
  // search has used its share.
  void startMatch();
  bool matchMayGoOn();
  bool startPositionMayGoOn();
  // The matcher's own limit stopped the search.
  void matchTimedOut() { patternRanOut_ = true; }
  // Whether the last search ran out of its own time (not of the event's).
  bool patternRanOut() const { return patternRanOut_; }
  // The same, forgotten once read: the walk's question after each filter.
  bool takePatternRanOut();

 private:
  void look() { spent_ = deadline_.passed(allowed_) || spent_; }

  ScriptCpuDeadline deadline_;
  const std::int64_t allowed_ = kEventCpuNanoseconds;
  std::int64_t workStart_ = 0;
  std::int64_t startPositions_ = 0;
  std::int64_t filtersSinceLook_ = 0;
  bool patternWorked_ = false;
  bool spent_ = false;
  bool patternRanOut_ = false;
};

}  // namespace sdk::analytics
