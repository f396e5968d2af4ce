#include "platform/foundation/Calendar.h"

#include <cmath>
#include <ctime>

namespace platform::foundation {
namespace {

// Whole seconds of a date; dates no calendar can show (NaN, infinities, beyond 300,000 years) are clamped
// so that the conversion stays defined.
std::time_t wholeSeconds(double date) {
  constexpr double kLimit = 1e13;
  if (std::isnan(date)) return 0;
  return static_cast<std::time_t>(std::floor(std::fmax(-kLimit, std::fmin(kLimit, date))));
}

std::tm localTime(double date) {
  // glibc's localtime_r reads TZ only once; tzset makes a changed TZ count.
  ::tzset();
  std::time_t seconds = wholeSeconds(date);
  std::tm fields {};
  ::localtime_r(&seconds, &fields);
  return fields;
}

Calendar::Day dayOf(const std::tm& fields) { return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday}; }

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
int64_t dayNumber(const Calendar::Day& d) {
  int64_t y = d.year - (d.month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yearOfEra = y - era * 400;
  int64_t dayOfYear = (153 * (d.month + (d.month > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

Calendar::Day Calendar::localDay(double date) { return dayOf(localTime(date)); }

double Calendar::startOfDay(double date) {
  std::tm fields = localTime(date);
  Day target = dayOf(fields);
  std::time_t now = wholeSeconds(date);
  fields.tm_hour = fields.tm_min = fields.tm_sec = 0;
  fields.tm_isdst = -1;
  std::time_t midnight = std::mktime(&fields);
  if (midnight != static_cast<std::time_t>(-1) && midnight <= now && localDay(midnight) == target) {
    return static_cast<double>(midnight);
  }
  // Midnight did not exist (a clock change at 00:00): search for the first second of the day.
  // A local day never begins more than two days before any of its instants.
  std::time_t low = now - 2 * 86400, high = now;  // low is on an earlier day, high on the target day
  while (high - low > 1) {
    std::time_t mid = low + (high - low) / 2;
    if (dayNumber(localDay(static_cast<double>(mid))) < dayNumber(target)) {
      low = mid;
    } else {
      high = mid;
    }
  }
  return static_cast<double>(high);
}

bool Calendar::isSameDay(double a, double b) { return localDay(a) == localDay(b); }

int64_t Calendar::daysBetween(double from, double to) { return dayNumber(localDay(to)) - dayNumber(localDay(from)); }

}  // namespace platform::foundation
