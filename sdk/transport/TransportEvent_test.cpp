#include "sdk/transport/TransportEvent.h"

#include <gtest/gtest.h>

#include <time.h>

#include <cstdlib>
#include <regex>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Json.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/ClockSnapshot.h"
#include "sdk/transport/TransportTestSupport.h"
#include "testing/FileContents.h"
#include "testing/MainThreadEnvironment.h"

#ifndef OSTREL_TRANSPORT_TESTDATA_DIR
#error "OSTREL_TRANSPORT_TESTDATA_DIR must name sdk/transport/testdata"
#endif

namespace sdk::transport {

namespace {

using platform::foundation::Data;
using platform::foundation::ManualClock;
using platform::foundation::Value;
using ostrel::testing::makeEvent;

class TransportEventTest : public ::testing::Test {
 protected:
  std::string customText(const TransportEvent& event) {
    return event.customBytes() ? std::string(event.customBytes()->begin(), event.customBytes()->end()) : "(none)";
  }

  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<ManualClock> clock = environment.clock();
};

TEST_F(TransportEventTest, InvalidMappingIDsAndTargetsMakeNoEvent) {
  EXPECT_EQ(TransportEvent::initWithMappingIDTarget("", 1000), nullptr);
  EXPECT_EQ(TransportEvent::initWithMappingIDTarget("137", 0), nullptr);
  EXPECT_EQ(TransportEvent::initWithMappingIDTarget("137", -5), nullptr);
  auto event = TransportEvent::initWithMappingIDTarget("137", 1);
  ASSERT_NE(event, nullptr);
  EXPECT_TRUE(std::regex_match(event->eventID(), std::regex("[0-9A-F]{32}"))) << event->eventID();
  EXPECT_EQ(event->qosTier(), 3);
  EXPECT_EQ(event->expirationDate(), ManualClock::kDefaultWallStart + 604800);
  EXPECT_NE(TransportEvent::nextEventID(), event->eventID());
}

TEST_F(TransportEventTest, ACopyKeepsIdentityAndPayloadButExpiresAfresh) {
  auto event = makeEvent("1206", 1002, 4, "report");
  event->setClockSnapshot(ClockSnapshot::snapshot());
  event->setEventCode(7);
  clock->advance(3600);
  auto copy = event->copy();
  EXPECT_EQ(copy->eventID(), event->eventID());
  EXPECT_EQ(copy->serializedDataObjectBytes(), event->serializedDataObjectBytes());
  EXPECT_EQ(copy->qosTier(), 4);
  EXPECT_EQ(copy->customBytes(), event->customBytes());
  EXPECT_TRUE(copy->isEqual(*event));
  EXPECT_EQ(copy->expirationDate(), event->expirationDate() + 3600);

  auto bare = TransportEvent::initWithMappingIDTarget("137", 1001);
  EXPECT_FALSE(bare->copy()->serializedDataObjectBytes());
}

TEST_F(TransportEventTest, EventsDifferingInAnyFieldStayApartInASet) {
  auto a = makeEvent("137", 1001, 3, "a");
  auto sameID = makeEvent("137", 1001, 3, "b");
  sameID->setEventID(a->eventID());
  auto twin = a->copy();
  EventSet set{a, sameID, twin, makeEvent("137", 1001, 3, "a")};
  EXPECT_EQ(set.size(), 3u);  // the twin is the only duplicate
  EXPECT_FALSE(a->isEqual(*sameID));
  EXPECT_EQ(a->hash(), twin->hash());
}

TEST_F(TransportEventTest, ClocksCompareByBootThenByWallTimeAlone) {
  struct Case {
    ClockSnapshot left, right;
    bool after;
  };
  const Case cases[] = {
      // Same boot: 1 ms later wins even in a zone one hour west (offsets are not time).
      {{1001, -3600, 5, 0}, {1000, 0, 5, 0}, true},
      {{1000, 0, 5, 0}, {1001, -3600, 5, 0}, false},
      {{1000, 0, 5, 0}, {1000, 0, 5, 0}, false},
      // Different boots: the later boot wins whatever the wall times say.
      {{1, 0, 9, 0}, {5000, 0, 5, 0}, true},
      {{5000, 0, 5, 0}, {1, 0, 9, 0}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.left.isAfter(c.right), c.after) << c.left.description() << " vs " << c.right.description();
  }
}

// The wall time is the app's clock, whichever that is (here a container's lead of days over the
// system's); the time since boot is the system's clock against the kernel's boot time, so it is what
// the machine has been up, never a lead and never below zero.
TEST_F(TransportEventTest, SnapshotsReadTheProcessClockAndTheTimeSinceBootOnTheSystemsClock) {
  const std::int64_t boot = ClockSnapshot::kernelBootTimeNanosecondsNow();
  ASSERT_GT(boot, 0);
  const double upFor = 5 * 3600 + 0.2505;
  auto systemClock = std::make_shared<ManualClock>(static_cast<double>(boot) / 1e9 + upFor);
  platform::foundation::Clock::setForSystemTimes(systemClock);
  auto now = ClockSnapshot::snapshot();
  platform::foundation::Clock::setForSystemTimes(clock);
  EXPECT_EQ(now->timeMillis(), static_cast<std::int64_t>(ManualClock::kDefaultWallStart) * 1000);
  EXPECT_EQ(now->kernelBootTime(), boot);
  EXPECT_NEAR(static_cast<double>(now->uptime()), upFor * 1e9, 1e3);
  EXPECT_EQ(now->uptimeMilliseconds(), 5 * 3600 * 1000 + 250);
  auto later = ClockSnapshot::clockSnapshotInTheFuture(250);
  EXPECT_EQ(later->timeMillis(), now->timeMillis() + 250);
  EXPECT_EQ(later->kernelBootTime(), now->kernelBootTime());
  EXPECT_TRUE(later->isAfter(*now));
}

// On the system's own clock the time since boot an event carries is the machine's, to the microsecond:
// the boot time keeps the fraction of a second the kernel's whole seconds drop, which stood the uptime
// up to a second above the machine's.
TEST_F(TransportEventTest, TheTimeSinceBootNeverStandsAboveTheMachines) {
  const auto upNow = [] {
    timespec up{};
    EXPECT_EQ(::clock_gettime(CLOCK_BOOTTIME, &up), 0);
    return std::int64_t{up.tv_sec} * 1000000000 + up.tv_nsec;
  };
  platform::foundation::Clock::setForSystemTimes(nullptr);
  const std::int64_t before = upNow();
  auto now = ClockSnapshot::snapshot();
  const std::int64_t after = upNow();
  platform::foundation::Clock::setForSystemTimes(clock);
  EXPECT_LE(now->uptimeNanoseconds(), after) << "an uptime above the machine's";
  // The wall time is read as a double: a fraction of a microsecond is lost on the way.
  EXPECT_GE(now->uptimeNanoseconds(), before - 2000);
}

TEST_F(TransportEventTest, CustomBytesFollowTheirRules) {
  auto event = makeEvent("137", 1001, 3);
  EXPECT_FALSE(event->eventCode());
  EXPECT_FALSE(event->needsNetworkConnectionInfoPopulated());

  event->setEventCode(0);
  EXPECT_EQ(customText(*event), R"({"event_code_info":"0"})");
  EXPECT_EQ(event->eventCode(), 0);

  event->setNetworkConnectionInfoData(Data{1, 2, 3});
  EXPECT_EQ(event->networkConnectionInfoData(), (Data{1, 2, 3}));
  event->setNetworkConnectionInfoData(std::nullopt);  // nil changes nothing
  EXPECT_EQ(event->networkConnectionInfoData(), (Data{1, 2, 3}));

  event->setNeedsNetworkConnectionInfoPopulated(true);
  EXPECT_TRUE(event->needsNetworkConnectionInfoPopulated());
  event->setNeedsNetworkConnectionInfoPopulated(false);  // only the event code survives
  EXPECT_EQ(customText(*event), R"({"event_code_info":"0"})");

  event->setEventCode(std::nullopt);
  EXPECT_EQ(customText(*event), "{}");

  auto flagOnly = makeEvent("137", 1001, 3);
  flagOnly->setNeedsNetworkConnectionInfoPopulated(true);
  flagOnly->setNeedsNetworkConnectionInfoPopulated(false);  // no event code: the flag stays
  EXPECT_TRUE(flagOnly->needsNetworkConnectionInfoPopulated());

  auto garbage = makeEvent("137", 1001, 3);
  garbage->setCustomBytes(Data{'[', '1', ']'});
  garbage->setEventCode(5);  // not an object: left alone
  EXPECT_EQ(customText(*garbage), "[1]");
  EXPECT_FALSE(garbage->eventCode());
}

TEST_F(TransportEventTest, ArchivesRoundTripAndEventsWithoutBytesDoNotDecode) {
  auto event = makeEvent("a/b-c", 1002, 4, std::string("\0\1\2", 3));
  event->setClockSnapshot(std::make_shared<ClockSnapshot>(1, -3600, 3, 4));
  event->setEventCode(42);
  auto archive = archiveObject(Value(event));
  ASSERT_TRUE(archive) << archive.error();
  auto decoded = unarchiveEvent("", &*archive);
  ASSERT_TRUE(decoded) << decoded.error();
  const auto& back = *decoded;
  EXPECT_TRUE(back->isEqual(*event));
  EXPECT_EQ(back->mappingID(), "a/b-c");
  EXPECT_EQ(back->expirationDate(), event->expirationDate());
  EXPECT_EQ(back->eventCode(), 42);
  EXPECT_TRUE(back->clockSnapshot()->isEqual(*event->clockSnapshot()));

  auto empty = TransportEvent::initWithMappingIDTarget("137", 1001);
  archive = archiveObject(Value(empty));
  ASSERT_TRUE(archive);
  auto refused = unarchiveEvent("", &*archive);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().localizedDescription(), "The file holds no event.");

