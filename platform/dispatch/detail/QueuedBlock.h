#pragma once

// Internal to platform/dispatch: the queues are built from these; never include them elsewhere.

#include <functional>

namespace platform::dispatch {

class Queue;

// Runs a block taken off `queue`. An exception escaping it is logged with the queue's label: off the
// main queue the process then ends, as it would have anyway, but saying whose block threw; on the main
// queue the exception goes on to the code running the loop.
void runQueuedBlock(const Queue& queue, const std::function<void()>& block);

}  // namespace platform::dispatch
