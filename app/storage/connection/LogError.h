#pragma once

#include <string>

#include "platform/log/Log.h"

namespace app::storage {

// The catalogue code's failures: each reaches the log file and stderr.
inline void logError(const std::string& message) { platform::log::write(platform::log::Error, message); }

// A text the catalogue code has always written, which reads as a note to its developer, followed by what
// happened in plain words.
inline void logError(const std::string& message, const std::string& plainly) {
  logError(message);
  platform::log::write(platform::log::Warning, plainly);
}

}  // namespace app::storage

