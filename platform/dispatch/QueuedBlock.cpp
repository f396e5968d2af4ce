#include "platform/dispatch/detail/QueuedBlock.h"

#include <cstdio>
#include <exception>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/log/Log.h"

namespace platform::dispatch {

namespace {

std::string describeCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an exception of unknown type";
  }
}

}  // namespace

void runQueuedBlock(const Queue& queue, const std::function<void()>& block) {
  try {
    block();
  } catch (...) {
    const std::string message =
        "uncaught exception in a block on queue \"" + queue.label() + "\": " + describeCurrentException();
    log::write(log::Error, "dispatch", message);
    if (queue.kind() == Queue::Kind::Main) throw;
    // The process ends here: make sure the reason reaches a person even when the log goes elsewhere.
    if (!log::stderrCopy()) std::fprintf(stderr, "dispatch: %s\n", log::escapedControlCharacters(message).c_str());
    std::terminate();
  }
}

}  // namespace platform::dispatch
