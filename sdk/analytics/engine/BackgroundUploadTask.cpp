#include "sdk/analytics/engine/BackgroundUploadTask.h"

#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

BackgroundUploadTask::Identifier BackgroundUploadTask::begin(std::function<void()> expirationHandler) {
  auto application = RunningApplication::sharedApplication();
  const Identifier identifier =
      application ? application->beginBackgroundTask(kName, std::move(expirationHandler)) : kInvalid;
  swapWithNewTaskID(identifier);
  return identifier;
}

void BackgroundUploadTask::swapWithNewTaskID(Identifier identifier) {
  const Identifier previous = identifier_.exchange(identifier);
  if (previous == kInvalid) return;
  Monitor::shared()->logWithLevel(LogLevel::kDebug, messages::kBackgroundUploadTaskCancelled,
                                  "Cancelling background upload task. Task ID ",
                                  platform::foundation::Value(static_cast<std::int64_t>(previous)));
  if (auto application = RunningApplication::sharedApplication()) application->endBackgroundTask(previous);
}

}  // namespace sdk::analytics

