#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMMeasurement.h"

// What the facade sends on. The event path and the user-property writes are not connected to the
// engine yet: until they are, logged events and user properties are dropped, and queries answer
// empty (on a global queue, as every engine query does).

void APMMeasurement::logEvent(const sdk::analytics::LoggedEvent&) {}

void APMMeasurement::setSessionTimeoutInterval(double) {}

void APMMeasurement::setDefaultEventParameters(const std::optional<Dictionary>&) {}

void APMMeasurement::setUserAttribute(const APMUserAttribute&) {}

void APMMeasurement::removeUserAttribute(const APMUserAttribute&) {}

void APMMeasurement::userPropertiesIncludingInternal(bool, std::function<void(const Dictionary&)> callback) {
  if (!callback) return;
  platform::dispatch::Queue::global()->async([callback = std::move(callback)] { callback(Dictionary{}); });
}

void APMMeasurement::maxUserPropertiesForOrigin(const std::string&, std::function<void(std::int64_t)> callback) {
  if (!callback) return;
  platform::dispatch::Queue::global()->async([callback = std::move(callback)] { callback(0); });
}

std::optional<std::int64_t> APMMeasurement::shouldDisableAdPersonalization() { return std::nullopt; }

void APMMeasurement::handleNonFirstOpenEventURL(const std::string&, double) {}

void APMMeasurement::installFacadeEngineAccess() {
  sdk::analytics::FacadeEngineAccess access;
  access.initializeSharedInstance = [](const std::string& appID, bool enabled, bool deactivated,
                                       const std::vector<std::string>& safelistedEvents) {
    initializeSharedInstanceWithAppID(appID, enabled, deactivated, safelistedEvents);
  };
  access.sharedInstance = []() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return sharedInstance(); };
  APMAnalytics::setEngineAccess(std::move(access));
}
