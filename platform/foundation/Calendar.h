#pragma once

#include <cstdint>

namespace platform::foundation {

// Calendar days in the local time zone (from TZ, read afresh on every call). Dates are seconds since
// 1970 as double, the same scale as Clock::now(); nothing here reads the clock itself.
class Calendar {
 public:
  struct Day {
    int year;
    int month;  // 1-12
    int day;    // 1-31
    bool operator==(const Day&) const = default;
  };

  static Day localDay(double date);
  // The first second of the local day holding `date`. Where a clock change skips midnight, the day
  // starts at the first instant that exists.
  static double startOfDay(double date);
  static bool isSameDay(double a, double b);
  // Whole calendar days from the day of `from` to the day of `to`: 1 from late evening to the next
  // morning, negative when `to` is earlier. Days that a clock change makes 23 or 25 hours long count as one.
  static int64_t daysBetween(double from, double to);
};

}  // namespace platform::foundation
