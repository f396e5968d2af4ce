#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// How far a line of the analytics log goes: errors and warnings each come plain (the console), monitored
// (the console and the monitoring data) and silent (the monitoring data only); notice lines reach the
// console, debug lines only in debug mode, verbose lines only with verbose logging.
enum class LogLevel : int {
  kError = 0,
  kMonitoredError = 1,
  kSilentError = 2,
  kWarning = 3,
  kMonitoredWarning = 4,
  kSilentWarning = 5,
  kNotice = 6,
  kDebug = 7,
  kVerbose = 8,
};

// The analytics log. Every line carries a level and a numeric message code:
//   0-2 errors, 3-5 warnings, 6 notice, 7 debug (console only in debug mode), 8 verbose (console only
//   with verbose logging); 2 and 5 never reach the console; 1, 2, 4 and 5 are also counted in the
//   monitoring data that bundles carry to the server.
//
// Monitoring data is a count per (level, code), not a transcript: a script that logs a million
// monitorable lines still costs one entry. Distinct entries and the encoded size are capped; what
// does not fit is counted as dropped.
class Monitor {
 public:
  using Value = platform::foundation::Value;

  static constexpr int kLevelCount = 9;
  static constexpr std::size_t kMaxMonitoringEntries = 64;
  static constexpr std::size_t kMaxMonitoringDataBytes = 4096;
  static constexpr const char* kFacility = "com.vadeze.vmp.measurement";
  static constexpr const char* kDefaultLogTag = "[Analytics]";

  // The launch arguments that switch debug and verbose output, in both spellings.
  static constexpr const char* kDebugEnabledArguments[] = {"-APMAnalyticsDebugEnabled", "-ZEDIvadazudoDebugEnabled"};
  static constexpr const char* kDebugDisabledArguments[] = {"-noAPMAnalyticsDebugEnabled",
                                                            "-noZEDIvadazudoDebugEnabled"};
  static constexpr const char* kVerboseEnabledArguments[] = {"-APMAnalyticsVerboseLoggingEnabled",
                                                             "-ZEDIvadazudoVerboseLoggingEnabled"};
  static constexpr const char* kVerboseDisabledArguments[] = {"-APMAnalyticsVerboseLoggingDisabled",
                                                              "-ZEDIvadazudoVerboseLoggingDisabled"};

  // Reads the switches from the running application's launch arguments.
  explicit Monitor(std::int64_t libraryVersion);
  Monitor(std::int64_t libraryVersion, const std::vector<std::string>& launchArguments);

  // The process-wide monitor: the one installed with setShared(), else one made on first use.
  static std::shared_ptr<Monitor> shared();
  static void setShared(std::shared_ptr<Monitor> monitor);

  void logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message);
  void logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message, const Value& context);
  void logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message, const Value& context1,
                    const Value& context2);
  void logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message, const Value& context1,
                    const Value& context2, const Value& context3);
  void logWithLevelContexts(LogLevel level, std::int64_t messageCode, std::string_view message,
                            const std::vector<Value>& contexts);

  bool isDebugModeEnabled() const { return debug_; }
  bool isVerboseLoggingEnabled() const { return verbose_; }
  std::int64_t libraryVersion() const { return libraryVersion_; }
  void setEncodeContexts(bool encode);
  void setLogTag(const std::string& tag);
  std::string logTag() const;

  // The monitoring data when a sample period (seconds) has passed since `lastSampledTimestamp`
  // (seconds since 1970) and there is any; empty otherwise. What is returned is handed over: the
  // data starts again empty.
  std::string monitoringDataForDispatchWithSamplePeriod(double samplePeriod, double lastSampledTimestamp);
  void clearMonitoringData();

  static bool isSilentLevel(int level) { return level == 2 || level == 5; }
  static bool isMonitorableLevel(int level) { return level == 1 || level == 2 || level == 4 || level == 5; }
  // The code as it appears in console lines: "A" and six digits.
  static std::string formattedCode(std::int64_t messageCode);
  // The text of one line: the message, then ": " and the contexts joined by ", ".
  static std::string composedMessage(std::string_view message, const std::vector<Value>& contexts);

 private:
  struct Entry {
    std::int64_t count = 0;
    std::string context;  // the first line's text, when contexts are encoded
  };

  bool consoleShows(int level) const;
  // Whether a line of the level reaches the console or the monitoring data.
  bool wanted(int level) const;
  void record(int level, std::int64_t messageCode, const std::string& text);
  std::string encodedLocked() const;

  const std::int64_t libraryVersion_;
  bool debug_ = false;
  bool verbose_ = false;

  mutable std::mutex mutex_;
  std::string logTag_ = kDefaultLogTag;
  bool encodeContexts_ = false;
  std::map<std::pair<int, std::int64_t>, Entry> entries_;
  std::int64_t dropped_ = 0;
};

}  // namespace sdk::analytics

