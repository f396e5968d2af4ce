#include "platform/foundation/Calendar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>

namespace platform::foundation {
namespace {

// Sets TZ for one test and puts the old value back.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, hadZone_ = true;
    ::setenv("TZ", zone, 1);
  }
  ~ZoneScope() { hadZone_ ? ::setenv("TZ", saved_.c_str(), 1) : ::unsetenv("TZ"); }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

constexpr double kDecember6th2026 = 1796515200;  // 2026-12-06 00:00 UTC

TEST(Calendar, TheZoneDecidesWhereTheDayBegins) {
  ZoneScope zone("Europe/Berlin");
  // The spring change day: 00:00 CET is 23:00 UTC the day before, and the day is 23 hours long.
  const double noon = 1711879200;  // 2024-03-31 12:00 CEST
  EXPECT_EQ(Calendar::startOfDay(noon), 1711839600);
  EXPECT_EQ(Calendar::daysBetween(1711837800, 1711920600), 1);  // 23:30 on the 30th to 23:30 on the 31st
  EXPECT_TRUE(Calendar::isSameDay(1711839600, 1711920600));
  EXPECT_FALSE(Calendar::isSameDay(1711837800, 1711839600));
  // The autumn change day is 25 hours long and still one day.
  EXPECT_TRUE(Calendar::isSameDay(1729980000, 1730069940));
  EXPECT_EQ(Calendar::startOfDay(1730069940), 1729980000);
}

TEST(Calendar, ADayWhoseMidnightWasSkippedStartsAtOneOClock) {
  ZoneScope zone("America/Sao_Paulo");
  // On 2018-11-04 the clocks went from 23:59:59 straight to 01:00.
  EXPECT_EQ(Calendar::startOfDay(1541350800), 1541300400);
  EXPECT_EQ(Calendar::startOfDay(1541300399), Calendar::startOfDay(1541300399 - 3600));
  EXPECT_EQ(Calendar::daysBetween(1541300399, 1541300400), 1);
}

TEST(Calendar, DaysBetweenCountsCalendarDaysNotSpansOf24Hours) {
  ZoneScope zone("UTC");
  EXPECT_EQ(Calendar::startOfDay(kDecember6th2026 - 0.5), kDecember6th2026 - 86400);
  EXPECT_EQ(Calendar::startOfDay(-1), -86400);  // before 1970
  EXPECT_EQ(Calendar::daysBetween(kDecember6th2026 - 60, kDecember6th2026 + 60), 1);
  EXPECT_EQ(Calendar::daysBetween(kDecember6th2026, kDecember6th2026 + 86399), 0);
  EXPECT_EQ(Calendar::daysBetween(kDecember6th2026 + 3 * 86400, kDecember6th2026), -3);
  // From 2028-02-28 across the leap day.
  EXPECT_EQ(Calendar::localDay(1835308800 + 2 * 86400), (Calendar::Day{2028, 3, 1}));
  EXPECT_EQ(Calendar::daysBetween(1835308800, 1835308800 + 2 * 86400), 2);
}

TEST(Calendar, DatesNoCalendarCanShowDoNotCrash) {
  ZoneScope zone("UTC");
  for (double when : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    Calendar::startOfDay(when);
  }
  EXPECT_EQ(Calendar::daysBetween(-1e300, -1e300), 0);
}

}  // namespace
}  // namespace platform::foundation
