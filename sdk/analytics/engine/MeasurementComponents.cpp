#include "sdk/analytics/engine/MeasurementComponents.h"

#include <string>

#include "platform/foundation/Check.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/WeakMeasurementHost.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/ConditionalUserPropertyController.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Value;

bool MeasurementComponents::initializeOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "initializeOnWorkerQueue");
  auto identity = engine_.givenIdentity() ? engine_.givenIdentity() : Identity::sharedInstance();
  if (!identity) return false;
  {
    std::lock_guard lock(mutex_);
    identity_ = identity;
  }
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  AppIdentifiers::setEngineIdentity([weak]() -> std::shared_ptr<Identity> {
    auto self = weak.lock();
    return self ? self->components().identity() : nullptr;
  });
  engine_.dataWipe().wipeAtStartOnWorkerQueue(*identity);
  adoptIdentifiersOnWorkerQueue(*identity);

  const std::string& name = engine_.databaseName();
  auto opened = MeasurementDatabase::initWithDatabaseName(name, engine_.persistedConfig());
  if (!opened) opened = MeasurementDatabase::initWithDatabaseName(name, engine_.persistedConfig());
  if (!opened) return false;
  std::shared_ptr<MeasurementDatabase> database = std::move(opened).value();
  if (!buildOverDatabaseOnWorkerQueue(database, identity)) return false;
  finishOnWorkerQueue(*database, *identity);
  return true;
}

void MeasurementComponents::adoptIdentifiersOnWorkerQueue(Identity& identity) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "adoptIdentifiersOnWorkerQueue");
  identity.updateIdentifiers();
  if (auto afterReset = FacadeDefaults::appInstanceIDAfterReset(); afterReset && !afterReset->empty()) {
    identity.setAppInstanceID(*afterReset);
    FacadeDefaults::setAppInstanceIDAfterReset(std::nullopt);
  }

  auto persistedConfig = engine_.persistedConfig();
  if (const std::string vmp = identity.appIDFromVMP(); vmp != persistedConfig->appIDFromVMP()) {
    persistedConfig->setAppIDFromVMP(vmp);
  }
  if (const std::string deDed = identity.appIDFromDeDed(); deDed != persistedConfig->appIDFromDeDed()) {
    persistedConfig->setAppIDFromDeDed(deDed);
  }
  if (const std::string origin = AppIdentifiers::sharedInstance()->origin(); origin == "fa") {
    persistedConfig->setAppIDFromVMP(engine_.appID());
  } else if (origin == "am") {
    persistedConfig->setAppIDFromDeDed(engine_.appID());
  }
}

bool MeasurementComponents::buildOverDatabaseOnWorkerQueue(const std::shared_ptr<MeasurementDatabase>& database,
                                                           const std::shared_ptr<Identity>& identity) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "buildOverDatabaseOnWorkerQueue");
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
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
  auto remoteConfig = RemoteConfig::initWithAppID(engine_.appID(), database, engine_.experimentManager(), context);
  if (!remoteConfig) return false;
  auto audience = std::make_shared<Audiences>(database, std::make_shared<WeakMeasurementHost>(weak));
  // Consent, identity and the database obey the engine's settings from now on.
  IdentitySettings::setCurrent(IdentitySettings::fromRemoteConfig(remoteConfig));
  MeasurementDatabase::Settings settings;
  settings.maxEventsStored = [] { return static_cast<std::int64_t>(MeasurementEngine::remoteConfig()->maxEventsStored()); };
  settings.staleDataDeletionInterval = [] { return MeasurementEngine::remoteConfig()->databaseDeleteStaleBundlesInterval(); };
  settings.maxQueueTime = [] { return MeasurementEngine::remoteConfig()->maxQueueTime(); };
  database->setSettings(std::move(settings));
  ConditionalUserPropertyController::setSharedHost(std::make_shared<WeakMeasurementHost>(weak));
  auto uploader = makeUploader(database, remoteConfig, audience, identity);
  auto pipeline = makePipeline(database, remoteConfig, identity, uploader);
  std::lock_guard lock(mutex_);
  database_ = database;
  remoteConfig_ = remoteConfig;
  audience_ = audience;
  uploader_ = uploader;
  pipeline_ = pipeline;
  return true;
}

