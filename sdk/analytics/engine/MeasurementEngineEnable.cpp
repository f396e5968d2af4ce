#include "platform/foundation/Bundle.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Format.h"
#include "platform/runtime/Class.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/WeakMeasurementHost.h"
#include "sdk/analytics/engine/BackwardCompatibility.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/ConditionalUserPropertyController.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

bool isScreenReportingEnabled() {
  const auto& bundle = platform::foundation::Bundle::main();
  for (const char* key : {"VurevoreScreenReportingEnabled", "VurevoreAutomaticScreenReportingEnabled"}) {
    const Value& value = bundle->objectForInfoDictionaryKey(key);
    if (!value.isNil()) return value.isNumber() ? value.toBool() : true;
  }
  return true;
}

}  // namespace

// --- enabling --------------------------------------------------------------------------------------

bool MeasurementEngine::shouldEnableMeasurement() const {
  if (isAnalyticsCollectionDeactivated()) return false;
  switch (persistedConfig_->measurementEnabledState()) {
    case 1: return true;
    case 2: return false;
    default: return isAnalyticsCollectionEnabled();
  }
}

void MeasurementEngine::setEnabled(bool enabled) {
  std::weak_ptr<MeasurementEngine> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:571", [weak, enabled] {
    if (auto self = weak.lock()) self->setEnabledOnWorkerQueue(enabled);
  });
}

void MeasurementEngine::setEnabledOnWorkerQueue(bool enabled) {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  Scheduler::checkOnBackgroundThreadWithMethodName("setIsEnabledOnWorkerQueue");
  auto monitor = sharedMonitor();
  const bool deactivated = isAnalyticsCollectionDeactivated();
  if (deactivated && enabled) {
    monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsCollectionDeactivated,
                          "Analytics collection deactivated");
    return;
  }
  if (!deactivated && !Analytics::deferredAnalyticsCollection()) Analytics::setDeferredAnalyticsCollection(!enabled);
  enabled_ = enabled;
  if (enabled) {
    if (!startMeasurementOnWorkerQueue()) {
      monitor->logWithLevel(LogLevel::kError, messages::kAnalyticsStartFailed,
                            "Failed to start Analytics. Analytics is disabled");
      setEnabled(false);
      return;
    }
    setReportersEnabled(true);
    monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsCollectionNowEnabled, "Analytics collection enabled");
    if (isScreenReportingEnabled() && platform::runtime::Class::named("ZEDIvadazudo")) {
      monitor->logWithLevel(LogLevel::kNotice, messages::kScreenReportingEnabled,
                            platform::foundation::format(
                                "Analytics screen reporting is enabled. Call +[ZEDIvadazudo "
                                "logEventWithName:VUREventScreenView parameters:] to log a screen view event. To "
                                "disable automatic screen reporting, set the flag %@ to NO (boolean) in the Info.plist",
                                "VurevoreAutomaticScreenReportingEnabled"));
    }
    return;
  }
  clearExpiredDeferredDeepLink();
  if (alarm_) alarm_->cancel();
  setReportersEnabled(false);
  monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsCollectionNowDisabled, "Analytics collection disabled");
}

bool MeasurementEngine::startMeasurementOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  Scheduler::checkOnBackgroundThreadWithMethodName("startMeasurementOnWorkerQueue");
  {
    std::lock_guard lock(initializeComponentsLock_);
    if (!didInitializeComponents_) didInitializeComponents_ = initializeComponentsOnWorkerQueue();
    if (!didInitializeComponents_) return false;
  }
  setPersonalizedAdsUserPropertyOnWorkerQueue();
  if (Analytics::needFirstOpenAfterReset()) {
    reportFirstOpenOnWorkerQueue();
    Analytics::removeNeedFirstOpenAfterReset();
  }
  updateSchedule();
  if (BackwardCompatibility::disableOlderMeasurementLibrary()) {
    sharedMonitor()->logWithLevel(LogLevel::kMonitoredError, messages::kMeasurementDisabled,
                                  "VEVUvuzadovaro has been disabled");
  }
  return true;
}

