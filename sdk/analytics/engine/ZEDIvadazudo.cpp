#include "sdk/analytics/engine/ZEDIvadazudo.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTests.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURVersion.h"

namespace {

using platform::foundation::Value;

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
}