  Data garbage{'n', 'o', 'p', 'e'};
  EXPECT_FALSE(unarchiveEvent("", &garbage));
  auto unreadable = unarchiveEvent("/nonexistent/event", nullptr);
  ASSERT_FALSE(unreadable);
  EXPECT_EQ(unreadable.error().domain, "NSCocoaErrorDomain");
  EXPECT_EQ(unreadable.error().code, 256);
}

// testdata/event-archive.bin was written by an earlier build: whatever the classes are called in the code,
// events already queued on a device must still read back field for field.
TEST_F(TransportEventTest, AnEventArchivedByAnEarlierBuildStillDecodes) {
  const std::string bytes = ostrel::testing::contentsOf(OSTREL_TRANSPORT_TESTDATA_DIR "/event-archive.bin");
  ASSERT_FALSE(bytes.empty());
  const Data archive(bytes.begin(), bytes.end());
  auto decoded = unarchiveEvent("", &archive);
  ASSERT_TRUE(decoded) << decoded.error();
  const auto& event = *decoded;
  EXPECT_EQ(event->eventID(), "0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(event->mappingID(), "1018");
  EXPECT_EQ(event->target(), 1002);
  EXPECT_EQ(event->qosTier(), 4);
  ASSERT_TRUE(event->serializedDataObjectBytes());
  EXPECT_EQ(std::string(event->serializedDataObjectBytes()->begin(), event->serializedDataObjectBytes()->end()),
            std::string("payload\0\1\2", 10));
  EXPECT_EQ(event->expirationDate(), 1765604800.5);
  EXPECT_EQ(event->eventCode(), 42);
  ASSERT_NE(event->clockSnapshot(), nullptr);
  EXPECT_EQ(event->clockSnapshot()->timeMillis(), 1765000000123);
  EXPECT_EQ(event->clockSnapshot()->timezoneOffsetSeconds(), -3600);
  EXPECT_EQ(event->clockSnapshot()->kernelBootTimeNanoseconds(), 3000000000);
  EXPECT_EQ(event->clockSnapshot()->uptimeNanoseconds(), 4000000000);
}

}  // namespace

}  // namespace sdk::transport

