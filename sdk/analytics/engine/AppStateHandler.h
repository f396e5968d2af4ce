#pragma once

#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/BackgroundUploadTask.h"

namespace sdk::analytics {

class MeasurementEngine;

// The app's foreground and background changes, observed once the components exist: a configuration
// refresh when the app comes back after a week, and a last upload carried by a background task when
// it leaves. Notifications come on the main thread; the work goes to the worker queue.
class AppStateHandler {
 public:
  explicit AppStateHandler(MeasurementEngine& engine) : engine_(engine) {}

  void subscribeForAppForegroundBackgroundNotifications();
  void handleAppDidBecomeActiveEvent();
  void handleAppWillResignActiveEvent();
  void handleAppWillEnterForegroundNotification();
  // Ends the background task that carries the last upload, if one runs.
  void terminateBackgroundTask();
  BackgroundUploadTask::Identifier backgroundUpdateTask() const { return backgroundUpdateTask_.current(); }
  bool isBackgroundTaskRunning() const { return backgroundUpdateTask_.isRunning(); }

 private:
  MeasurementEngine& engine_;
  std::vector<platform::foundation::NotificationCenter::Observation> observations_;
  BackgroundUploadTask backgroundUpdateTask_;
};

}  // namespace sdk::analytics
