#include "sdk/analytics/engine/AnalyticsDataWipe.h"

#include "platform/runtime/Class.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using Consent = ConsentSettings;

bool nonEmpty(const std::optional<Dictionary>& settings) { return settings && !settings->empty(); }

}  // namespace

void AnalyticsDataWipe::setProspectiveConsentSettings() {
  std::int64_t source = Consent::consentSource();
  std::optional<Dictionary> settings = Consent::consentSettings();
  const std::optional<Dictionary> atStart = FacadeDefaults::consentSettings1PStart();
  if (MeasurementEngine::remoteConfig()->isConsentSettings3PEnabled()) {
    const std::optional<Dictionary> publicSettings = FacadeDefaults::consentSettings3P();
    const Dictionary fromPlist = Consent::consentSettingsFromPlist();
    if (!fromPlist.empty() && Consent::isConsentSourceHigherPriority(Consent::kSourcePublicStored)) {
      settings = fromPlist;
      source = Consent::kSourcePublicStored;
    } else if (platform::runtime::Class::named("ZEDIvadazudo") &&
               (source == Consent::kSourceInternalStored || source == Consent::kSourceInternal)) {
      // With the public interface linked, consent the internal entry left behind gives way.
      FacadeDefaults::clearConsent();
      settings.reset();
      source = Consent::kSourcePublic;
    } else if (nonEmpty(atStart) && Consent::isConsentSourceHigherPriority(Consent::kSourceInternalStored)) {
      settings = atStart;
      source = Consent::kSourceInternalStored;
    } else {
      settings = publicSettings;
      source = Consent::kSourcePublic;
    }
  } else if (nonEmpty(atStart) && Consent::isConsentSourceHigherPriority(Consent::kSourceInternalStored)) {
    settings = atStart;
    source = Consent::kSourceInternalStored;
  }
  if (nonEmpty(settings) && Consent::isConsentSourceHigherPriority(source)) {
    Consent::setConsentSettings(settings);
    Consent::setConsentSource(source);
    FacadeDefaults::persistConsentSettings(settings, source);
  }
}

bool AnalyticsDataWipe::shouldWipeDataWithAppID(const std::string& appID, const std::string& appIDFromVMP,
                                                const std::string& appIDFromDeDed,
                                                const std::string& persistedAppIDFromVMP,
                                                const std::string& persistedAppIDFromDeDed) {
  // A wipe that failed at an earlier start is tried again, nine times at most; after that only the
  // app IDs decide.
  if (const std::int64_t retries = FacadeDefaults::resetRetryCount(); retries >= 1 && retries <= 9) return true;
  const std::string& a = appID;
  const std::string& G = appIDFromVMP;
  const std::string& M = appIDFromDeDed;
  const std::string& PG = persistedAppIDFromVMP;
  const std::string& PM = persistedAppIDFromDeDed;
  if (!PG.empty() && !G.empty()) return PG != G;
  if (PG.empty() && !PM.empty() && M.empty() && !G.empty()) return true;
  if (PG.empty() && !PM.empty() && !M.empty() && !G.empty() && PM != M) return true;
  if (PM.empty() && G.empty() && !PG.empty() && !M.empty() && !a.empty()) return true;
  if (!G.empty() || PM.empty()) return false;
  return !a.empty() && a != PM;
}

bool AnalyticsDataWipe::wipeoutAnalyticsDataAndResetComponents() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "wipeoutAnalyticsDataAndResetComponents");
  auto monitor = MeasurementEngine::sharedMonitor();
  monitor->logWithLevel(LogLevel::kNotice, messages::kMeasurementDataResetting, "Resetting App Measurement data");
  auto persistedConfig = engine_.persistedConfig();
  {
    std::lock_guard lock(mutex_);
    previousVMPAppID_ = persistedConfig->appIDFromVMP();
  }
  persistedConfig->clearValues();
  monitor->clearMonitoringData();
  if (auto database = engine_.database()) {
    if (auto result = database->reset(); !result) {
      monitor->logWithLevel(LogLevel::kMonitoredError, messages::kDatabaseResetOnWipeFailed, "Failed to reset database",
                            Value(result.error().description()));
      return false;
    }
    // SQLite hands the emptied queue's row IDs to new bundles: an upload still out must not delete them.
    if (auto uploader = engine_.components().uploader()) uploader->dataWasWiped();
    if (auto config = engine_.components().remoteConfig()) config->reset();
    engine_.sessions().replaceSessionReporterOnWorkerQueue();
    if (auto reporter = engine_.sessions().sessionReporter()) reporter->setReportingEnabled(engine_.isEnabled());
  } else {
    // Before the database is opened the wipe deletes its file. A file that is not there (a first
    // start) is wiped already; any other failure leaves the data in place and must say so, or the
    // withdrawn data would be uploaded later.
    const std::string path = measurementDirectoryFilePath(engine_.databaseName());
    auto deleted = path.empty() ? platform::foundation::ErrorOr<void>() : deleteFileAtPath(path);
    if (path.empty() || !deleted) {
      monitor->logWithLevel(LogLevel::kMonitoredError, messages::kOldDatabaseFileDeletionFailed,
                            "Failed to delete old database file. Error",
                            Value(path.empty() ? std::string("no measurement folder") : deleted.error().description()));
      return false;
    }
  }
  if (auto identity = engine_.components().identity()) identity->updateIdentifiers();
  return true;
}

