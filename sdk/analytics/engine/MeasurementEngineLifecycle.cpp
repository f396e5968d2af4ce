// The automatic reports of start-up: first open, session starts, the personalised-ads and
// advertising-ID-reset properties, the stored campaign, and the app and OS updates.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "platform/runtime/Class.h"
#include "platform/store/AdNetwork.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/engine/VersionUpdateReport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/KeychainWrapper.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;
using platform::foundation::Value;

// The keychain count of this app's first opens on the device: it outlives a reinstall.
constexpr const char* kPreviousFirstOpenItem = "_pfo";
constexpr const char* kAllowAdPersonalizationKey = "VADEZE_ANALYTICS_DEFAULT_ALLOW_AD_PERSONALIZATION_SIGNALS";
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

void handleAutomaticEvent(sdk::analytics::MeasurementEventPipeline& pipeline, const std::string& name, double timestamp,
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

// --- first open ------------------------------------------------------------------------------------

std::int64_t MeasurementEngine::timestampMillisRoundedUpToNextHour(std::int64_t milliseconds) {
  const std::int64_t hour = milliseconds / kHourMillis * kHourMillis;
  return hour > std::numeric_limits<std::int64_t>::max() - kHourMillis ? hour : hour + kHourMillis;
}

double MeasurementEngine::firstOpenTimestamp() {
  auto database = this->database();
  auto properties = database ? database->userAttributesIncludingInternal(true)
                             : MeasurementDatabase::ErrorOr<std::vector<UserAttribute>>(std::vector<UserAttribute>{});
  if (!properties) {
    sharedMonitor()->logWithLevel(LogLevel::kMonitoredError, messages::kCurrentUserPropertiesQueryFailed,
                                  "Unable to query current user properties. Error",
                                  Value(properties.error().description()));
    return 0;
  }
  if (properties->empty()) {
    sharedMonitor()->logWithLevel(LogLevel::kSilentError, messages::kFirstOpenTimestampWithoutUserProperties,
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

std::optional<Dictionary> MeasurementEngine::fileAttributesForPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  auto attributes = fileAttributesAtPath(path);
  if (!attributes) {
    sharedMonitor()->logWithLevel(LogLevel::kSilentWarning, messages::kFileAttributesReadFailed,
                                  "Unable to read attributes of path. Path, error", Value(path),
                                  Value(attributes.error().description()));
    return std::nullopt;
  }
  return std::move(attributes).value();
}

void MeasurementEngine::reportFirstOpenOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  Scheduler::checkOnBackgroundThreadWithMethodName("reportFirstOpenOnWorkerQueue");
  auto pipeline = eventPipeline();
  auto database = this->database();
  auto settings = remoteConfigInstance();
  if (!pipeline || !database || !settings) return;
  auto monitor = sharedMonitor();
  const auto opened = database->containsUserAttributeWithName("_fot");
  if (!opened.ok()) {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kFirstOpenPropertyQueryFailed,
                          "Failed to query first open property. Error", Value(opened.error().description()));
    return;
  }
  const std::string bundleID = platform::foundation::Bundle::main()->bundleIdentifier();
  const std::int64_t previousFirstOpen =
      leadingInteger(KeychainWrapper::keychainValueWithIdentifier(kPreviousFirstOpenItem, bundleID).value_or(""));
  const double initTimestamp = this->initTimestamp();

  if (*opened) {
    // A later start: remember in the keychain that this app has opened, so a reinstall can tell.
    if (previousFirstOpen < 1) (void)KeychainWrapper::upsertKeychainValue("1", kPreviousFirstOpenItem, bundleID);
    Analytics::setDeferredAnalyticsCollection(std::nullopt);
    reportSessionStartOnWorkerQueueWithTimestamp(initTimestamp, false);
    persistedConfig_->setLoadTimestampValue(std::nullopt);
    return;
  }

  // Whether this version is the first installed: an earlier version that ran analytics here left its
  // version behind; a reinstall after an open is known from the keychain.
  const std::string storedVersion = persistedConfig_->appVersion();
  const auto identity = this->identity();
  const std::string runningVersion = identity ? identity->appVersion() : std::string();
  const bool firstInstalledVersion = storedVersion.empty() || storedVersion == runningVersion;
  const std::int64_t firstVersion = previousFirstOpen >= 1 || firstInstalledVersion ? 1 : 0;

  auto& properties = pipeline->userProperties();
  const auto limits = pipeline->userPropertyLimits();
  const std::int64_t storedFirstOpen = persistedConfig_->firstOpenTimestampMilliseconds();
  properties.setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_fi", AnalyticsValue(firstVersion),
                       storedFirstOpen != 0 ? static_cast<double>(storedFirstOpen) / 1000 : initTimestamp),
      isEnabled(), limits);
  if (!confirmUserProperty(*database, "_fi", messages::kFirstOpenAfterInstallMissingAfterSet,
                           "Failed to query first open after install property after "
                           "setting it. Error",
                           messages::kFirstOpenAfterInstallSetFailed,
                           "Failed to set first open after install property")) {
    return;
  }
  const std::int64_t firstOpenMillis = NumericUtil::millisecondsFromSeconds(initTimestamp);
  properties.setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_fot", AnalyticsValue(timestampMillisRoundedUpToNextHour(firstOpenMillis)), initTimestamp),
      isEnabled(), limits);
  if (!confirmUserProperty(*database, "_fot", messages::kFirstOpenPropertyMissingAfterSet,
                           "Failed to query first open property after setting it. Error",
                           messages::kFirstOpenPropertySetFailed, "Failed to set first open property")) {
    return;
  }

  const bool efficient = settings->efficientEngagementReportingEnabled();
  Parameters parameters;
  if (const std::string previousAppID = previousVMPAppID(); !previousAppID.empty()) {
    parameters.emplace("_pvmp", AnalyticsValue(previousAppID));
  }
  parameters.emplace("_pfo", AnalyticsValue(previousFirstOpen >= 1 ? previousFirstOpen : 0));
  parameters.emplace("_uwa", AnalyticsValue(1 - firstVersion));
  if (Analytics::deferredAnalyticsCollection().value_or(false)) parameters.emplace("_dac", AnalyticsValue(std::int64_t{1}));
  if (efficient) parameters.emplace("_et", AnalyticsValue(std::int64_t{1}));
  const Parameters screen = Analytics::currentScreenParameters();
  handleAutomaticEvent(*pipeline, "_f", initTimestamp, std::move(parameters), screen);

  Analytics::setDeferredAnalyticsCollection(std::nullopt);
  persistedConfig_->setLoadTimestampValue(std::nullopt);
  // Nothing of this install can be a session still running; what looks like recent activity was left
  // by a start that ended before its first open was kept.
  startSessionOnWorkerQueueWithTimestamp(initTimestamp, false);

  if (!settings->redundantEngagementRemovalEnabled()) {
    Parameters engagement{{"_et", AnalyticsValue(std::int64_t{1})}};
    if (efficient) engagement.emplace("_fr", AnalyticsValue(std::int64_t{1}));
    handleAutomaticEvent(*pipeline, "_e", initTimestamp, std::move(engagement), screen);
  }

  persistedConfig_->setFirstOpenTimestampMilliseconds(firstOpenMillis);
  // A campaign that brought the user here sorts just before the first open it led to.
  reportStoredCampaignEventOnWorkerQueue(firstOpenMillis - 1);
  if (shouldAllowAdNetworkRegistration()) {
    platform::store::AdNetwork::registerAppForAdNetworkAttribution();
  } else {
    monitor->logWithLevel(LogLevel::kDebug, messages::kAdNetworkAttributionOptedOut,
                          "Opted out of registration for ad network attribution");
  }
}

