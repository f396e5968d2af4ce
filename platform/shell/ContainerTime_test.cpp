#include "platform/shell/ContainerTime.h"

#include <gtest/gtest.h>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/log/Log.h"
#include "platform/shell/Shell.h"
#include "testing/TempContainer.h"

namespace platform::shell {
namespace {

constexpr double kRealNow = 1796688000;  // 2026-12-08 00:00:00 UTC
constexpr double kDay = 86400;

std::string recordPath() { return foundation::PreferencesDomain::named(ContainerTime::kDomain)->path(); }

TEST(ContainerTime, RisesAMinuteAtATimeAndIsWrittenAtOnce) {
  ostrel::testing::TempContainer container;
  EXPECT_FALSE(ContainerTime::latest(kRealNow, std::nullopt));
  ContainerTime::record(kRealNow + 10);
  EXPECT_EQ(ContainerTime::latest(kRealNow, std::nullopt), kRealNow + 10);
  EXPECT_TRUE(foundation::AtomicFile::fileExists(recordPath())) << "a run killed now still leaves its time behind";
  ContainerTime::record(kRealNow + 59);  // the same minute: nothing to write
  EXPECT_EQ(ContainerTime::latest(kRealNow, std::nullopt), kRealNow + 10);
  ContainerTime::record(kRealNow + 60);
  EXPECT_EQ(ContainerTime::latest(kRealNow, std::nullopt), kRealNow + 60);
  ContainerTime::record(kRealNow - 500);
  EXPECT_EQ(ContainerTime::latest(kRealNow, std::nullopt), kRealNow + 60) << "never back";
  // The stores' times count too, the later of the two wins.
  EXPECT_EQ(ContainerTime::latest(kRealNow, kRealNow + 3000), kRealNow + 3000);
  EXPECT_EQ(ContainerTime::latest(kRealNow, kRealNow - 3000), kRealNow + 60);
}

// A record from a system clock set to another year, or one damaged to a number far out, would date
// every later run there for good: past a day beyond the real clock it is not taken up, a warning says
// so, and the record is set back to what the container's stores witness, or removed. A headless run's
// waits that go past the real time by hours are a record like any other.
TEST(ContainerTime, ARecordFromAWrongClockIsNotTakenUpAndIsSetBack) {
  struct Case {
    const char* what;
    double record;
    std::optional<double> witnessed;
    std::optional<double> latest;
  };
  const Case cases[] = {
      {"the year 2100", 4102444800, std::nullopt, std::nullopt},
      {"the year 9999", 253402300799, kRealNow - 600, kRealNow - 600},
      {"1e18", 1e18, kRealNow + 7200, kRealNow + 7200},
      {"1e300", 1e300, std::nullopt, std::nullopt},
      {"a witness from a wrong clock too", 4102444800, 4102444800, std::nullopt},
      {"hours ahead after a long headless run", kRealNow + 20 * 3600, std::nullopt, kRealNow + 20 * 3600},
  };
  for (const Case& c : cases) {
    ostrel::testing::TempContainer container;
    ContainerTime::record(c.record);
    log::CapturedLines lines;
    EXPECT_EQ(ContainerTime::latest(kRealNow, c.witnessed), c.latest) << c.what;
    const bool wrong = c.record > kRealNow + kDay;
    EXPECT_EQ(lines.contains("lies more than a day past the real clock"), wrong) << c.what;
    lines.clear();
    // Set back for good: the next start reads the corrected record and says nothing.
    EXPECT_EQ(ContainerTime::latest(kRealNow, std::nullopt), c.latest) << c.what;
    EXPECT_FALSE(lines.contains("lies more than a day")) << c.what;
    const double start = headlessClockStart(kRealNow + 300, ContainerTime::latest(kRealNow, std::nullopt));
    EXPECT_LT(start, kRealNow + 2 * kDay) << c.what;
  }
}

// A record that cannot be read (a damaged preferences file) is no reason for time to run back: the
// latest time the container's stores hold stands in for it.
TEST(ContainerTime, ALostRecordIsStoodInForByTheStoresTimes) {
  ostrel::testing::TempContainer container;
  ASSERT_TRUE(foundation::AtomicFile::createDirectories(container.pathFor("Library/Preferences")).ok());
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(recordPath(), std::string_view("bplist00\xff\x01garbage")).ok());
  const double lastRun = kRealNow + 5400;  // a headless tour that went on to 01:30
  const auto latest = ContainerTime::latest(kRealNow + 600, lastRun);
  EXPECT_EQ(latest, lastRun);
  EXPECT_EQ(headlessClockStart(kRealNow + 600, latest), lastRun + 60) << "the next tour comes after it";
}

// A window or a plain start runs on the system's clock unless the container holds a later time; then it
// runs ahead of it, from the minute after that time, as a headless start would.
TEST(ContainerTime, ARealClockRunComesAfterTheContainersLatestTime) {
  const double real = foundation::Clock::system()->now();
  EXPECT_EQ(ContainerTime::realClockFor(real, std::nullopt), foundation::Clock::system());
  EXPECT_EQ(ContainerTime::realClockFor(real, real - 3600), foundation::Clock::system()) << "ordinary use";
  const double headlessEnd = real + 7200 + 12.5;  // a headless run's waits went two hours past the real time
  auto ahead = ContainerTime::realClockFor(real, headlessEnd);
  ASSERT_NE(ahead, foundation::Clock::system());
  EXPECT_GE(ahead->now(), ContainerTime::firstTimeAfter(headlessEnd));
  EXPECT_LT(ahead->now(), ContainerTime::firstTimeAfter(headlessEnd) + 3600) << "ahead by what it takes, no more";
}

}  // namespace
}  // namespace platform::shell
