#pragma once

#include <span>
#include <string_view>

#include "platform/foundation/Format.h"

// Message codes of the transport's log lines ("I-VDTCOR" plus the code in six digits).
enum VDTCORMessageCode : long {
  kVDTCORMCDDebugLog = 0,
  kVDTCORMCWReachabilityFailed = 4,
  kVDTCORMCETransformerDoesntImplementTransform = 1000,
  kVDTCORMCEDiagnosticsEncodingError = 1005,
  kVDTCORMCEGeneralError = 1006,
  kVDTCORMCNNoUploadAddress = 1007,
};

// Levels the transport logs at; only lines at or above the threshold are written.
inline constexpr int kVDTCORLogLevelDebug = 1;
inline constexpr int kVDTCORLogLevelWarning = 3;
inline constexpr int kVDTCORLogLevelError = 4;
inline constexpr int kVDTCORLogThreshold = 4;

// Writes "[VadezeDataTransport][I-VDTCOR<code>] <message>" to the system log when `level` reaches the
// threshold; below it the arguments are not even formatted.
void VDTCORLogList(long code, int level, std::string_view format, std::span<const platform::foundation::FormatArg> args);

template <typename... Args>
void VDTCORLog(long code, int level, std::string_view format, const Args&... args) {
  if (level < kVDTCORLogThreshold) return;
  if constexpr (sizeof...(Args) == 0) {
    VDTCORLogList(code, level, format, {});
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    VDTCORLogList(code, level, format, list);
  }
}

// A line the user should read whatever the threshold (a state of the product, not a fault): written
// as the lines above, at the system log's notice level.
void VDTCORLogNoticeList(long code, std::string_view format, std::span<const platform::foundation::FormatArg> args);

template <typename... Args>
void VDTCORLogNotice(long code, std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    VDTCORLogNoticeList(code, format, {});
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    VDTCORLogNoticeList(code, format, list);
  }
}

// The transport's debug traces: code 0 at level 1, below the threshold, so kept out of the log.
template <typename... Args>
void VDTCORLogDebug(std::string_view format, const Args&... args) {
  VDTCORLog(kVDTCORMCDDebugLog, kVDTCORLogLevelDebug, format, args...);
}
