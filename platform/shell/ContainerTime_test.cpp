#include "platform/shell/ContainerTime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "platform/shell/Shell.h"
#include "testing/TempContainer.h"

namespace platform::shell {
namespace {

constexpr double kRealNow = 1796688000;  // 2026-12-08 00:00:00 UTC
constexpr double kDay = 86400;
constexpr double kHour = 3600;

std::string recordPath() { return foundation::PreferencesDomain::named(ContainerTime::kDomain)->path(); }

// What the container's stores hold, as their witness answers: the latest not past the bound it is given.
foundation::TimeWitnesses::Witness storesHolding(std::vector<double> times) {
  return [times](double bound) {
    std::optional<double> latest;
    for (double time : times) {
      if (time <= bound && (!latest || time > *latest)) latest = time;
    }
    return latest;
  };
}

foundation::TimeWitnesses::Witness storesHolding(std::optional<double> time) {
  return storesHolding(time ? std::vector<double>{*time} : std::vector<double>{});
}

constexpr const char* kWrittenByAClockAhead = "more than a day past this run's clock";
constexpr const char* kAYearAheadOfItsWriter = "lies more than a year ahead of the clock that wrote it";
constexpr const char* kAWrongClock = "a wrong clock dated it";

const foundation::TimeWitnesses::Witness kEmptyStores = storesHolding(std::nullopt);

// A record as a build from before the writing time was kept left it: the time alone, in a file last
// written at `fileWritten` by the system's clock.
void writeRecordOfTheOldForm(double time, double fileWritten) {
  ASSERT_TRUE(foundation::AtomicFile::createDirectories(
                  std::filesystem::path(recordPath()).parent_path().string()).ok());
  ASSERT_TRUE(foundation::PropertyList::writeFile(
      recordPath(), foundation::Value(foundation::Dictionary{{ContainerTime::kKey, foundation::Value(time)}}),
      foundation::PropertyList::Format::Binary));
  const timespec written{static_cast<time_t>(fileWritten), 0};
  const timespec times[2] = {written, written};
  ASSERT_EQ(::utimensat(AT_FDCWD, recordPath().c_str(), times, 0), 0);
}

TEST(ContainerTime, RisesAMinuteAtATimeAndIsWrittenAtOnce) {
  ostrel::testing::TempContainer container;
  EXPECT_FALSE(ContainerTime::latest(kRealNow, kEmptyStores));
  ContainerTime::record(kRealNow + 10, kRealNow);
  EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), kRealNow + 10);
  EXPECT_TRUE(foundation::AtomicFile::fileExists(recordPath())) << "a run killed now still leaves its time behind";
  ContainerTime::record(kRealNow + 59, kRealNow);  // the same minute: nothing to write
  EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), kRealNow + 10);
  ContainerTime::record(kRealNow + 60, kRealNow);
  EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), kRealNow + 60);
  ContainerTime::record(kRealNow - 500, kRealNow);
  EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), kRealNow + 60) << "never back";
  // The stores' times count too, the later of the two wins.
  EXPECT_EQ(ContainerTime::latest(kRealNow, storesHolding(kRealNow + 3000)), kRealNow + 3000);
  EXPECT_EQ(ContainerTime::latest(kRealNow, storesHolding(kRealNow - 3000)), kRealNow + 60);
}