void MeasurementEngine::reportStoredCampaignEventOnWorkerQueue(std::optional<std::int64_t> clickTimestampMillis) {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  if (auto reporter = campaigns()) reporter->reportParkedLinkOnWorkerQueue(clickTimestampMillis);
}

// --- sessions --------------------------------------------------------------------------------------

std::shared_ptr<sdk::analytics::SessionReporting> MeasurementEngine::sessionReporter() const {
  std::lock_guard lock(componentsMutex_);
  return sessionReporter_;
}

void MeasurementEngine::replaceSessionReporterOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  auto reporter = sdk::analytics::SessionReporting::create(persistedConfig_, remoteConfigInstance());
  // The app's own timeout outlives a wipe: the new reporter would otherwise fall back to the default.
  if (reporter && requestedSessionTimeout_) reporter->setTimeoutSessionInterval(*requestedSessionTimeout_);
  std::lock_guard lock(componentsMutex_);
  sessionReporter_ = std::move(reporter);
}

void MeasurementEngine::setReportersEnabled(bool enabled) {
  if (auto reporter = sessionReporter()) reporter->setReportingEnabled(enabled);
  setSearchAdReporterEnabled(enabled);
}

void MeasurementEngine::setSessionTimeoutInterval(double seconds) {
  std::weak_ptr<MeasurementEngine> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:1435", [weak, seconds] {
    auto self = weak.lock();
    if (!self) return;
    self->requestedSessionTimeout_ = seconds;
    if (auto reporter = self->sessionReporter()) reporter->setTimeoutSessionInterval(seconds);
  });
}

