#pragma once

#include <string>

#include "platform/log/Log.h"

namespace app::storage {

// The catalogue code's failures: each reaches the log file and stderr.
inline void logError(const std::string& message) { platform::log::write(platform::log::Error, message); }

}  // namespace app::storage

