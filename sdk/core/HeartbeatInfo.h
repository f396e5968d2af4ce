#pragma once

#include <cstdint>
#include <string>

namespace sdk::core {

// At most once a day per library, and once a day over all libraries, the SDK's requests say that
// the library is in use. Dates are kept in the heartbeat file "HEARTBEAT_INFO_STORAGE" and read on
// the process clock.
class HeartbeatInfo {
 public:
  enum Code : std::int64_t { kNone = 0, kSDK = 1, kGlobal = 2, kCombined = 3 };

  static constexpr const char* kStorageFileName = "HEARTBEAT_INFO_STORAGE";
  static constexpr const char* kGlobalTag = "GLOBAL";
  static constexpr double kPeriod = 86400;

  // Whether a heartbeat for the tag is due now; when it is, now is recorded, and a failed write
  // answers false.
  [[nodiscard]] static bool updateIfNeededHeartbeatDateForTag(const std::string& tag);
  // Both the library's and the global heartbeat are checked (and recorded) on every call.
  static Code heartbeatCodeForTag(const std::string& tag);
};

}  // namespace sdk::core