bool AnalyticsDataWipe::resetAnalyticsDataWithAppInstanceID(const std::optional<std::string>& givenID) {
  const std::string appInstanceID = givenID.value_or("");
  DCHECK_ON_WORKER_QUEUE(facadeSequenceChecker_, "resetAnalyticsData");
  auto monitor = MeasurementEngine::sharedMonitor();
  if (appInstanceID.empty()) {
    if (!Consent::isAnalyticsStorageDenied()) {
      monitor->logWithLevel(LogLevel::kMonitoredError, messages::kResetWithEmptyAppInstanceIDRefused,
                            "Cannot reset with an empty app instance ID");
      return false;
    }
    monitor->logWithLevel(LogLevel::kDebug, messages::kResettingWithEmptyAppInstanceID,
                          "Resetting with an empty app instance ID");
  }
  const double loadTimestamp = Analytics::loadTimestamp();
  bool succeeded = false;
  engine_.scheduler()->dispatchSyncOnWorkerQueueBlockID("APMMeasurement:3086", [&] {
    if (!wipeoutAnalyticsDataAndResetComponents()) return;
    succeeded = true;
    // The wipe's identity refresh finds no app instance ID and makes one: let it finish first, so it
    // cannot replace the ID this reset sets.
    if (auto identity = engine_.components().identity()) identity->queue()->sync([] {});
    auto persistedConfig = engine_.persistedConfig();
    persistedConfig->setAppInstanceID(appInstanceID.empty() ? std::nullopt : std::optional(appInstanceID));
    monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsDataReset, "Analytics data has been reset");
    if (!engine_.collection().isAnalyticsCollectionDeactivated() && !FacadeDefaults::deferredAnalyticsCollection()) {
      FacadeDefaults::setDeferredAnalyticsCollection(!engine_.isEnabled());
    }
    engine_.setInitTimestamp(loadTimestamp);
    persistedConfig->setLoadTimestampValue(loadTimestamp);
    if (engine_.isEnabled()) engine_.lifecycle().reportFirstOpenOnWorkerQueue();
  });
  return succeeded;
}

// Consent and the wipe decision come before the database is opened, so a wipe at start deletes the
// file instead of emptying an open database.
void AnalyticsDataWipe::wipeAtStartOnWorkerQueue(Identity& identity) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "wipeAtStartOnWorkerQueue");
  const auto previousConsent = ConsentSettings::consentSettings();
  setProspectiveConsentSettings();
  const bool consentReset =
      ConsentSettings::didWithdrawPreviousConsent(previousConsent ? Value(*previousConsent) : Value()) ||
      FacadeDefaults::deferredResetOnDeniedConsent();
  FacadeDefaults::removeStartUpConsentSettings();
  FacadeDefaults::removeDeferredResetOnDeniedConsent();

  auto persistedConfig = engine_.persistedConfig();
  const bool wipe = shouldWipeDataWithAppID(engine_.appID(), identity.appIDFromVMP(), identity.appIDFromDeDed(),
                                            persistedConfig->appIDFromVMP(), persistedConfig->appIDFromDeDed());
  if (!consentReset && !wipe) return;
  if (consentReset) FacadeDefaults::setAppInstanceIDAfterReset(std::nullopt);
  FacadeDefaults::setResetRetryCount(FacadeDefaults::resetRetryCount() + 1);
  if (wipeoutAnalyticsDataAndResetComponents()) {
    FacadeDefaults::setResetRetryCount(0);
  } else {
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kAnalyticsDataWipeFailed,
                                                     "Failed to wipe out Analytics data");
  }
}

std::string AnalyticsDataWipe::previousVMPAppID() const {
  std::lock_guard lock(mutex_);
  return previousVMPAppID_;
}

}  // namespace sdk::analytics
