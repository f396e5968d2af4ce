#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/log/Log.h"

namespace platform::log {

// A failure met on every attempt (a full disk under a stream of writes) must not bury everything else
// in the log: a line that repeats one written less than kRepeatWindowSeconds earlier (same level,
// facility and text) is held back and counted. The count follows as one line, "<text> [repeated N more
// times]", once the window has passed and any line is written, or when the held lines are drained.
// Only the lines of at most kRemembered series are held: a new series past them ends the oldest.
class RepeatedLines {
 public:
  static constexpr std::size_t kRemembered = 32;

  // What to write for `line`, written at `nowNanoseconds` on a steady clock: the counts of series whose
  // window has passed, then `line` itself unless it is held.
  std::vector<Line> admit(Line line, std::int64_t nowNanoseconds);
  // The counts of every series still holding lines; every series ends.
  std::vector<Line> drain();

  static Line summaryOf(const Line& line, std::size_t held);

 private:
  using Key = std::tuple<int, std::string, std::string>;
  struct Series {
    std::int64_t since = 0;
    std::size_t held = 0;
  };
  void endSeries(std::map<Key, Series>::iterator series, std::vector<Line>& out);

  std::map<Key, Series> series_;
};

}  // namespace platform::log
