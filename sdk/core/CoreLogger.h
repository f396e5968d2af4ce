#pragma once

#include <span>
#include <string_view>

#include "platform/foundation/Format.h"
#include "sdk/utilities/Logger.h"

namespace sdk::core {

// The SDK's own logging: the utilities logger, set up once from the launch arguments and the
// remembered debug switch, with the SDK version before every line. Callers pass their bracketed
// service name ("[Vurevore/Core]") and a message code ("I-COR000001").
inline constexpr const char* kDebugModeKey = "/vadeze/vurevore/debug_mode";
inline constexpr const char* kDebugEnabledArgument = "-VURDebugEnabled";
inline constexpr const char* kDebugDisabledArgument = "-VURDebugDisabled";
inline constexpr const char* kForceStderrArgument = "-VURLoggerForceSTDERR";

// Runs once per process (the first call of any function below runs it). A launch with
// "-VURDebugEnabled" turns debug logging on and remembers it for later launches; "-VURDebugDisabled"
// forgets it again and wins when both are given.
void initializeCoreLogger();
void setCoreLoggerLevel(int level);
// The format keeps its line breaks; what the arguments put in has its control characters written out.
void coreLogBasic(int level, std::string_view service, std::string_view messageCode,
                  platform::foundation::FormatLiteral format, std::span<const platform::foundation::FormatArg> args);

template <typename... Args>
void coreLogAtLevel(int level, std::string_view service, std::string_view code,
                    platform::foundation::FormatLiteral format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    coreLogBasic(level, service, code, format, std::span<const platform::foundation::FormatArg>());
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    coreLogBasic(level, service, code, format, list);
  }
}
template <typename... Args>
void coreLogError(std::string_view service, std::string_view code, platform::foundation::FormatLiteral format,
                  const Args&... args) {
  coreLogAtLevel(sdk::utilities::kLoggerLevelError, service, code, format, args...);
}
template <typename... Args>
void coreLogWarning(std::string_view service, std::string_view code, platform::foundation::FormatLiteral format,
                    const Args&... args) {
  coreLogAtLevel(sdk::utilities::kLoggerLevelWarning, service, code, format, args...);
}
template <typename... Args>
void coreLogInfo(std::string_view service, std::string_view code, platform::foundation::FormatLiteral format,
                 const Args&... args) {
  coreLogAtLevel(sdk::utilities::kLoggerLevelInfo, service, code, format, args...);
}
template <typename... Args>
void coreLogDebug(std::string_view service, std::string_view code, platform::foundation::FormatLiteral format,
                  const Args&... args) {
  coreLogAtLevel(sdk::utilities::kLoggerLevelDebug, service, code, format, args...);
}

// For callers that send messages rather than call functions.
class CoreLoggerWrapper {
 public:
  static void logWithLevel(int level, std::string_view service, std::string_view code,
                           platform::foundation::FormatLiteral message,
                           std::span<const platform::foundation::FormatArg> args) {
    coreLogBasic(level, service, code, message, args);
  }
};

// Lets the next call set the logger up again, as in a new process; for tests (pair it with
// resetLoggerForTesting).
void resetCoreLoggerForTesting();

}  // namespace sdk::core

