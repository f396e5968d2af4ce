#include "sdk/transport/VDTCORLog.h"

#include "platform/log/Log.h"

void VDTCORLogList(long code, int level, std::string_view messageFormat,
                   std::span<const platform::foundation::FormatArg> args) {
  if (level < kVDTCORLogThreshold) return;
  namespace foundation = platform::foundation;
  std::string codeString = foundation::format("I-VDTCOR%06ld", code);
  // The caller's text becomes part of the line's format, so its conversions take the caller's arguments.
  std::string lineFormat = foundation::format("%@[%@] %@", "[VadezeDataTransport]", codeString, messageFormat);
  platform::log::write(platform::log::Warning, foundation::formatList(lineFormat, args));
}
