#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/foundation/Format.h"

namespace sdk::utilities {

// The SDK's lowest logging layer: one line per message to the system log, at one of five levels, with a
// process-wide current level, a debug switch and a version prefix. Every line reads
// "<version> - <service>[<message code>] <text>", e.g. " - [VDULogger][I-COR000023] Invalid logger level, 9".
enum LoggerLevel : int {
  kLoggerLevelError = 3,
  kLoggerLevelWarning = 4,
  kLoggerLevelNotice = 5,
  kLoggerLevelInfo = 6,
  kLoggerLevelDebug = 7,
};

// The system log facility every line is written under.
inline constexpr const char* kLoggerFacility = "com.vadeze.utilities.logger";

// The once-only set-up; every function below runs it when needed, later calls do nothing.
void initializeLogger();
// Copies every line to standard error as well.
void enableLoggerStderr();
// Debug flag on and level 7, except in a store install, where it does nothing.
void forceLoggerDebug();
// Levels outside 3..7 are refused with an error line. A store install takes no level of notice or above:
// it logs at most notice, and once lowered below notice it never comes back to it.
void setLoggerLevel(int level);
bool isLoggableLevel(int level);
void registerLoggerVersion(std::string version);

// The central function, without an argument list: `message` is written as it stands, percent signs
// included (the network client hands over finished lines this way), on one line, its control
// characters written out, for it may quote anything.
void logBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view message);
// With an argument list, even an empty one: `format` is formatted with `args` first. The format is the
// product's own text and keeps its line breaks; what the arguments put in has its control characters
// written out (see formatLogText), so a reply or a file quoted in a line never starts a line of its own.
void logBasic(int level, std::string_view service, bool force, std::string_view messageCode,
              platform::foundation::FormatLiteral format, std::span<const platform::foundation::FormatArg> args);

// Fixed-level forms; they always format, as callers with arguments expect ("100%%" prints "100%").
template <typename... Args>
void logAtLevel(int level, std::string_view service, bool force, std::string_view code,
                platform::foundation::FormatLiteral format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    logBasic(level, service, force, code, format, std::span<const platform::foundation::FormatArg>());
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    logBasic(level, service, force, code, format, list);
  }
}
template <typename... Args>
void logError(std::string_view service, bool force, std::string_view code,
              platform::foundation::FormatLiteral format, const Args&... args) {
  logAtLevel(kLoggerLevelError, service, force, code, format, args...);
}
template <typename... Args>
void logWarning(std::string_view service, bool force, std::string_view code,
                platform::foundation::FormatLiteral format, const Args&... args) {
  logAtLevel(kLoggerLevelWarning, service, force, code, format, args...);
}
template <typename... Args>
void logNotice(std::string_view service, bool force, std::string_view code,
               platform::foundation::FormatLiteral format, const Args&... args) {
  logAtLevel(kLoggerLevelNotice, service, force, code, format, args...);
}
template <typename... Args>
void logInfo(std::string_view service, bool force, std::string_view code,
             platform::foundation::FormatLiteral format, const Args&... args) {
  logAtLevel(kLoggerLevelInfo, service, force, code, format, args...);
}
template <typename... Args>
void logDebug(std::string_view service, bool force, std::string_view code,
              platform::foundation::FormatLiteral format, const Args&... args) {
  logAtLevel(kLoggerLevelDebug, service, force, code, format, args...);
}

// For callers that send messages rather than call functions.
class LoggerWrapper {
 public:
  static void logWithLevel(int level, std::string_view service, std::string_view code,
                           platform::foundation::FormatLiteral message,
                           std::span<const platform::foundation::FormatArg> args);
};

// Lines are written on the logger's own serial queue; this returns once every line logged before the
// call has reached the system log. For tests and for orderly shutdown.
void flushLogger();
// Back to the state of a fresh process (level 5, no debug flag, no version); for tests.
void resetLoggerForTesting();

}  // namespace sdk::utilities

