#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/foundation/Format.h"

// The SDK's lowest logging layer: one line per message to the system log, at one of five levels, with a
// process-wide current level, a debug switch and a version prefix. Every line reads
// "<version> - <service>[<message code>] <text>", e.g. " - [VDULogger][I-COR000023] Invalid logger level, 9".
enum VDULoggerLevel : int {
  VDULoggerLevelError = 3,
  VDULoggerLevelWarning = 4,
  VDULoggerLevelNotice = 5,
  VDULoggerLevelInfo = 6,
  VDULoggerLevelDebug = 7,
};

// The system log facility every line is written under.
inline constexpr const char* kVDULoggerFacility = "com.vadeze.utilities.logger";

// The once-only set-up; every function below runs it when needed, later calls do nothing.
void VDULoggerInitializeASL();
// Copies every line to standard error as well.
void VDULoggerEnableSTDERR();
// Debug flag on and level 7, except in a store install, where it does nothing.
void VDULoggerForceDebug();
// Levels outside 3..7 are refused with an error line. A store install takes no level of notice or above:
// it logs at most notice, and once lowered below notice it never comes back to it.
void VDUSetLoggerLevel(int level);
bool VDUIsLoggableLevel(int level);
void VDULoggerRegisterVersion(std::string version);

// The central function, without an argument list: `message` is written as it stands, percent signs
// included (the network client hands over finished lines this way).
void VDULogBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view message);
// With an argument list, even an empty one: `format` is formatted with `args` first.
void VDULogBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view format, std::span<const platform::foundation::FormatArg> args);

// Fixed-level forms; they always format, as callers with arguments expect ("100%%" prints "100%").
template <typename... Args>
void VDULogLevel(int level, std::string_view service, bool force, std::string_view code, std::string_view format,
                 const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    VDULogBasic(level, service, force, code, format, std::span<const platform::foundation::FormatArg>());
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    VDULogBasic(level, service, force, code, format, list);
  }
}
template <typename... Args>
void VDULogError(std::string_view service, bool force, std::string_view code, std::string_view format,
                 const Args&... args) {
  VDULogLevel(VDULoggerLevelError, service, force, code, format, args...);
}
template <typename... Args>
void VDULogWarning(std::string_view service, bool force, std::string_view code, std::string_view format,
                   const Args&... args) {
  VDULogLevel(VDULoggerLevelWarning, service, force, code, format, args...);
}
template <typename... Args>
void VDULogNotice(std::string_view service, bool force, std::string_view code, std::string_view format,
                  const Args&... args) {
  VDULogLevel(VDULoggerLevelNotice, service, force, code, format, args...);
}
template <typename... Args>
void VDULogInfo(std::string_view service, bool force, std::string_view code, std::string_view format,
                const Args&... args) {
  VDULogLevel(VDULoggerLevelInfo, service, force, code, format, args...);
}
template <typename... Args>
void VDULogDebug(std::string_view service, bool force, std::string_view code, std::string_view format,
                 const Args&... args) {
  VDULogLevel(VDULoggerLevelDebug, service, force, code, format, args...);
}

// For callers that send messages rather than call functions.
class VDULoggerWrapper {
 public:
  static void logWithLevel(int level, std::string_view service, std::string_view code, std::string_view message,
                           std::span<const platform::foundation::FormatArg> args);
};

// Lines are written on the logger's own serial queue; this returns once every line logged before the
// call has reached the system log. For tests and for orderly shutdown.
void VDULoggerFlush();
// Back to the state of a fresh process (level 5, no debug flag, no version); for tests.
void VDULoggerResetForTesting();
