#pragma once

#include <span>
#include <string_view>

#include "platform/foundation/Format.h"
#include "sdk/transport/TransportMessageCodes.h"

namespace sdk::transport {

// Levels the transport logs at; only lines at or above the threshold are written.
inline constexpr int kLogLevelDebug = 1;
inline constexpr int kLogLevelWarning = 3;
inline constexpr int kLogLevelError = 4;
inline constexpr int kLogThreshold = 4;

// Writes "[VadezeDataTransport][I-VDTCOR<code>] <message>" to the system log when `level` reaches the
// threshold; below it the arguments are not even formatted.
void transportLogList(long code, int level, std::string_view format, std::span<const platform::foundation::FormatArg> args);

template <typename... Args>
void transportLog(long code, int level, std::string_view format, const Args&... args) {
  if (level < kLogThreshold) return;
  if constexpr (sizeof...(Args) == 0) {
    transportLogList(code, level, format, {});
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    transportLogList(code, level, format, list);
  }
}

// A line the user should read whatever the threshold (a state of the product, not a fault): written
// as the lines above, at the system log's notice level.
void transportLogNoticeList(long code, std::string_view format, std::span<const platform::foundation::FormatArg> args);

template <typename... Args>
void transportLogNotice(long code, std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    transportLogNoticeList(code, format, {});
  } else {
    const platform::foundation::FormatArg list[] = {platform::foundation::FormatArg(args)...};
    transportLogNoticeList(code, format, list);
  }
}

// The transport's debug traces: code 0 at level 1, below the threshold, so kept out of the log.
template <typename... Args>
void transportLogDebug(std::string_view format, const Args&... args) {
  transportLog(messages::kMessageCodeDebugLog, kLogLevelDebug, format, args...);
}

}  // namespace sdk::transport

