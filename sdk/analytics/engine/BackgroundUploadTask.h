#pragma once

#include <atomic>
#include <functional>

#include "platform/ui/Application.h"

namespace sdk::analytics {

// The background task that lets the last upload finish after the app leaves the foreground. The main
// thread begins it when the app resigns active and ends it when the app comes back; the worker queue
// ends it when an upload pass is over. Its identifier is exchanged atomically, so whichever side comes
// first ends the task and the other finds nothing to end.
class BackgroundUploadTask {
 public:
  using Identifier = platform::ui::Application::BackgroundTaskIdentifier;
  static constexpr Identifier kInvalid = platform::ui::Application::kInvalidBackgroundTask;
  static constexpr const char* kName = "APMAnalyticsMeasurementBackgroundTask";

  // A new task from the application (kInvalid when there is none, as in an app extension); the task
  // it replaces is ended. `expirationHandler` runs if the system ends the task first.
  Identifier begin(std::function<void()> expirationHandler);
  // Puts `identifier` in place and ends the task it replaces, if any.
  void swapWithNewTaskID(Identifier identifier);
  void end() { swapWithNewTaskID(kInvalid); }
  Identifier current() const { return identifier_.load(); }
  bool isRunning() const { return current() != kInvalid; }

 private:
  std::atomic<Identifier> identifier_{kInvalid};
};

}  // namespace sdk::analytics

