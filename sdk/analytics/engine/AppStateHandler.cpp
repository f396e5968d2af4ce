#include "sdk/analytics/engine/AppStateHandler.h"

#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

constexpr double kConfigurationRefreshSeconds = 7 * 24 * 3600;

}  // namespace

void AppStateHandler::subscribeForAppForegroundBackgroundNotifications() {
  auto& center = platform::foundation::NotificationCenter::defaultCenter();
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  auto observe = [&](const char* name, void (AppStateHandler::*handler)()) {
    return center.addObserver(name, [weak, handler](const platform::foundation::Notification&) {
      if (auto self = weak.lock()) (self->appState().*handler)();
    });
  };
  observations_.push_back(
      observe(platform::ui::kApplicationDidBecomeActiveNotification, &AppStateHandler::handleAppDidBecomeActiveEvent));
  observations_.push_back(
      observe(platform::ui::kApplicationWillResignActiveNotification, &AppStateHandler::handleAppWillResignActiveEvent));
  observations_.push_back(observe(platform::ui::kApplicationWillEnterForegroundNotification,
                                  &AppStateHandler::handleAppWillEnterForegroundNotification));
  // The engine starts on its worker queue while the app lives on: an app that went to the background
  // before the engine listened still gets the upload its leaving asks for.
  auto app = platform::ui::Application::sharedApplication();
  if (app && app->applicationState() == platform::ui::Application::State::Background) {
    handleAppWillResignActiveEvent();
  }
}

void AppStateHandler::handleAppDidBecomeActiveEvent() {
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  engine_.scheduler()->scheduleOnWorkerQueueBlockID("APMMeasurement:3621", [weak] {
    auto self = weak.lock();
    if (!self || self->isTerminating()) return;
    auto settings = self->components().remoteConfig();
    auto uploader = self->components().uploader();
    if (!settings || !uploader || !settings->blocklistInternal()) return;
    const double now = platform::foundation::Clock::current()->now();
    if (std::fabs(now - settings->lastRemoteConfigUpdateTimestamp()) < kConfigurationRefreshSeconds) return;
    if (uploader->isNetworkReadyForRequest()) {
      uploader->fetchRemoteConfig();
    } else {
      MeasurementEngine::sharedMonitor()->logWithLevel(
          LogLevel::kVerbose, messages::kConfigurationFetchIgnoredWhileNetworkPending,
          "Network operation is pending. Ignoring request to fetch configuration");
    }
  });
}

// The settings are on disk before the background task begins: a phone may suspend the app whenever
// no task holds it.
void AppStateHandler::handleAppWillResignActiveEvent() {
  engine_.persistedConfig()->synchronizeToDisk();
  auto monitor = MeasurementEngine::sharedMonitor();
  monitor->logWithLevel(LogLevel::kVerbose, messages::kUploadScheduledOnResignActive,
                        "App will resign active state. Scheduling data upload");
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  const auto task = backgroundUpdateTask_.begin([weak] {
    if (auto self = weak.lock()) self->appState().terminateBackgroundTask();
  });
  monitor->logWithLevel(LogLevel::kVerbose, messages::kBackgroundTaskStarted, "Background task started. Task ID",
                        Value(static_cast<std::int64_t>(task)));
  Analytics::queueOperationWithBlock([weak] {
    auto self = weak.lock();
    if (!self) return;
    self->scheduler()->scheduleOnWorkerQueueBlockID("APMMeasurement:3663", [weak] {
      auto self = weak.lock();
      if (!self) return;
      // With no upload to run, nothing else would end the task before the app returns.
      auto uploader = self->isTerminating() ? nullptr : self->components().uploader();
      if (uploader) {
        uploader->uploadData();
      } else {
        self->appState().terminateBackgroundTask();
      }
    });
  });
}

void AppStateHandler::handleAppWillEnterForegroundNotification() { terminateBackgroundTask(); }

// The write comes first and is waited for: once the task ends a phone suspends the app, and a write
// still queued would wait for its return, or be lost with the process.
void AppStateHandler::terminateBackgroundTask() {
  engine_.persistedConfig()->synchronizeToDisk();
  backgroundUpdateTask_.end();
}

}  // namespace sdk::analytics