// A record from a system clock set to another year, or one damaged to a number far out, would date
// every later run there for good: it is not taken up, a warning says so, and the record is set back to
// what the container's stores witness, or removed. A headless run's waits that went past the real time
// are a record like any other, however far their lead has gone over several runs.
TEST(ContainerTime, ARecordFromAWrongClockIsSetBackAndTheAppsOwnLeadIsNot) {
  struct Case {
    const char* what;
    double record;
    double writtenAt;  // the writer's system clock
    std::optional<double> witnessed;
    std::optional<double> latest;
  };
  const Case cases[] = {
      {"the year 2100", 4102444800, 4102444800, std::nullopt, std::nullopt},
      {"the year 9999", 253402300799, 253402300000, kRealNow - 600, kRealNow - 600},
      {"a clock two days ahead", kRealNow + 2 * kDay + 60, kRealNow + 2 * kDay, kRealNow, kRealNow},
      {"1e18 from a sound clock", 1e18, kRealNow, kRealNow + 7200, kRealNow + 7200},
      {"1e300", 1e300, kRealNow - 60, std::nullopt, std::nullopt},
      {"a witness from a wrong clock too", 4102444800, 4102444800, 4102444800, std::nullopt},
      {"hours ahead after a long headless run", kRealNow + 20 * kHour, kRealNow - 60, std::nullopt,
       kRealNow + 20 * kHour},
      {"two days ahead after four long headless runs", kRealNow + 40 * kHour, kRealNow - 30, kRealNow + 40 * kHour - 5,
       kRealNow + 40 * kHour},
      {"a clock half a day ahead", kRealNow + 13 * kHour, kRealNow + 12 * kHour, std::nullopt, kRealNow + 13 * kHour},
  };
  for (const Case& c : cases) {
    ostrel::testing::TempContainer container;
    ContainerTime::record(c.record, c.writtenAt);
    log::CapturedLines lines;
    EXPECT_EQ(ContainerTime::latest(kRealNow, storesHolding(c.witnessed)), c.latest) << c.what;
    const bool writerAhead = c.writtenAt > kRealNow + kDay;
    const bool yearsAhead = !writerAhead && c.record - c.writtenAt > ContainerTime::kLongestLead;
    const bool wrong = writerAhead || yearsAhead;
    EXPECT_EQ(lines.contains(kWrittenByAClockAhead), writerAhead) << c.what;
    EXPECT_EQ(lines.contains(kAYearAheadOfItsWriter), yearsAhead) << c.what;
    lines.clear();
    // Set back for good: the next start reads the corrected record and says nothing.
    EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), c.latest) << c.what;
    EXPECT_FALSE(lines.contains(kAWrongClock)) << c.what;
    const double start = headlessClockStart(kRealNow + 300, ContainerTime::latest(kRealNow, kEmptyStores));
    if (c.latest) {
      EXPECT_GT(start, *c.latest) << c.what;
    }
    if (wrong) {
      EXPECT_LT(start, kRealNow + kDay) << c.what;
    }
  }
}

// Containers already hold records without the time they were written at: the file's modification time
// stands in for it, so a lead made by waits goes on and one from a wrong clock is still set back.
TEST(ContainerTime, ARecordOfTheOldFormIsJudgedByWhenItsFileWasWritten) {
  {
    ostrel::testing::TempContainer container;
    writeRecordOfTheOldForm(kRealNow + 33 * kHour, kRealNow - 600);
    log::CapturedLines lines;
    EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), kRealNow + 33 * kHour);
    EXPECT_FALSE(lines.contains(kAWrongClock));
  }
  {
    ostrel::testing::TempContainer container;
    writeRecordOfTheOldForm(4102444800, 4102444700);
    log::CapturedLines lines;
    EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), std::nullopt);
    EXPECT_TRUE(lines.contains(kWrittenByAClockAhead));
  }
}

