#pragma once

#include <span>
#include <string_view>

#include "platform/foundation/Format.h"
#include "sdk/utilities/VDULogger.h"

// The SDK's own logging: the utilities logger, set up once from the launch arguments and the
// remembered debug switch, with the SDK version before every line. Callers pass their bracketed
// service name ("[Vurevore/Core]") and a message code ("I-COR000001").
inline constexpr const char* kVURDebugModeKey = "/vadeze/vurevore/debug_mode";
inline constexpr const char* kVURDebugEnabledArgument = "-VURDebugEnabled";
inline constexpr const char* kVURDebugDisabledArgument = "-VURDebugDisabled";
inline constexpr const char* kVURForceStderrArgument = "-VURLoggerForceSTDERR";

// Runs once per process (the first call of any function below runs it). A launch with
// "-VURDebugEnabled" turns debug logging on and remembers it for later launches; "-VURDebugDisabled"
// forgets it again and wins when both are given.
void VURLoggerInitialize();
void VURSetLoggerLevel(int level);
void VURLogBasic(int level, std::string_view service, std::string_view messageCode, std::string_view format,
                 std::span<const platform::foundation::FormatArg> args);

template <typename... Args>
void VURLogLevel(int level, std::string_view service, std::string_view code, std::string_view format,
                 const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    VURLogBasic(level, service, code, format, std::span<const platform::foundation::FormatArg>());
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    VURLogBasic(level, service, code, format, list);
  }
}
template <typename... Args>
void VURLogError(std::string_view service, std::string_view code, std::string_view format, const Args&... args) {
  VURLogLevel(VDULoggerLevelError, service, code, format, args...);
}
template <typename... Args>
void VURLogWarning(std::string_view service, std::string_view code, std::string_view format, const Args&... args) {
  VURLogLevel(VDULoggerLevelWarning, service, code, format, args...);
}
template <typename... Args>
void VURLogInfo(std::string_view service, std::string_view code, std::string_view format, const Args&... args) {
  VURLogLevel(VDULoggerLevelInfo, service, code, format, args...);
}
template <typename... Args>
void VURLogDebug(std::string_view service, std::string_view code, std::string_view format, const Args&... args) {
  VURLogLevel(VDULoggerLevelDebug, service, code, format, args...);
}

// For callers that send messages rather than call functions.
class VURLoggerWrapper {
 public:
  static void logWithLevel(int level, std::string_view service, std::string_view code, std::string_view message,
                           std::span<const platform::foundation::FormatArg> args) {
    VURLogBasic(level, service, code, message, args);
  }
};

// Lets the next call set the logger up again, as in a new process; for tests (pair it with
// VDULoggerResetForTesting).
void VURLoggerResetForTesting();
