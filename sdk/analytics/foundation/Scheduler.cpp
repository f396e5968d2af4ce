#include "sdk/analytics/foundation/Scheduler.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/GuardedDispatch.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

GuardedDispatch::OnException onException(const std::string& blockID) {
  return {messages::kWorkerQueueException, "Exception on worker queue. Block ID=" + blockID + ". Exception"};
}

}  // namespace

Scheduler::Scheduler(const std::string& workerQueueLabel)
    : workerQueue_(platform::dispatch::Queue::serial(workerQueueLabel)) {}

void Scheduler::scheduleOnWorkerQueueBlockID(const std::string& blockID, std::function<void()> block) {
  if (!block) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kNilBlockScheduledOnWorkerQueue,
                                    "Attempted to schedule a nil block on worker queue. Block ID", Value(blockID));
    return;
  }
  GuardedDispatch::async(*workerQueue_, std::move(block), onException(blockID));
}

void Scheduler::dispatchSyncOnWorkerQueueBlockID(const std::string& blockID, const std::function<void()>& block) {
  if (!block) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kNilBlockDispatchedOnWorkerQueue,
                                    "Attempted to dispatch a nil block on worker queue. Block ID", Value(blockID));
    return;
  }
  // The queue runs a sync from its own block inline, so the worker may call this on itself.
  GuardedDispatch::sync(*workerQueue_, block, onException(blockID));
}

}  // namespace sdk::analytics