// Runs as a person makes them one after another: five scripts of ten hour-long waits (each
// wait's end kept before the wait, as the script runner does), then a tour and a plain start. Each run
// comes after everything dated before it, though the container ends up more than a day ahead of the real
// clock (the first starts at midnight, so fifty hours from there are past a day ahead at any hour),
// and nothing is taken for a wrong clock. The second way there: a lost record stood in for by the
// stores' time, 23 hours ahead, and a three-hour script on top.
TEST(ContainerTime, RunsWhoseWaitsTakeTheContainerDaysAheadAreContinuedNotSetBack) {
  ostrel::testing::TempContainer container;
  log::CapturedLines lines;
  double real = 0;
  double latestDated = 0;
  auto playScript = [&](int hourLongWaits) {
    real = foundation::Clock::system()->now();
    double time = headlessClockStart(real, ContainerTime::latest(real, storesHolding(latestDated)));
    EXPECT_GT(time, latestDated) << "a run dated before what the container holds";
    ContainerTime::record(time, real);
    for (int wait = 0; wait < hourLongWaits; ++wait) {
      ContainerTime::record(time + kHour, real);
      time += kHour;
      latestDated = time;  // an event the wait's last timer stored
    }
  };
  for (int run = 0; run < 5; ++run) playScript(10);
  ASSERT_GT(latestDated, real + kDay + kHour) << "the runs did not go more than a day ahead";
  playScript(0);  // a tour's own waits are short
  auto plain = ContainerTime::realClockFor(real, ContainerTime::latest(real, storesHolding(latestDated)));
  EXPECT_GT(plain->now(), latestDated) << "the plain start is dated before the runs";
  EXPECT_FALSE(lines.contains(kAWrongClock));

  ostrel::testing::TempContainer lostRecord;
  ASSERT_TRUE(foundation::AtomicFile::createDirectories(lostRecord.pathFor("Library/Preferences")).ok());
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(recordPath(), std::string_view("bplist00\xff\x01garbage")).ok());
  const double witnessed = foundation::Clock::system()->now() + 23 * kHour;
  latestDated = witnessed;
  playScript(3);
  plain = ContainerTime::realClockFor(real, ContainerTime::latest(real, storesHolding(witnessed)));
  EXPECT_GT(plain->now(), latestDated) << "the plain start after the witness and the script is dated before them";
  EXPECT_FALSE(lines.contains(kAWrongClock));
}

// A record that cannot be read (a damaged preferences file) is no reason for time to run back: the
// latest time the container's stores hold stands in for it.
TEST(ContainerTime, ALostRecordIsStoodInForByTheStoresTimes) {
  ostrel::testing::TempContainer container;
  ASSERT_TRUE(foundation::AtomicFile::createDirectories(container.pathFor("Library/Preferences")).ok());
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(recordPath(), std::string_view("bplist00\xff\x01garbage")).ok());
  const double lastRun = kRealNow + 5400;  // a headless tour that went on to 01:30
  const auto latest = ContainerTime::latest(kRealNow + 600, storesHolding(lastRun));
  EXPECT_EQ(latest, lastRun);
  EXPECT_EQ(headlessClockStart(kRealNow + 600, latest), lastRun + 60) << "the next tour comes after it";
}

// A headless run takes the container ten hours past the real clock; then starts on clocks set wrong one
// after another (two and three days ahead, the year 2100, three years ahead), each writing over the
// stores' times; then a start on the right clock. Its record is refused, and the stores now witness no
// more than the first open: the record of the run before the wrong clocks carries the lead, so the start
// is dated after everything that run stored.
TEST(ContainerTime, StartsOnWrongClocksBetweenRunsWithALeadFallBackToTheRunBeforeThem) {
  ostrel::testing::TempContainer container;
  const double firstOpen = kRealNow;
  const double lead = kRealNow + 10 * kHour;
  EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), std::nullopt);
  ContainerTime::record(firstOpen, kRealNow);
  ContainerTime::record(lead, kRealNow + 30);
  std::vector<double> stored = {firstOpen, lead};
  for (const double wrongClock : {kRealNow + 2 * kDay, kRealNow + 3 * kDay, 4102444800.0, kRealNow + 3 * 366 * kDay}) {
    ContainerTime::latest(wrongClock, storesHolding(stored));
    ContainerTime::record(wrongClock + 300, wrongClock + 300);
    stored = {firstOpen, wrongClock + 240};  // the settings' times, written over
  }
  log::CapturedLines lines;
  const double realNow = kRealNow + kHour;
  const auto latest = ContainerTime::latest(realNow, storesHolding(stored));
  EXPECT_EQ(latest, lead);
  EXPECT_TRUE(lines.contains(kWrittenByAClockAhead));
  EXPECT_GT(headlessClockStart(realNow, latest), lead);
  EXPECT_GT(ContainerTime::realClockFor(realNow, latest)->now(), lead);

  // Kept: the next start on the right clock takes the record up as it was set back.
  lines.clear();
  EXPECT_EQ(ContainerTime::latest(realNow + 60, storesHolding(stored)), lead);
  EXPECT_FALSE(lines.contains(kAWrongClock));
}

