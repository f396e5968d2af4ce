#pragma once

#include "platform/log/Log.h"

namespace platform::log {

// Appends a kept line to the program's log file when one is open (see appendToFile); a line the person
// asked for (see showDebugLinesOf) goes in whatever level the file keeps.
void appendLineToFile(const Line& line, bool asked);

// A line as people read it, in the log file, on stderr and in the system log: "<facility>: <message>",
// each line of the message after the first indented by a tab.
std::string readableText(const Line& line);

}  // namespace platform::log
