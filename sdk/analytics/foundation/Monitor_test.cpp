#include "sdk/analytics/foundation/Monitor.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/foundation/Clock.h"
#include "platform/log/Log.h"
#include "testing/MainThreadEnvironment.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

std::vector<int> consoleLevels(const std::vector<std::string>& arguments) {
  Monitor monitor(1, arguments);
  platform::log::CapturedLines console;
  for (int level = 0; level <= 8; ++level) monitor.logWithLevel(static_cast<LogLevel>(level), 100 + level, "line");
  std::vector<int> shown;
  for (int level = 0; level <= 8; ++level) {
    if (console.contains(Monitor::formattedCode(100 + level))) shown.push_back(level);
  }
  return shown;
}

TEST(MonitorTest, ConsoleShowsLevelsByMode) {
  platform::log::setLevelMask(platform::log::maskUpTo(platform::log::Debug));
  EXPECT_EQ(consoleLevels({}), (std::vector<int>{0, 1, 3, 4, 6}));
  EXPECT_EQ(consoleLevels({"-APMAnalyticsDebugEnabled"}), (std::vector<int>{0, 1, 3, 4, 6, 7}));
  EXPECT_EQ(consoleLevels({"-ZEDIvadazudoVerboseLoggingEnabled"}), (std::vector<int>{0, 1, 3, 4, 6, 7, 8}));
  EXPECT_EQ(consoleLevels({"-APMAnalyticsDebugEnabled", "-noAPMAnalyticsDebugEnabled"}),
            (std::vector<int>{0, 1, 3, 4, 6}));
  Monitor both(1, {"-ZEDIvadazudoDebugEnabled", "-APMAnalyticsVerboseLoggingEnabled",
                      "-APMAnalyticsVerboseLoggingDisabled"});
  EXPECT_TRUE(both.isDebugModeEnabled());
  EXPECT_FALSE(both.isVerboseLoggingEnabled());
}

TEST(MonitorTest, LineFormatAndTag) {
  Monitor monitor(1, {});
  platform::log::CapturedLines console;
  monitor.logWithLevel(LogLevel::kMonitoredError, 23036, "Failed to query bundles. Error", Value("disk"), Value(3));
  monitor.setLogTag("<shop>");
  monitor.logWithLevelContexts(LogLevel::kWarning, 7, "Plain", {});
  auto lines = console.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].message, "[Analytics][A023036] Failed to query bundles. Error: disk, 3");
  EXPECT_EQ(lines[0].level, platform::log::Error);
  EXPECT_EQ(lines[0].facility, Monitor::kFacility);
  EXPECT_EQ(lines[1].message, "<shop>[A000007] Plain");
  EXPECT_EQ(lines[1].level, platform::log::Warning);
}

class MonitoringDataTest : public ::testing::Test {
 protected:
  ostrel::testing::MainThreadEnvironment environment;
  const double now = environment.clock()->now();
  Monitor monitor{1, {}};
};

TEST_F(MonitoringDataTest, KeepsMonitorableLevelsAsCounts) {
  for (int level = 0; level <= 8; ++level) monitor.logWithLevel(static_cast<LogLevel>(level), 500, "x");
  for (int i = 0; i < 20000; ++i) monitor.logWithLevel(LogLevel::kMonitoredWarning, 24005, "script output", Value(i));
  EXPECT_EQ(monitor.monitoringDataForDispatchWithSamplePeriod(60, now), "");  // not due yet
  EXPECT_EQ(monitor.monitoringDataForDispatchWithSamplePeriod(60, now - 100),
            "1:500:1;2:500:1;4:500:1;4:24005:20000;5:500:1");
  EXPECT_EQ(monitor.monitoringDataForDispatchWithSamplePeriod(60, now - 100), "");  // handed over
  monitor.logWithLevel(LogLevel::kMonitoredError, 1, "x");
  monitor.clearMonitoringData();
  EXPECT_EQ(monitor.monitoringDataForDispatchWithSamplePeriod(0, 0), "");
}

// A failure met again and again is written at its level every time, debug mode off as well, and counted
// every time; a silent level still never reaches the console.
TEST_F(MonitoringDataTest, AFailureMetAgainIsWrittenAtItsLevelEveryTime) {
  Monitor plain(1, std::vector<std::string>{});
  platform::log::CapturedLines console;
  for (int attempt = 0; attempt < 3; ++attempt) {
    plain.logWithLevel(LogLevel::kMonitoredError, 820002, "Network fetch failed", Value(503));
    plain.logWithLevel(LogLevel::kWarning, 23129, "Network fetch failed", Value(500));
    plain.logWithLevel(LogLevel::kSilentError, 23135, "Configuration data is invalid.");
  }
  std::map<int, int> levels;
  for (const auto& line : console.lines()) ++levels[line.level];
  EXPECT_EQ(levels, (std::map<int, int>{{platform::log::Error, 3}, {platform::log::Warning, 3}}));
  EXPECT_EQ(plain.monitoringDataForDispatchWithSamplePeriod(0, 0), "1:820002:3;2:23135:3");
}

TEST_F(MonitoringDataTest, DistinctEntriesAndSizeAreCapped) {
  for (int code = 0; code < 1000; ++code) monitor.logWithLevel(LogLevel::kMonitoredError, code, "x");
  std::string data = monitor.monitoringDataForDispatchWithSamplePeriod(0, 0);
  EXPECT_LE(data.size(), Monitor::kMaxMonitoringDataBytes);
  EXPECT_NE(data.find("1:63:1;dropped:936"), std::string::npos) << data;

  monitor.setEncodeContexts(true);
  for (int code = 0; code < 1000; ++code) monitor.logWithLevel(LogLevel::kMonitoredWarning, code, std::string(300, 'c') + "&=");
  data = monitor.monitoringDataForDispatchWithSamplePeriod(0, 0);
  EXPECT_LE(data.size(), Monitor::kMaxMonitoringDataBytes);
  EXPECT_NE(data.find("dropped:"), std::string::npos);
  EXPECT_EQ(data.find('&'), std::string::npos);  // contexts are encoded
}

}  // namespace

}  // namespace sdk::analytics

