#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Value.h"

// Levels of the network client's own messages (the system log's numbers; there is no notice level).
enum ZURAridireLogLevel : int {
  kZURAridireLogLevelError = 3,
  kZURAridireLogLevelWarning = 4,
  kZURAridireLogLevelInfo = 6,
  kZURAridireLogLevelDebug = 7,
};

// Receives every message of the network client and its sessions. Codes are numbers printed with
// "I-NET%06ld".
class ZURAridireLoggerDelegate {
 public:
  virtual ~ZURAridireLoggerDelegate() = default;
  virtual void ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode, const std::string& message,
                                       const platform::foundation::Array& contexts) = 0;
  virtual void ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode, const std::string& message,
                                       const platform::foundation::Value& context) = 0;
  virtual void ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode,
                                       const std::string& message) = 0;
};
