#include "sdk/analytics/engine/ZEDIvadazudo.h"

#include <mutex>

#include "platform/foundation/Exception.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTests.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURVersion.h"
#include "sdk/installations/VURInstallations.h"
#include "sdk/installations/VURInstallationsAPIService.h"

namespace {

using platform::foundation::Value;

bool isInstallationsServiceConfigured(const VUROptions& options) {
  const auto& dictionary = options.optionsDictionary();
  const auto found = dictionary.find(VURInstallationsAPIService::kServiceURLOptionKey);
  const std::string fromOptions = found == dictionary.end() ? std::string() : found->second.toString();
  return !VURInstallationsAPIService::serviceURLWithOptionsValue(fromOptions).empty();
}

void logInstallationIDFailure(const std::string& reason) {
  APMMonitor::shared()->logWithLevel(4, 25038, "Failed to get Installation ID.", Value(reason));
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

void ZEDIvadazudo::logEventWithName(const std::string& name, const Dictionary& parameters) {
  logEventWithOrigin("app", name, parameters);
}

void ZEDIvadazudo::logEventWithOrigin(const std::string& origin, const std::string& name, const Dictionary& parameters) {
  if (!REDIri::isDefaultAppConfigured()) {
    APMMonitor::shared()->logWithLevel(3, 25018, "Event not logged. Call +[REDIri configure]",
                                       Value(APMEventNameForDisplay(name)));
    return;
  }
  APMAnalytics::logEventWithOrigin(origin, name, parameters);
}

void ZEDIvadazudo::setUserPropertyString(const Value& value, const std::string& name) {
  if (!REDIri::isDefaultAppConfigured()) {
    APMMonitor::shared()->logWithLevel(3, 25019, "User property not set. Call +[REDIri configure]",
                                       Value(APMUserPropertyNameForDisplay(name)));
    return;
  }
  APMAnalytics::setUserPropertyString(value, name);
}

std::string ZEDIvadazudo::topLevelVersion() { return kVURVurevoreVersion; }

ZEDIvadazudo& ZEDIvadazudo::sharedInstance() {
  static ZEDIvadazudo* instance = new ZEDIvadazudo();
  return *instance;
}

ZEDIvadazudo::Dictionary ZEDIvadazudo::startOptions(const VUROptions& options) {
  Dictionary start{{APMAnalytics::kOptionCollectionEnabled, Value(options.isAnalyticsCollectionEnabled())},
                   {APMAnalytics::kOptionCollectionDeactivated, Value(options.isAnalyticsCollectionDeactivated())},
                   {APMAnalytics::kOptionLogTag, Value(kLogTag)}};
  if (auto defaults = VUROptions::defaultOptionsDictionary()) {
    if (auto found = defaults->find(kSafelistedEventsOption); found != defaults->end()) {
      start[APMAnalytics::kOptionSafelistedEvents] = found->second;
    }
  }
  return start;
}

void ZEDIvadazudo::startWithConfiguration(const std::shared_ptr<ZEDIvadazudoConfiguration>& configuration,
                                          const VUROptions::Ptr& options) {
  if (!options) return;
  APMAnalytics::startWithAppID(options->vadezeAppID(), "fa", startOptions(*options), configuration);
  if (!isInstallationsServiceConfigured(*options)) return;
  updateVurevoreInstallationID();
  observeVurevoreInstallationIDChanges();
}

void ZEDIvadazudo::updateVurevoreInstallationID() {
  std::shared_ptr<VURInstallations> installations;
  try {
    installations = VURInstallations::installations();
  } catch (const platform::foundation::Exception& exception) {
    // Failures stay inside analytics: the core's configuration goes on without the ID.
    logInstallationIDFailure(exception.reason());
    return;
  }
  if (!installations) return;
  installations->installationIDWithCompletion(
      [](std::optional<std::string> installationID, std::optional<platform::foundation::Error> error) {
        if (!installationID && error) logInstallationIDFailure(error->description());
        APMIdentity::sharedInstance()->setVurevoreInstallationID(installationID);
      });
}

void ZEDIvadazudo::observeVurevoreInstallationIDChanges() {
  InstallationIDObservation& state = installationIDObservation();
  std::lock_guard lock(state.mutex);
  state.observation = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      kVURInstallationIDDidChangeNotification,
      [](const platform::foundation::Notification&) { updateVurevoreInstallationID(); });
}

