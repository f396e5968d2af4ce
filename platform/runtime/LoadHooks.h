#pragma once

#include <cstddef>
#include <functional>

namespace platform::runtime {

// Load-time registration made explicit: a library's registrar adds a hook, and main (or a test fixture)
// runs the hooks once, lowest order first, hooks of equal order in the order they were added.
void addLoadHook(int order, std::function<void()> hook);

// Runs every hook not yet run, each at most once; a hook added while the hooks run is run in this call
// too. Returns how many ran. A hook that throws counts as run, and the exception propagates.
std::size_t runLoadHooks();

// Hooks added and not yet run.
std::size_t pendingLoadHooks();

}  // namespace platform::runtime