// A headless run takes the container ten hours past the real clock and the collectors take every event
// away; then a start on a clock two days behind, to which every record lies in its future. It cannot
// tell whether its own clock or theirs is wrong: it goes on from its own clock, erases nothing, and the
// next start on the right clock goes on from the lead. Nine such starts in a row, or nine on a clock
// two days ahead, push no sound record out either.
TEST(ContainerTime, StartsOnAClockSetWrongEraseNothingARightClockLeft) {
  struct Case {
    const char* what;
    double shift;
    int starts;
  };
  for (const Case c : {Case{"one start two days behind", -2 * kDay, 1}, Case{"nine starts two days behind", -2 * kDay, 9},
                       Case{"nine starts two days ahead", 2 * kDay, 9}, Case{"nine starts a week behind", -7 * kDay, 9}}) {
    ostrel::testing::TempContainer container;
    const double lead = kRealNow + 10 * kHour;
    for (int run = 0; run < 3; ++run) ContainerTime::record(kRealNow - kHour + 60 * run, kRealNow - kHour + 60 * run);
    ContainerTime::record(lead, kRealNow);
    log::CapturedLines lines;
    for (int start = 0; start < c.starts; ++start) {
      const double wrongNow = kRealNow + c.shift + start * kHour;
      const auto latest = ContainerTime::latest(wrongNow, kEmptyStores);
      if (c.shift < 0) {
        EXPECT_TRUE(!latest || *latest < lead) << c.what << ": a clock behind cannot vouch for the lead";
      }
      ContainerTime::record(wrongNow + 300, wrongNow + 300);
    }
    if (c.shift < 0) {
      EXPECT_TRUE(lines.contains(kWrittenByAClockAhead)) << c.what;
      EXPECT_FALSE(lines.contains(kAWrongClock)) << c.what;
    }
    const double realNow = kRealNow + c.starts * kHour + kHour;
    const auto latest = ContainerTime::latest(realNow, kEmptyStores);
    ASSERT_TRUE(latest) << c.what;
    EXPECT_GE(*latest, lead) << c.what;
    EXPECT_LT(*latest, realNow + kDay) << c.what << ": the clock ahead is not taken up";
    EXPECT_GT(headlessClockStart(realNow, latest), lead) << c.what;
    EXPECT_EQ(ContainerTime::latest(realNow + 60, kEmptyStores), latest) << c.what << ": and so does the next";
    const foundation::Value kept =
        foundation::PreferencesDomain::named(ContainerTime::kDomain)->copyValue(ContainerTime::kEarlierRunsKey);
    ASSERT_TRUE(kept.isArray());
    EXPECT_LE(kept.array()->size(), ContainerTime::kEarlierRunsKept) << c.what;
  }
}

// A record lost (removed, or unreadable) after the container's runs went days past the real clock: time
// goes on from the newest time the stores hold, however far their lead went, and a warning says so. A
// container that holds nothing says nothing.
TEST(ContainerTime, ARecordLostAfterALeadOfDaysGoesOnFromTheStoresWithAWarning) {
  const double lead = kRealNow + 50 * kHour;
  for (const bool damaged : {false, true}) {
    ostrel::testing::TempContainer container;
    if (damaged) {
      ASSERT_TRUE(foundation::AtomicFile::createDirectories(container.pathFor("Library/Preferences")).ok());
      ASSERT_TRUE(foundation::AtomicFile::writeAtomically(recordPath(), std::string_view("bplist00\xff\x01garbage")).ok());
    }
    log::CapturedLines lines;
    const auto latest = ContainerTime::latest(kRealNow + kHour, storesHolding({kRealNow, lead}));
    EXPECT_EQ(latest, lead) << "damaged: " << damaged;
    EXPECT_TRUE(lines.contains("is missing or unreadable")) << "damaged: " << damaged;
    EXPECT_EQ(ContainerTime::latest(kRealNow + kHour, storesHolding(4102444800.0)), std::nullopt)
        << "a store's time more than a year ahead";
  }
  ostrel::testing::TempContainer fresh;
  log::CapturedLines lines;
  EXPECT_EQ(ContainerTime::latest(kRealNow, kEmptyStores), std::nullopt);
  EXPECT_TRUE(lines.lines().empty());
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
