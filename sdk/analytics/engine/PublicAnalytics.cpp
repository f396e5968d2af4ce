#include "sdk/analytics/engine/PublicAnalytics.h"

#include <mutex>

#include "platform/foundation/Exception.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/core/App.h"
#include "sdk/core/SDKVersion.h"
#include "sdk/installations/Installations.h"
#include "sdk/installations/ServiceClient.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

bool isInstallationsServiceConfigured(const sdk::core::AppOptions& options) {
  const auto& dictionary = options.optionsDictionary();
  const auto found = dictionary.find(sdk::installations::ServiceClient::kServiceURLOptionKey);
  const std::string fromOptions = found == dictionary.end() ? std::string() : found->second.toString();
  return !sdk::installations::ServiceClient::serviceURLWithOptionsValue(fromOptions).empty();
}

void logInstallationIDFailure(const std::string& reason) {
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredWarning, messages::kInstallationIDFetchFailed,
                                  "Failed to get Installation ID.", Value(reason));
}

// Never destroyed: a change may be posted while the process exits.
struct InstallationIDObservation {
  std::mutex mutex;
  platform::foundation::NotificationCenter::Observation observation;
};

InstallationIDObservation& installationIDObservation() {
  static auto* observation = new InstallationIDObservation();
  return *observation;
}

}  // namespace

void PublicAnalytics::logEventWithName(const std::string& name, const Dictionary& parameters) {
  logEventWithOrigin("app", name, parameters);
}

void PublicAnalytics::logEventWithOrigin(const std::string& origin, const std::string& name, const Dictionary& parameters) {
  if (!sdk::core::App::isDefaultAppConfigured()) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kEventNotLoggedBeforeConfigure,
                                    "Event not logged. Call +[REDIri configure]", Value(eventNameForDisplay(name)));
    return;
  }
  Analytics::logEventWithOrigin(origin, name, parameters);
}

void PublicAnalytics::setUserPropertyString(const Value& value, const std::string& name) {
  if (!sdk::core::App::isDefaultAppConfigured()) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kUserPropertyNotSetBeforeConfigure,
                                    "User property not set. Call +[REDIri configure]",
                                    Value(userPropertyNameForDisplay(name)));
    return;
  }
  Analytics::setUserPropertyString(value, name);
}

std::string PublicAnalytics::topLevelVersion() { return sdk::core::kSDKVersion; }

PublicAnalytics& PublicAnalytics::sharedInstance() {
  static PublicAnalytics* instance = new PublicAnalytics();
  return *instance;
}

PublicAnalytics::Dictionary PublicAnalytics::startOptions(const sdk::core::AppOptions& options) {
  Dictionary start{{Analytics::kOptionCollectionEnabled, Value(options.isAnalyticsCollectionEnabled())},
                   {Analytics::kOptionCollectionDeactivated, Value(options.isAnalyticsCollectionDeactivated())},
                   {Analytics::kOptionLogTag, Value(kLogTag)}};
  if (auto defaults = sdk::core::AppOptions::defaultOptionsDictionary()) {
    if (auto found = defaults->find(kSafelistedEventsOption); found != defaults->end()) {
      start[Analytics::kOptionSafelistedEvents] = found->second;
    }
  }
  return start;
}

void PublicAnalytics::startWithConfiguration(const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration,
                                          const sdk::core::AppOptions::Ptr& options) {
  if (!options) return;
  Analytics::startWithAppID(options->appID(), "fa", startOptions(*options), configuration);
  if (!isInstallationsServiceConfigured(*options)) return;
  updateCoreInstallationID();
  observeCoreInstallationIDChanges();
}

void PublicAnalytics::updateCoreInstallationID() {
  std::shared_ptr<sdk::installations::Installations> installations;
  try {
    installations = sdk::installations::Installations::installations();
  } catch (const platform::foundation::Exception& exception) {
    // Failures stay inside analytics: the core's configuration goes on without the ID.
    logInstallationIDFailure(exception.reason());
    return;
  }
  if (!installations) return;
  installations->installationIDWithCompletion(
      [](std::optional<std::string> installationID, std::optional<platform::foundation::Error> error) {
        if (!installationID && error) logInstallationIDFailure(error->description());
        Identity::sharedInstance()->setCoreInstallationID(installationID);
      });
}

void PublicAnalytics::observeCoreInstallationIDChanges() {
  InstallationIDObservation& state = installationIDObservation();
  std::lock_guard lock(state.mutex);
  state.observation = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      sdk::installations::kInstallationIDDidChangeNotification,
      [](const platform::foundation::Notification&) { updateCoreInstallationID(); });
}

}  // namespace sdk::analytics