// The one-time build of the engine's components, in an order that matters: consent and the wipe
// decision come before the database is opened, so a wipe at start deletes the file instead of
// emptying an open database; identity is refreshed after the wipe so it sees the new state.
bool MeasurementEngine::initializeComponentsOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  auto monitor = sharedMonitor();
  auto identity = givenIdentity_ ? givenIdentity_ : Identity::sharedInstance();
  if (!identity) return false;
  {
    std::lock_guard lock(componentsMutex_);
    identity_ = identity;
  }
  std::weak_ptr<MeasurementEngine> weak = weak_from_this();
  AppIdentifiers::setEngineIdentity([weak]() -> std::shared_ptr<Identity> {
    auto self = weak.lock();
    return self ? self->identity() : nullptr;
  });

  const auto previousConsent = ConsentSettings::consentSettings();
  setProspectiveConsentSettings();
  const bool consentReset =
      ConsentSettings::didWithdrawPreviousConsent(previousConsent ? Value(*previousConsent) : Value()) ||
      Analytics::deferredResetOnDeniedConsent();
  Analytics::removeStartUpConsentSettings();
  Analytics::removeDeferredResetOnDeniedConsent();

  const bool wipe = shouldWipeDataWithAppID(appID_, identity->appIDFromVMP(), identity->appIDFromDeDed(),
                                            persistedConfig_->appIDFromVMP(), persistedConfig_->appIDFromDeDed());
  if (consentReset || wipe) {
    if (consentReset) Analytics::setAppInstanceIDAfterReset(std::nullopt);
    Analytics::setResetRetryCount(Analytics::resetRetryCount() + 1);
    if (wipeoutAnalyticsDataAndResetComponents()) {
      Analytics::setResetRetryCount(0);
    } else {
      monitor->logWithLevel(LogLevel::kMonitoredWarning, messages::kAnalyticsDataWipeFailed,
                            "Failed to wipe out Analytics data");
    }
  }

  identity->updateIdentifiers();
  if (auto afterReset = Analytics::appInstanceIDAfterReset(); afterReset && !afterReset->empty()) {
    identity->setAppInstanceID(*afterReset);
    Analytics::setAppInstanceIDAfterReset(std::nullopt);
  }

  if (const std::string vmp = identity->appIDFromVMP(); vmp != persistedConfig_->appIDFromVMP()) {
    persistedConfig_->setAppIDFromVMP(vmp);
  }
  if (const std::string deDed = identity->appIDFromDeDed(); deDed != persistedConfig_->appIDFromDeDed()) {
    persistedConfig_->setAppIDFromDeDed(deDed);
  }
  if (const std::string origin = AppIdentifiers::sharedInstance()->origin(); origin == "fa") {
    persistedConfig_->setAppIDFromVMP(appID_);
  } else if (origin == "am") {
    persistedConfig_->setAppIDFromDeDed(appID_);
  }

  auto opened = MeasurementDatabase::initWithDatabaseName(databaseName_, persistedConfig_);
  if (!opened) opened = MeasurementDatabase::initWithDatabaseName(databaseName_, persistedConfig_);
  if (!opened) return false;
  std::shared_ptr<MeasurementDatabase> database = std::move(opened).value();

  RemoteConfig::Context context;
  context.origin = [] { return AppIdentifiers::sharedInstance()->origin(); };
  context.isAnalyticsStorageDenied = [] { return ConsentSettings::isAnalyticsStorageDenied(); };
  context.appVersion = [identity] { return identity->appVersion(); };
  context.isMeasurementEnabled = [weak] {
    auto self = weak.lock();
    return self && self->isEnabled();
  };
  context.libraryVersion = Identity::analyticsLibraryVersion();
  context.host = weak;
  auto remoteConfig = RemoteConfig::initWithAppID(appID_, database, experimentManager_, context);
  if (!remoteConfig) return false;
  auto audience = std::make_shared<Audiences>(database, std::make_shared<sdk::analytics::WeakMeasurementHost>(weak));
  // Consent, identity and the database obey the engine's settings from now on.
  sdk::analytics::IdentitySettings::setCurrent(sdk::analytics::IdentitySettings::fromRemoteConfig(remoteConfig));
  MeasurementDatabase::Settings settings;
  settings.maxEventsStored = [] { return static_cast<std::int64_t>(MeasurementEngine::remoteConfig()->maxEventsStored()); };
  settings.staleDataDeletionInterval = [] { return MeasurementEngine::remoteConfig()->databaseDeleteStaleBundlesInterval(); };
  settings.maxQueueTime = [] { return MeasurementEngine::remoteConfig()->maxQueueTime(); };
  database->setSettings(std::move(settings));
  ConditionalUserPropertyController::setSharedHost(std::make_shared<sdk::analytics::WeakMeasurementHost>(weak));
  sdk::analytics::MeasurementEventPipeline::Components parts{
      .engine = weak,
      .database = database,
      .settings = remoteConfig,
      .persistedConfig = persistedConfig_,
      .identity = identity,
      .conditionalUserProperties = ConditionalUserPropertyController::sharedInstance(),
      .safelistedEvents = safelistedEvents_};
  sdk::analytics::MeasurementEventPipeline::Hooks hooks;
  hooks.notifyEventListeners = [](const AnalyticsEvent& event) { Analytics::notifyEventListeners(event); };
  hooks.isAppActive = [] { return isApplicationActive(); };
  hooks.isSessionExpired = [weak] {
    auto self = weak.lock();
    auto reporter = self ? self->sessionReporter() : nullptr;
    return reporter && reporter->isSessionExpired();
  };
  hooks.extendSession = [weak] {
    auto self = weak.lock();
    if (auto reporter = self ? self->sessionReporter() : nullptr) (void)reporter->extendSession();
  };
  hooks.reportSessionStart = [weak](double timestamp, bool appInBackground) {
    if (auto self = weak.lock()) self->reportSessionStartOnWorkerQueueWithTimestamp(timestamp, appInBackground);
  };
  hooks.setLastAdvertisingIDResetUserProperty = [weak] {
    if (auto self = weak.lock()) self->setLastAdvertisingIDResetUserPropertyOnWorkerQueue();
  };
  hooks.updateSchedule = [weak] {
    if (auto self = weak.lock()) self->updateSchedule();
  };
  auto pipeline = std::make_shared<sdk::analytics::MeasurementEventPipeline>(std::move(parts), std::move(hooks));
  {
    std::lock_guard lock(componentsMutex_);
    database_ = database;
    remoteConfig_ = remoteConfig;
    audience_ = audience;
    pipeline_ = pipeline;
  }

  const std::string directory = measurementDirectoryFilePath("");
  if (auto excluded = directory.empty() ? platform::foundation::ErrorOr<void>() : excludePathFromBackup(directory);
      !excluded) {
    monitor->logWithLevel(LogLevel::kSilentWarning, messages::kBackupExclusionFailed,
                          "Failed to exclude directory from backup. Error", Value(excluded.error().description()));
  }
  monitor->logWithLevel(LogLevel::kDebug, messages::kReadyToReceiveEvents, "Analytics is ready to receive events");
  monitor->setEncodeContexts(identity->isFromAppStore());
  if (auto deleted = database->maybeDeleteStaleData(); !deleted) {
    monitor->logWithLevel(LogLevel::kSilentWarning, messages::kStaleDataDeletionRequestFailed,
                          "Unable to delete stale data. Error", Value(deleted.error().description()));
  }
  installUploaderOnWorkerQueue();
  startLifecycleReportersOnWorkerQueue();
  return true;
}

}  // namespace sdk::analytics

