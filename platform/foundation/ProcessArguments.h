#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation {

// The arguments this process was started with, the program's own name first, as the kernel recorded
// them (so they are known before main has parsed anything). Empty when they cannot be read.
std::vector<std::string> processArguments();

// A phone hands "-SomeSwitch" launch arguments to the app untouched and each library reads its own
// from the process. The libraries declare the switches they read, so that the command line can tell a
// switch from a mistyped option. Safe from static initialisers and any thread.
void declareLaunchArguments(std::initializer_list<std::string_view> names);
[[nodiscard]] bool isDeclaredLaunchArgument(std::string_view name);
// Every name declared so far, in order (for the command's help).
std::vector<std::string> declaredLaunchArguments();

}  // namespace platform::foundation
