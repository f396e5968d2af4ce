#pragma once

#include <string>
#include <vector>

namespace platform::foundation {

// The arguments this process was started with, the program's own name first, as the kernel recorded
// them (so they are known before main has parsed anything). Empty when they cannot be read.
std::vector<std::string> processArguments();

}  // namespace platform::foundation