void MeasurementEngine::reportSessionStartOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground) {
  Scheduler::checkOnBackgroundThreadWithMethodName("reportSessionStartOnWorkerQueueWithTimestamp:appInBackground:");
  auto reporter = sessionReporter();
  if (!reporter || !reporter->isSessionExpired()) return;
  startSessionOnWorkerQueueWithTimestamp(timestamp, appInBackground);
}

void MeasurementEngine::startSessionOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground) {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  auto reporter = sessionReporter();
  auto pipeline = eventPipeline();
  auto settings = remoteConfigInstance();
  if (!reporter || !pipeline || !settings) return;
  reporter->updatePropertiesForNewSessionStart();
  // The session's number and activity reach the disk before its "_s" row can: a start killed between
  // the two would leave a stored session that the next start does not know and numbers again.
  persistedConfig_->synchronizeToDisk();
  auto& properties = pipeline->userProperties();
  const auto limits = pipeline->userPropertyLimits();
  properties.setUserAttributeOnWorkerQueue(reporter->sessionIDPropertyWithTimestamp(timestamp), isEnabled(), limits);
  properties.setUserAttributeOnWorkerQueue(reporter->sessionNumberProperty(), isEnabled(), limits);
  const bool background = appInBackground && settings->appInBackgroundParameterEnabled();
  if (auto event = sdk::analytics::sessionStartEvent(Value(persistedConfig_->sessionNumber()), background, timestamp)) {
    pipeline->handler().handleInternalEventOnWorkerQueue(*event);
  }
}

void MeasurementEngine::backfillSessionNumber() {
  auto database = this->database();
  if (!database || persistedConfig_->sessionNumber() != 0) return;
  auto aggregates = database->eventAggregatesWithName("_s");
  if (!aggregates || !*aggregates) {
    if (!aggregates) {
      sharedMonitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventAggregatesLookupFailed,
                                    "Unable to query event aggregates. Name, error", Value(eventNameForDisplay("_s")),
                                    Value(aggregates.error().description()));
    }
    return;
  }
  persistedConfig_->setSessionNumber(static_cast<std::int32_t>((*aggregates)->lifetimeCount));
}

// --- advertising properties ------------------------------------------------------------------------

std::optional<std::int64_t> MeasurementEngine::shouldDisableAdPersonalization() {
  const Value allow = persistedConfig_->allowPersonalizedAds();
  if (!allow.isNil()) return allow.toBool() ? 0 : 1;
  const Value& fallback = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(kAllowAdPersonalizationKey);
  if (fallback.isNil()) return std::nullopt;
  if (!fallback.isNumber()) return 0;
  return fallback.toBool() ? 0 : 1;
}

bool MeasurementEngine::shouldAllowAdNetworkRegistration() {
  const Value& value = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(kAdNetworkRegistrationKey);
  return value.isNumber() ? value.toBool() : true;
}

