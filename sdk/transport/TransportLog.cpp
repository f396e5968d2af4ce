#include "sdk/transport/TransportLog.h"

#include "platform/log/Log.h"

namespace sdk::transport {

namespace {

void writeLine(int systemLevel, long code, std::string_view messageFormat,
               std::span<const platform::foundation::FormatArg> args) {
  namespace foundation = platform::foundation;
  std::string codeString = foundation::format("I-VDTCOR%06ld", code);
  // The caller's text becomes part of the line's format, so its conversions take the caller's arguments.
  std::string lineFormat = foundation::format("%@[%@] %@", "[VadezeDataTransport]", codeString, messageFormat);
  platform::log::write(systemLevel, foundation::formatList(lineFormat, args));
}

}  // namespace

void transportLogList(long code, int level, std::string_view messageFormat,
                   std::span<const platform::foundation::FormatArg> args) {
  if (level < kLogThreshold) return;
  writeLine(platform::log::Warning, code, messageFormat, args);
}

void transportLogNoticeList(long code, std::string_view messageFormat,
                         std::span<const platform::foundation::FormatArg> args) {
  writeLine(platform::log::Notice, code, messageFormat, args);
}

}  // namespace sdk::transport

