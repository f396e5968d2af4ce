#include "sdk/transport/VDTCORApplication.h"

#include "platform/ui/Application.h"

namespace {

using platform::foundation::NotificationCenter;

// The platform application, found by its class name as a plain library would; none in an extension.
std::shared_ptr<platform::ui::Application> applicationForBackgroundTask() {
  if (VDTCORApplication::isAppExtension()) return nullptr;
  return platform::ui::Application::sharedApplication();
}

}  // namespace

std::shared_ptr<VDTCORApplication> VDTCORApplication::sharedApplication() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<VDTCORApplication>(std::make_shared<VDTCORApplication>());
  return *instance;
}

VDTCORApplication::VDTCORApplication() {
  auto& center = NotificationCenter::defaultCenter();
  observations_.push_back(center.addObserver(platform::ui::kApplicationDidEnterBackgroundNotification,
                                             [this](const auto&) { applicationDidEnterBackground(); }));
  observations_.push_back(center.addObserver(platform::ui::kApplicationWillEnterForegroundNotification,
                                             [this](const auto&) { applicationWillEnterForeground(); }));
  observations_.push_back(center.addObserver(platform::ui::kApplicationWillTerminateNotification,
                                             [this](const auto&) { applicationWillTerminate(); }));
}

bool VDTCORApplication::isAppExtension() { return platform::ui::Application::isAppExtension(); }

VDTCORBackgroundIdentifier VDTCORApplication::beginBackgroundTaskWithName(const std::string& name,
                                                                          std::function<void()> expirationHandler) {
  auto application = applicationForBackgroundTask();
  if (!application) return kVDTCORBackgroundIdentifierInvalid;
  return application->beginBackgroundTask(name, std::move(expirationHandler));
}

void VDTCORApplication::endBackgroundTask(VDTCORBackgroundIdentifier identifier) {
  if (identifier == kVDTCORBackgroundIdentifierInvalid) return;
  if (auto application = applicationForBackgroundTask()) application->endBackgroundTask(identifier);
}

void VDTCORApplication::applicationDidEnterBackground() {
  runningInBackground_.store(true);
  NotificationCenter::defaultCenter().post(kVDTCORApplicationDidEnterBackgroundNotification);
}

void VDTCORApplication::applicationWillEnterForeground() {
  runningInBackground_.store(false);
  NotificationCenter::defaultCenter().post(kVDTCORApplicationWillEnterForegroundNotification);
}

void VDTCORApplication::applicationWillTerminate() {
  NotificationCenter::defaultCenter().post(kVDTCORApplicationWillTerminateNotification);
}