void MeasurementEngine::setPersonalizedAdsUserPropertyOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  auto pipeline = eventPipeline();
  auto database = this->database();
  if (!pipeline || !database) return;
  auto monitor = sharedMonitor();
  const auto stored = database->userAttributeWithName("_npa");
  if (!stored) {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kPersonalizedAdsPropertyReadFailed,
                          "Unable to read personalized ads user property. Error", Value(stored.error().description()));
    return;
  }
  const auto& current = *stored;
  const auto wanted = shouldDisableAdPersonalization();
  if (!current && !wanted) return;
  if (!wanted) {
    if (auto removed = database->deleteUserAttributeWithName("_npa"); removed) {
      monitor->logWithLevel(LogLevel::kMonitoredWarning, messages::kPersonalizedAdsUnsetRemovingProperty,
                            "No value set for personalized ads. Removing user property.");
    } else {
      monitor->logWithLevel(LogLevel::kMonitoredError, messages::kPersonalizedAdsPropertyRemovalFailed,
                            "Unable to remove personalized ads user property in the database. Error",
                            Value(removed.error().description()));
    }
    return;
  }
  if (current && current->value.isInt64() && current->value.int64Value() == *wanted) return;
  pipeline->userProperties().setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_npa", AnalyticsValue(*wanted), platform::foundation::Clock::current()->now()), isEnabled(),
      pipeline->userPropertyLimits());
}

void MeasurementEngine::setLastAdvertisingIDResetUserPropertyOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  auto pipeline = eventPipeline();
  auto database = this->database();
  if (!pipeline || !database) return;
  const auto hasAdvertisingID = database->containsUserAttributeWithName("_id");
  if (!hasAdvertisingID.ok() || !*hasAdvertisingID) return;
  const auto hasReset = database->containsUserAttributeWithName("_lair");
  if (!hasReset.ok() || *hasReset) return;
  pipeline->userProperties().setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_lair", AnalyticsValue(std::int64_t{1}), platform::foundation::Clock::current()->now()),
      isEnabled(), pipeline->userPropertyLimits());
  if (auto identity = this->identity()) identity->setShouldSetLastAdvertisingIDResetUserProperty(false);
}

// --- start-up --------------------------------------------------------------------------------------

void MeasurementEngine::startLifecycleReportersOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  // The start's own properties and events (a first start has a dozen) share one commit, so they
  // cost one sync instead of one each; each still rolls back alone when it fails.
  auto reportStart = [this] {
    setPersonalizedAdsUserPropertyOnWorkerQueue();
    backfillSessionNumber();
    replaceSessionReporterOnWorkerQueue();
    reportFirstOpenOnWorkerQueue();
    if (sdk::analytics::parkedCampaignLink(*UserDefaultsSuite::standardUserDefaults())) {
      reportStoredCampaignEventOnWorkerQueue(std::nullopt);
    } else {
      requestDeferredDeepLinkOnWorkerQueue();
    }
    if (auto identity = this->identity()) {
      sdk::analytics::reportVersionChange(identity->appVersion(), persistedConfig_->appVersion(),
                                          [this](const std::string& v) { persistedConfig_->setAppVersion(v); }, "_au",
                                          "_pv");
    }
    sdk::analytics::reportVersionChange(EnvironmentInfo::sharedInstance().deviceOSVersion,
                                        persistedConfig_->osVersion(),
                                        [this](const std::string& v) { persistedConfig_->setOSVersion(v); }, "_ou",
                                        "_po");
  };
  if (auto database = this->database()) {
    (void)database->performTransaction([&] {
      reportStart();
      return true;
    });
  } else {
    reportStart();
  }
  startSearchAdReporterOnWorkerQueue();
  // Rollouts are kept for the remote-configuration SDK; without it nothing would ever clear them.
  if (!persistedConfig_->featureRollouts().isNil() && !isRemoteConfigLibraryLinked()) {
    persistedConfig_->setFeatureRollouts(Value());
  }
  subscribeForAppForegroundBackgroundNotifications();
}

}  // namespace sdk::analytics

