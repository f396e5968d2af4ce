#include "platform/ui/Application.h"

namespace platform::ui {

Application::BackgroundTaskIdentifier Application::beginBackgroundTask(std::string name,
                                                                       std::function<void()> expirationHandler) {
  std::lock_guard lock(backgroundTasksMutex_);
  BackgroundTaskIdentifier identifier = nextBackgroundTask_++;
  if (identifier == kInvalidBackgroundTask) identifier = nextBackgroundTask_++;
  backgroundTasks_[identifier] = {std::move(name), std::move(expirationHandler)};
  return identifier;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier) {
  std::function<void()> released;  // destroyed outside the lock: it may hold objects that end tasks too
  std::lock_guard lock(backgroundTasksMutex_);
  auto found = backgroundTasks_.find(identifier);
  if (found == backgroundTasks_.end()) return;
  released = std::move(found->second.expirationHandler);
  backgroundTasks_.erase(found);
}

std::size_t Application::backgroundTaskCount() const {
  std::lock_guard lock(backgroundTasksMutex_);
  return backgroundTasks_.size();
}

}  // namespace platform::ui
