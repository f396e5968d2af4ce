#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/log/Log.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// The value of a step that must have succeeded; a failure fails the test and yields an empty value.
template <typename T>
T succeeded(platform::foundation::ErrorOr<T> result) {
  EXPECT_TRUE(result.ok()) << result.error();
  return result.ok() ? std::move(result).value() : T{};
}

// The commits in the write-ahead log of the SQLite database at `path` since its last checkpoint:
// how many times its writers had the log synced. Frames left from an earlier generation of the log
// (another salt) are not counted.
inline int walCommitCount(const std::string& path) {
  std::ifstream file(path + "-wal", std::ios::binary);
  const std::vector<unsigned char> log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  auto word = [&](std::size_t at) {
    return std::uint32_t{log[at]} << 24 | std::uint32_t{log[at + 1]} << 16 | std::uint32_t{log[at + 2]} << 8 |
           std::uint32_t{log[at + 3]};
  };
  constexpr std::size_t kHeader = 32, kFrameHeader = 24;
  if (log.size() < kHeader) return 0;
  const std::size_t pageSize = word(8);
  int commits = 0;
  for (std::size_t at = kHeader; at + kFrameHeader + pageSize <= log.size(); at += kFrameHeader + pageSize) {
    if (word(at + 8) != word(16) || word(at + 12) != word(20)) break;
    if (word(at + 4) != 0) ++commits;  // a commit frame carries the database's size after it
  }
  return commits;
}

// For one test: a fresh shared monitor (with the given launch arguments), the console lines it
// writes, and the error events raised meanwhile.
class MonitorScope {
 public:
  explicit MonitorScope(const std::vector<std::string>& launchArguments = {})
      : monitor(std::make_shared<sdk::analytics::Monitor>(1, launchArguments)) {
    sdk::analytics::Monitor::setShared(monitor);
    previousHandler_ = sdk::analytics::setErrorEventHandler([this](const std::string&, const std::string&, const sdk::analytics::Parameters& p) {
      std::lock_guard lock(mutex_);
      errorEvents_.push_back(p);
    });
  }
  ~MonitorScope() {
    sdk::analytics::setErrorEventHandler(previousHandler_);
    sdk::analytics::Monitor::setShared(nullptr);
  }
  MonitorScope(const MonitorScope&) = delete;
  MonitorScope& operator=(const MonitorScope&) = delete;

  // Whether a line of this code was written to the console or, for the silent levels, kept in the
  // monitoring data (which this drains).
  bool logged(std::int64_t code) {
    if (console.contains(tagOf(code))) return true;
    monitored_ += ";" + monitor->monitoringDataForDispatchWithSamplePeriod(0, 0);
    return monitored_.find(":" + std::to_string(code) + ":") != std::string::npos;
  }
  // The console lines that carry this code, in the order written.
  std::vector<platform::log::Line> linesOf(std::int64_t code) const {
    std::vector<platform::log::Line> found;
    for (const auto& line : console.lines()) {
      if (line.message.find(tagOf(code)) != std::string::npos) found.push_back(line);
    }
    return found;
  }
  // "[A820002]", as a line carries its code (appended, not joined with +, which an optimising g++ warns of).
  static std::string tagOf(std::int64_t code) {
    std::string tag = "[";
    tag.append(sdk::analytics::Monitor::formattedCode(code)).append("]");
    return tag;
  }
  std::vector<sdk::analytics::Parameters> errorEvents() const {
    std::lock_guard lock(mutex_);
    return errorEvents_;
  }

  std::shared_ptr<sdk::analytics::Monitor> monitor;
  platform::log::CapturedLines console;

 private:
  mutable std::mutex mutex_;
  std::vector<sdk::analytics::Parameters> errorEvents_;
  std::string monitored_;
  sdk::analytics::ErrorEventHandler previousHandler_;
};

}  // namespace ostrel::testing
