#include "sdk/transport/ApplicationAdapter.h"

#include "platform/ui/Application.h"
#include "platform/ui/Scene.h"

namespace sdk::transport {

namespace {

using platform::foundation::NotificationCenter;

// The platform application, found by its class name as a plain library would; none in an extension.
std::shared_ptr<platform::ui::Application> applicationForBackgroundTask() {
  if (ApplicationAdapter::isAppExtension()) return nullptr;
  return platform::ui::Application::sharedApplication();
}

}  // namespace

std::shared_ptr<ApplicationAdapter> ApplicationAdapter::sharedApplication() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<ApplicationAdapter>(std::make_shared<ApplicationAdapter>());
  return *instance;
}

ApplicationAdapter::ApplicationAdapter() {
  auto& center = NotificationCenter::defaultCenter();
  observations_.push_back(center.addObserver(platform::ui::kApplicationDidEnterBackgroundNotification,
                                             [this](const auto&) { applicationDidEnterBackground(); }));
  observations_.push_back(center.addObserver(platform::ui::kApplicationWillEnterForegroundNotification,
                                             [this](const auto&) { applicationWillEnterForeground(); }));
  observations_.push_back(center.addObserver(platform::ui::kApplicationWillTerminateNotification,
                                             [this](const auto&) { applicationWillTerminate(); }));
  observations_.push_back(center.addObserver(platform::ui::kSceneWillEnterForegroundNotification,
                                             [this](const auto&) { applicationWillEnterForeground(); }));
  observations_.push_back(center.addObserver(platform::ui::kSceneWillDeactivateNotification,
                                             [this](const auto&) { applicationDidEnterBackground(); }));
  // A scene interrupted without leaving the foreground (the control centre, an appearance switch) comes
  // back active without a will-enter-foreground: without this the transport would stay paused, its
  // timer stopped, until the app next left the foreground and came back.
  observations_.push_back(center.addObserver(platform::ui::kSceneDidActivateNotification, [this](const auto&) {
    if (isRunningInBackground()) applicationWillEnterForeground();
  }));
}

bool ApplicationAdapter::isAppExtension() { return platform::ui::Application::isAppExtension(); }

BackgroundTaskID ApplicationAdapter::beginBackgroundTaskWithName(const std::string& name,
                                                                          std::function<void()> expirationHandler) {
  auto application = applicationForBackgroundTask();
  if (!application) return kInvalidBackgroundTaskID;
  return application->beginBackgroundTask(name, std::move(expirationHandler));
}

void ApplicationAdapter::endBackgroundTask(BackgroundTaskID identifier) {
  if (identifier == kInvalidBackgroundTaskID) return;
  if (auto application = applicationForBackgroundTask()) application->endBackgroundTask(identifier);
}

void ApplicationAdapter::applicationDidEnterBackground() {
  runningInBackground_.store(true);
  NotificationCenter::defaultCenter().post(kTransportDidEnterBackgroundNotification);
}

void ApplicationAdapter::applicationWillEnterForeground() {
  runningInBackground_.store(false);
  NotificationCenter::defaultCenter().post(kTransportWillEnterForegroundNotification);
}

void ApplicationAdapter::applicationWillTerminate() {
  NotificationCenter::defaultCenter().post(kTransportWillTerminateNotification);
}

}  // namespace sdk::transport

