#include "sdk/analytics/engine/LifecycleEvents.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Check.h"
#include "platform/runtime/Class.h"
#include "platform/store/AdNetwork.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/SearchAdReporting.h"
#include "sdk/analytics/engine/VersionUpdateReport.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/KeychainWrapper.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// The keychain count of this app's first opens on the device: it outlives a reinstall.
constexpr const char* kPreviousFirstOpenItem = "_pfo";
constexpr const char* kAdNetworkRegistrationKey = "VADEZE_ANALYTICS_REGISTRATION_WITH_AD_NETWORK_ENABLED";
constexpr std::int64_t kHourMillis = 3'600'000;

// The whole number a keychain text starts with (after blanks and a sign); 0 when it has none.
std::int64_t leadingInteger(const std::string& text) {
  errno = 0;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  return errno == ERANGE ? (value < 0 ? std::numeric_limits<std::int64_t>::min()
                                      : std::numeric_limits<std::int64_t>::max())
                         : value;
}

void handleAutomaticEvent(MeasurementEventPipeline& pipeline, const std::string& name, double timestamp,
                          Parameters parameters, const Parameters& screen) {
  auto event = AnalyticsEvent::create("auto", false, name, timestamp, 0, std::move(parameters));
  if (!event) return;
  event->addScreenParameters(screen);
  pipeline.handler().handleInternalEventOnWorkerQueue(*event);
}

// After a property was set: whether the database now holds it, logging why not.
bool confirmUserProperty(MeasurementDatabase& database, const std::string& name, std::int64_t queryCode,
                         const char* queryMessage, std::int64_t missingCode, const char* missingMessage) {
  auto exists = database.containsUserAttributeWithName(name);
  if (!exists.ok()) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, queryCode, queryMessage,
                                    Value(exists.error().description()));
    return false;
  }
  if (!*exists) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, missingCode, missingMessage);
    return false;
  }
  return true;
}

bool isRemoteConfigLibraryLinked() { return platform::runtime::Class::named("DORUduzodEzadov") != nullptr; }

}  // namespace

// --- start-up --------------------------------------------------------------------------------------

void LifecycleEvents::startLifecycleReportersOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "startLifecycleReportersOnWorkerQueue");
  // The start's own properties and events (a first start has a dozen) share one commit, so they
  // cost one sync instead of one each; each still rolls back alone when it fails.
  if (auto database = engine_.database()) {
    (void)database->performTransaction([&] {
      reportStartOnWorkerQueue();
      return true;
    });
  } else {
    reportStartOnWorkerQueue();
  }
  startSearchAdReporterOnWorkerQueue();
  auto persistedConfig = engine_.persistedConfig();
  // Rollouts are kept for the remote-configuration SDK; without it nothing would ever clear them.
  if (!persistedConfig->featureRollouts().isNil() && !isRemoteConfigLibraryLinked()) {
    persistedConfig->setFeatureRollouts(Value());
  }
  engine_.appState().subscribeForAppForegroundBackgroundNotifications();
}

void LifecycleEvents::reportStartOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "reportStartOnWorkerQueue");
  auto persistedConfig = engine_.persistedConfig();
  engine_.advertising().setPersonalizedAdsUserPropertyOnWorkerQueue();
  engine_.sessions().backfillSessionNumber();
  engine_.sessions().replaceSessionReporterOnWorkerQueue();
  reportFirstOpenOnWorkerQueue();
  if (sdk::analytics::parkedCampaignLink(*UserDefaultsSuite::standardUserDefaults())) {
    reportStoredCampaignEventOnWorkerQueue(std::nullopt);
  } else {
    requestDeferredDeepLinkOnWorkerQueue();
  }
  if (auto identity = engine_.components().identity()) {
    sdk::analytics::reportVersionChange(
        identity->appVersion(), persistedConfig->appVersion(),
        [persistedConfig](const std::string& v) { persistedConfig->setAppVersion(v); }, "_au", "_pv");
  }
  sdk::analytics::reportVersionChange(EnvironmentInfo::sharedInstance().deviceOSVersion, persistedConfig->osVersion(),
                                      [persistedConfig](const std::string& v) { persistedConfig->setOSVersion(v); },
                                      "_ou", "_po");
}

void LifecycleEvents::startSearchAdReporterOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "startSearchAdReporterOnWorkerQueue");
  auto searchAds = SearchAdReporting::create(engine_.scheduler()->workerQueue(), engine_.persistedConfig());
  engine_.components().setSearchAdReporter(searchAds);
  if (searchAds) {
    searchAds->setSearchAdReporterEnabled(true);
    searchAds->start();
  }
}

