#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::utilities {

// Levels of the network client's own messages (the system log's numbers; there is no notice level).
enum HTTPClientLogLevel : int {
  kHTTPClientLogLevelError = 3,
  kHTTPClientLogLevelWarning = 4,
  kHTTPClientLogLevelInfo = 6,
  kHTTPClientLogLevelDebug = 7,
};

// Receives every message of the network client and its sessions. Codes are numbers printed with
// "I-NET%06ld".
class HTTPClientLoggerDelegate {
 public:
  virtual ~HTTPClientLoggerDelegate() = default;
  virtual void logWithLevel(HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message,
                                       const platform::foundation::Array& contexts) = 0;
  virtual void logWithLevel(HTTPClientLogLevel level, std::int64_t messageCode, const std::string& message,
                                       const platform::foundation::Value& context) = 0;
  virtual void logWithLevel(HTTPClientLogLevel level, std::int64_t messageCode,
                                       const std::string& message) = 0;
};

}  // namespace sdk::utilities

