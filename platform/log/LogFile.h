#pragma once

#include "platform/log/Log.h"

namespace platform::log {

// Appends a kept line to the program's log file when one is open (see appendToFile).
void appendLineToFile(const Line& line);

}  // namespace platform::log