void LifecycleEvents::requestDeferredDeepLinkOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "requestDeferredDeepLinkOnWorkerQueue");
  if (auto reporter = engine_.campaigns()) reporter->requestDeferredDeepLinkIfAllowedOnWorkerQueue();
}

void LifecycleEvents::reportStoredCampaignEventOnWorkerQueue(std::optional<std::int64_t> clickTimestampMillis) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "reportStoredCampaignEventOnWorkerQueue");
  if (auto reporter = engine_.campaigns()) reporter->reportParkedLinkOnWorkerQueue(clickTimestampMillis);
}

// --- first open ------------------------------------------------------------------------------------

std::int64_t LifecycleEvents::timestampMillisRoundedUpToNextHour(std::int64_t milliseconds) {
  const std::int64_t hour = milliseconds / kHourMillis * kHourMillis;
  return hour > std::numeric_limits<std::int64_t>::max() - kHourMillis ? hour : hour + kHourMillis;
}

double LifecycleEvents::firstOpenTimestamp() {
  auto database = engine_.database();
  auto properties = database ? database->userAttributesIncludingInternal(true)
                             : MeasurementDatabase::ErrorOr<std::vector<UserAttribute>>(std::vector<UserAttribute>{});
  if (!properties) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kCurrentUserPropertiesQueryFailed,
                                  "Unable to query current user properties. Error",
                                  Value(properties.error().description()));
    return 0;
  }
  if (properties->empty()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kFirstOpenTimestampWithoutUserProperties,
                                  "Cannot extract first open timestamp. Empty user properties");
    return 0;
  }
  const auto firstOpen = std::find_if(properties->begin(), properties->end(),
                                      [](const UserAttribute& property) { return property.name == "_fot"; });
  if (firstOpen != properties->end()) return firstOpen->lastSetTimestamp;
  return std::min_element(properties->begin(), properties->end(),
                          [](const UserAttribute& a, const UserAttribute& b) {
                            return a.lastSetTimestamp < b.lastSetTimestamp;
                          })
      ->lastSetTimestamp;
}

std::optional<Dictionary> LifecycleEvents::fileAttributesForPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  auto attributes = fileAttributesAtPath(path);
  if (!attributes) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kFileAttributesReadFailed,
                                  "Unable to read attributes of path. Path, error", Value(path),
                                  Value(attributes.error().description()));
    return std::nullopt;
  }
  return std::move(attributes).value();
}

bool LifecycleEvents::shouldAllowAdNetworkRegistration() {
  const Value& value = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(kAdNetworkRegistrationKey);
  return value.isNumber() ? value.toBool() : true;
}

void LifecycleEvents::reportFirstOpenOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "reportFirstOpenOnWorkerQueue");
  auto pipeline = engine_.components().pipeline();
  auto database = engine_.database();
  auto settings = engine_.components().remoteConfig();
  if (!pipeline || !database || !settings) return;
  const auto opened = database->containsUserAttributeWithName("_fot");
  if (!opened.ok()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kFirstOpenPropertyQueryFailed,
                                                     "Failed to query first open property. Error",
                                                     Value(opened.error().description()));
    return;
  }
  const std::string bundleID = platform::foundation::Bundle::main()->bundleIdentifier();
  const std::int64_t previousFirstOpen =
      leadingInteger(KeychainWrapper::keychainValueWithIdentifier(kPreviousFirstOpenItem, bundleID).value_or(""));
  const double initTimestamp = engine_.initTimestamp();

  if (*opened) {
    // A later start: remember in the keychain that this app has opened, so a reinstall can tell.
    if (previousFirstOpen < 1) (void)KeychainWrapper::upsertKeychainValue("1", kPreviousFirstOpenItem, bundleID);
    FacadeDefaults::setDeferredAnalyticsCollection(std::nullopt);
    engine_.sessions().reportSessionStartOnWorkerQueueWithTimestamp(initTimestamp, false);
    engine_.persistedConfig()->setLoadTimestampValue(std::nullopt);
    return;
  }
  const auto first = setFirstOpenPropertiesOnWorkerQueue(*pipeline, *database, previousFirstOpen, initTimestamp);
  if (first) logFirstOpenOnWorkerQueue(*pipeline, *settings, *first, previousFirstOpen, initTimestamp);
}