std::shared_ptr<MeasurementEventPipeline> MeasurementComponents::makePipeline(
    const std::shared_ptr<MeasurementDatabase>& database, const std::shared_ptr<RemoteConfig>& remoteConfig,
    const std::shared_ptr<Identity>& identity, const std::shared_ptr<MeasurementUploader>& uploader) {
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  MeasurementEventPipeline::Components parts{
      .engine = weak,
      .database = database,
      .settings = remoteConfig,
      .persistedConfig = engine_.persistedConfig(),
      .identity = identity,
      .conditionalUserProperties = ConditionalUserPropertyController::sharedInstance(),
      .safelistedEvents = engine_.safelistedEvents(),
      .uploads = uploader,
      .engineParts = weak};
  return std::make_shared<MeasurementEventPipeline>(std::move(parts));
}

void MeasurementComponents::finishOnWorkerQueue(MeasurementDatabase& database, Identity& identity) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "finishOnWorkerQueue");
  auto monitor = MeasurementEngine::sharedMonitor();
  const std::string directory = measurementDirectoryFilePath("");
  if (auto excluded = directory.empty() ? platform::foundation::ErrorOr<void>() : excludePathFromBackup(directory);
      !excluded) {
    monitor->logWithLevel(LogLevel::kSilentWarning, messages::kBackupExclusionFailed,
                          "Failed to exclude directory from backup. Error", Value(excluded.error().description()));
  }
  monitor->logWithLevel(LogLevel::kDebug, messages::kReadyToReceiveEvents, "Analytics is ready to receive events");
  monitor->setEncodeContexts(identity.isFromAppStore());
  if (auto deleted = database.maybeDeleteStaleData(); !deleted) {
    monitor->logWithLevel(LogLevel::kSilentWarning, messages::kStaleDataDeletionRequestFailed,
                          "Unable to delete stale data. Error", Value(deleted.error().description()));
  }
  engine_.lifecycle().startLifecycleReportersOnWorkerQueue();
}

// The engine's way out: the uploader over the components, with the background task the app's leaving
// began.
std::shared_ptr<MeasurementUploader> MeasurementComponents::makeUploader(
    const std::shared_ptr<MeasurementDatabase>& database, const std::shared_ptr<RemoteConfig>& remoteConfig,
    const std::shared_ptr<Audiences>& audience, const std::shared_ptr<Identity>& identity) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "makeUploader");
  MeasurementUploader::Parts parts;
  parts.bundling = {database, remoteConfig, audience, engine_.persistedConfig(), identity};
  parts.network = engine_.network();
  parts.scheduler = engine_.scheduler();
  parts.alarm = engine_.alarm();
  MeasurementUploader::Hooks hooks;
  std::shared_ptr<sdk::utilities::HTTPClient> network = engine_.network();
  hooks.isNetworkConnected = [network] { return network && network->isNetworkConnected(); };
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  hooks.isBackgroundTaskRunning = [weak] {
    auto self = weak.lock();
    return self && self->appState().isBackgroundTaskRunning();
  };
  hooks.terminateBackgroundTask = [weak] {
    if (auto self = weak.lock()) self->appState().terminateBackgroundTask();
  };
  return MeasurementUploader::make(std::move(parts), std::move(hooks));
}

std::shared_ptr<Audiences> MeasurementComponents::audience() const {
  std::lock_guard lock(mutex_);
  return audience_;
}

std::shared_ptr<MeasurementDatabase> MeasurementComponents::database() const {
  std::lock_guard lock(mutex_);
  return database_;
}

std::shared_ptr<Identity> MeasurementComponents::identity() const {
  std::lock_guard lock(mutex_);
  return identity_;
}

std::shared_ptr<RemoteConfig> MeasurementComponents::remoteConfig() const {
  std::lock_guard lock(mutex_);
  return remoteConfig_;
}

std::shared_ptr<MeasurementEventPipeline> MeasurementComponents::pipeline() const {
  std::lock_guard lock(mutex_);
  return pipeline_;
}

std::shared_ptr<MeasurementUploader> MeasurementComponents::uploader() const {
  std::lock_guard lock(mutex_);
  return uploader_;
}

std::shared_ptr<SearchAdReporting> MeasurementComponents::searchAdReporter() const {
  std::lock_guard lock(mutex_);
  return searchAdReporter_;
}

void MeasurementComponents::setSearchAdReporter(std::shared_ptr<SearchAdReporting> reporter) {
  std::lock_guard lock(mutex_);
  searchAdReporter_ = std::move(reporter);
}

}  // namespace sdk::analytics
