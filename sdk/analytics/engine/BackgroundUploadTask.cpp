#include "sdk/analytics/engine/BackgroundUploadTask.h"

#include "sdk/analytics/foundation/APMEnvironment.h"
#include "sdk/analytics/foundation/APMMonitor.h"

namespace sdk::analytics {

BackgroundUploadTask::Identifier BackgroundUploadTask::begin(std::function<void()> expirationHandler) {
  auto application = APMAEU::sharedApplication();
  const Identifier identifier =
      application ? application->beginBackgroundTask(kName, std::move(expirationHandler)) : kInvalid;
  swapWithNewTaskID(identifier);
  return identifier;
}

void BackgroundUploadTask::swapWithNewTaskID(Identifier identifier) {
  const Identifier previous = identifier_.exchange(identifier);
  if (previous == kInvalid) return;
  APMMonitor::shared()->logWithLevel(7, 23142, "Cancelling background upload task. Task ID ",
                                     platform::foundation::Value(static_cast<std::int64_t>(previous)));
  if (auto application = APMAEU::sharedApplication()) application->endBackgroundTask(previous);
}

}  // namespace sdk::analytics