std::optional<LifecycleEvents::FirstOpen> LifecycleEvents::setFirstOpenPropertiesOnWorkerQueue(
    MeasurementEventPipeline& pipeline, MeasurementDatabase& database, std::int64_t previousFirstOpen,
    double initTimestamp) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "setFirstOpenPropertiesOnWorkerQueue");
  auto persistedConfig = engine_.persistedConfig();
  // Whether this version is the first installed: an earlier version that ran analytics here left its
  // version behind; a reinstall after an open is known from the keychain.
  const std::string storedVersion = persistedConfig->appVersion();
  const auto identity = engine_.components().identity();
  const std::string runningVersion = identity ? identity->appVersion() : std::string();
  const bool firstInstalledVersion = storedVersion.empty() || storedVersion == runningVersion;
  FirstOpen first;
  first.firstVersion = previousFirstOpen >= 1 || firstInstalledVersion ? 1 : 0;

  auto& properties = pipeline.userProperties();
  const auto limits = pipeline.userPropertyLimits();
  const std::int64_t storedFirstOpen = persistedConfig->firstOpenTimestampMilliseconds();
  properties.setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_fi", AnalyticsValue(first.firstVersion),
                    storedFirstOpen != 0 ? static_cast<double>(storedFirstOpen) / 1000 : initTimestamp),
      engine_.isEnabled(), limits);
  if (!confirmUserProperty(database, "_fi", messages::kFirstOpenAfterInstallMissingAfterSet,
                           "Failed to query first open after install property after "
                           "setting it. Error",
                           messages::kFirstOpenAfterInstallSetFailed,
                           "Failed to set first open after install property")) {
    return std::nullopt;
  }
  first.firstOpenMillis = NumericUtil::millisecondsFromSeconds(initTimestamp);
  properties.setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_fot", AnalyticsValue(timestampMillisRoundedUpToNextHour(first.firstOpenMillis)),
                    initTimestamp),
      engine_.isEnabled(), limits);
  if (!confirmUserProperty(database, "_fot", messages::kFirstOpenPropertyMissingAfterSet,
                           "Failed to query first open property after setting it. Error",
                           messages::kFirstOpenPropertySetFailed, "Failed to set first open property")) {
    return std::nullopt;
  }
  return first;
}

void LifecycleEvents::logFirstOpenOnWorkerQueue(MeasurementEventPipeline& pipeline, RemoteConfig& settings,
                                                const FirstOpen& first, std::int64_t previousFirstOpen,
                                                double initTimestamp) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "logFirstOpenOnWorkerQueue");
  const bool efficient = settings.efficientEngagementReportingEnabled();
  Parameters parameters;
  if (const std::string previousAppID = engine_.dataWipe().previousVMPAppID(); !previousAppID.empty()) {
    parameters.emplace("_pvmp", AnalyticsValue(previousAppID));
  }
  parameters.emplace("_pfo", AnalyticsValue(previousFirstOpen >= 1 ? previousFirstOpen : 0));
  parameters.emplace("_uwa", AnalyticsValue(1 - first.firstVersion));
  if (FacadeDefaults::deferredAnalyticsCollection().value_or(false)) {
    parameters.emplace("_dac", AnalyticsValue(std::int64_t{1}));
  }
  if (efficient) parameters.emplace("_et", AnalyticsValue(std::int64_t{1}));
  const Parameters screen = Analytics::currentScreenParameters();
  handleAutomaticEvent(pipeline, "_f", initTimestamp, std::move(parameters), screen);

  auto persistedConfig = engine_.persistedConfig();
  FacadeDefaults::setDeferredAnalyticsCollection(std::nullopt);
  persistedConfig->setLoadTimestampValue(std::nullopt);
  // Nothing of this install can be a session still running; what looks like recent activity was left
  // by a start that ended before its first open was kept.
  engine_.sessions().startSessionOnWorkerQueueWithTimestamp(initTimestamp, false);

  if (!settings.redundantEngagementRemovalEnabled()) {
    Parameters engagement{{"_et", AnalyticsValue(std::int64_t{1})}};
    if (efficient) engagement.emplace("_fr", AnalyticsValue(std::int64_t{1}));
    handleAutomaticEvent(pipeline, "_e", initTimestamp, std::move(engagement), screen);
  }

  persistedConfig->setFirstOpenTimestampMilliseconds(first.firstOpenMillis);
  // A campaign that brought the user here sorts just before the first open it led to.
  reportStoredCampaignEventOnWorkerQueue(first.firstOpenMillis - 1);
  if (shouldAllowAdNetworkRegistration()) {
    platform::store::AdNetwork::registerAppForAdNetworkAttribution();
  } else {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kAdNetworkAttributionOptedOut,
                                                     "Opted out of registration for ad network attribution");
  }
}

}  // namespace sdk::analytics
