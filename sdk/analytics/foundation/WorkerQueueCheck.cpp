#include "sdk/analytics/foundation/WorkerQueueCheck.h"

#include <string>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::dispatch::Queue;

bool WorkerQueueCheck::calledOnWorkerQueue(const platform::foundation::SequenceChecker& checker,
                                           std::string_view methodName) {
  const auto current = Queue::current();
  // Only a serial queue's block asks the checker, so a first call from the wrong place does not bind it there.
  const bool onQueue = current && current->kind() == Queue::Kind::Serial && checker.calledOnValidSequence();
  if (!onQueue && platform::dispatch::MainLoop::isMainThread()) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kMethodCalledOffWorkerQueue,
                                    "Method " + std::string(methodName) + " should execute on background thread");
  }
  return onQueue;
}

}  // namespace sdk::analytics
