#include "sdk/analytics/engine/MeasurementEngine.h"

#include <atomic>
#include <string>

#include "platform/dispatch/EndDeadline.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/TimeWitnesses.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Send.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/RemoteConfigExperimentsAdapter.h"
#include "sdk/analytics/engine/MeasurementEventEntries.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/engine/PublicAnalyticsStart.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/ExperimentsManager.h"
#include "sdk/analytics/rules/ScriptCpuDeadline.h"
#include "sdk/utilities/Logger.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

struct SharedState {
  std::mutex mutex;
  bool attempted = false;
  std::shared_ptr<MeasurementEngine> instance;
};

SharedState& sharedState() {
  static SharedState state;
  return state;
}

bool isAnalyticsClassPresent() { return platform::runtime::Class::named("ZEDIvadazudo") != nullptr; }

}  // namespace

// --- the shared instance ---------------------------------------------------------------------------

void MeasurementEngine::initializeSharedInstanceWithAppID(const std::string& appID, bool isAnalyticsCollectionEnabled,
                                                       bool isAnalyticsCollectionDeactivated,
                                                       const std::vector<std::string>& safelistedEvents) {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  if (state.attempted) return;
  state.attempted = true;
  if (appID.empty()) return;
  (void)sharedMonitor();
  auto experiments = ExperimentsManager::sharedInstance();
  state.instance = initWithAppID(appID, isAnalyticsCollectionEnabled, isAnalyticsCollectionDeactivated,
                                 safelistedEvents,
                                 std::make_shared<sdk::analytics::RemoteConfigExperimentsAdapter>(experiments));
  // The experiments service diverts by this engine's app instance ID.
  if (state.instance) ExperimentsManager::setSharedHost(state.instance);
}

bool MeasurementEngine::hasSharedInstance() {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  return state.attempted && state.instance;
}

std::shared_ptr<MeasurementEngine> MeasurementEngine::sharedInstance() {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  if (!state.attempted && isAnalyticsClassPresent()) {
    sdk::utilities::logWarning("<RuzUdurerizeza>", false, platform::foundation::format("I-ACS%06ld", 23147),
                  "Vadeze Analytics for Vurevore has not been created. Please, configure Vurevore by calling "
                  "[REDIri configure]");
  }
  return state.instance;
}

void MeasurementEngine::resetSharedInstanceForTesting() {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  state.attempted = false;
  state.instance.reset();
}

std::shared_ptr<Monitor> MeasurementEngine::sharedMonitor() { return Monitor::shared(); }

std::shared_ptr<RemoteConfig> MeasurementEngine::remoteConfig() {
  std::shared_ptr<MeasurementEngine> instance;
  {
    SharedState& state = sharedState();
    std::lock_guard lock(state.mutex);
    instance = state.instance;
  }
  if (auto config = instance ? instance->components().remoteConfig() : nullptr) return config;
  return RemoteConfig::defaultInstance();
}

// --- creation --------------------------------------------------------------------------------------

std::shared_ptr<MeasurementEngine> MeasurementEngine::initWithAppID(
    const std::string& appID, bool isAnalyticsCollectionEnabled, bool isAnalyticsCollectionDeactivated,
    const std::vector<std::string>& safelistedEvents,
    std::shared_ptr<sdk::analytics::RemoteConfigExperiments> experimentManager) {
  auto monitor = sharedMonitor();
  if (appID.empty()) {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kMeasurementStartWithoutAppID,
                          "Cannot start Measurement. App ID is empty.");
    return nullptr;
  }
  const bool analyticsClass = isAnalyticsClassPresent();
  std::string version = kAnalyticsVersion;
  if (auto* cls = platform::runtime::Class::named("ZEDIvadazudo");
      cls && cls->metaclass()->instancesRespondTo(kPublicAnalyticsTopLevelVersion.name)) {
    version = platform::runtime::send(*cls, kPublicAnalyticsTopLevelVersion);
  }
  monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsStarted,
                        platform::foundation::format("Analytics v.%@ started", version));
  if (analyticsClass) {
    monitor->logWithLevel(
        LogLevel::kVerbose, messages::kLibraryBuild,
        platform::foundation::format("Build %lld", static_cast<long long>(Identity::analyticsLibraryVersion())));
  }

  Parts parts;
  parts.persistedConfig = PersistedConfig::sharedInstance();
  // The service address is configuration; without one nothing is sent, so there is nothing to watch.
  if (const std::string host = sdk::analytics::serviceHost(); host.empty()) {
    monitor->logWithLevel(LogLevel::kNotice, messages::kNoServiceAddressConfigured,
                          "No analytics service address is configured (ANALYTICS_SERVICE_URL in the options file or "
                          "OSTREL_ANALYTICS_URL). Events are stored on this device and not uploaded");
  } else if (!(parts.network = sdk::utilities::HTTPClient::initWithReachabilityHost(host))) {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kNetworkComponentInitFailed,
                          "Failed to initialize network component");
  }
  parts.scheduler = std::make_shared<Scheduler>(kWorkerQueueLabel);
  parts.alarm = std::make_shared<Alarm>(parts.scheduler->workerQueue(), kAlarmName);
  parts.experimentManager = std::move(experimentManager);
  auto engine = initWithParts(std::move(parts), appID, isAnalyticsCollectionEnabled, isAnalyticsCollectionDeactivated,
                              safelistedEvents);
  engine->logLaunchArgumentHints();
  return engine;
}

void MeasurementEngine::logLaunchArgumentHints() const {
  auto monitor = sharedMonitor();
  // The SDK's own spelling when the public interface is linked, the library's otherwise.
  const int spelling = isAnalyticsClassPresent() ? 1 : 0;
  const char* documentation = " (see docs/BEHAVIOUR.md, \"Analytics logging\")";
  if (monitor->isDebugModeEnabled()) {
    monitor->logWithLevel(LogLevel::kNotice, messages::kDebugLoggingSwitchHint,
                          platform::foundation::format("To disable debug logging set the following application "
                                                       "argument: %@",
                                                       Monitor::kDebugDisabledArguments[spelling]) +
                              documentation);
  } else {
    monitor->logWithLevel(LogLevel::kNotice, messages::kDebugLoggingSwitchHint,
                          platform::foundation::format("To enable debug logging set the following application "
                                                       "argument: %@",
                                                       Monitor::kDebugEnabledArguments[spelling]) +
                              documentation);
  }
  monitor->logWithLevel(LogLevel::kDebug, messages::kDebugLoggingEnabled, "Debug logging enabled");
  if (monitor->isVerboseLoggingEnabled()) {
    monitor->logWithLevel(LogLevel::kDebug, messages::kVerboseLoggingSwitchHint,
                          platform::foundation::format("To disable verbose logging set the following application "
                                                       "argument: %@",
                                                       Monitor::kVerboseDisabledArguments[spelling]));
  } else {
    monitor->logWithLevel(LogLevel::kDebug, messages::kVerboseLoggingSwitchHint,
                          platform::foundation::format("To enable verbose logging set the following application "
                                                       "argument: %@",
                                                       Monitor::kVerboseEnabledArguments[spelling]));
  }
}

MeasurementEngine::MeasurementEngine(Private, Parts parts, const std::string& appID, bool isAnalyticsCollectionEnabled,
                               bool isAnalyticsCollectionDeactivated, const std::vector<std::string>& safelistedEvents)
    : databaseName_(parts.databaseName),
      alarm_(std::move(parts.alarm)),
      persistedConfig_(std::move(parts.persistedConfig)),
      network_(std::move(parts.network)),
      scheduler_(std::move(parts.scheduler)),
      experimentManager_(std::move(parts.experimentManager)),
      givenIdentity_(std::move(parts.identity)),
      appID_(appID),
      safelistedEvents_(safelistedEvents),
      components_(*this),
      collection_(*this, isAnalyticsCollectionEnabled, isAnalyticsCollectionDeactivated),
      wipe_(*this),
      sessions_(*this),
      lifecycle_(*this),
      advertising_(*this),
      appState_(*this) {
  // The first start's load time stays the time of first open and of the first session.
  if (auto stored = persistedConfig_->loadTimestampValue()) {
    initTimestamp_ = *stored;
  } else {
    initTimestamp_ = Analytics::loadTimestamp();
    persistedConfig_->setLoadTimestampValue(initTimestamp_.load());
  }
}

MeasurementEngine::~MeasurementEngine() = default;

std::shared_ptr<MeasurementEngine> MeasurementEngine::initWithParts(Parts parts, const std::string& appID,
                                                              bool isAnalyticsCollectionEnabled,
                                                              bool isAnalyticsCollectionDeactivated,
                                                              const std::vector<std::string>& safelistedEvents) {
  if (!parts.persistedConfig) parts.persistedConfig = PersistedConfig::sharedInstance();
  auto engine = std::make_shared<MeasurementEngine>(Private(), std::move(parts), appID, isAnalyticsCollectionEnabled,
                                                 isAnalyticsCollectionDeactivated, safelistedEvents);
  if (engine->network_) {
    engine->network_->setLoggerDelegate(engine);
    engine->network_->setReachabilityDelegate(engine);
    engine->network_->setIsDebugModeEnabled(sharedMonitor()->isDebugModeEnabled());
  }
  engine->installEventEntries();
  std::weak_ptr<MeasurementEngine> weak = engine;
  engine->processEnd_ = platform::dispatch::ProcessEnd::add(platform::dispatch::ProcessEnd::kComponents, "analytics",
                                                            [weak] {
                                                              if (auto self = weak.lock()) self->stopAtProcessEnd();
                                                            });
  // The automatic reporters find the newest engine, its session reporter and its settings.
  sdk::analytics::ReporterEngineAccess access;
  access.isEngineEnabled = [weak] {
    auto self = weak.lock();
    return self && self->isEnabled();
  };
  access.sessionReporter = [weak]() -> std::shared_ptr<sdk::analytics::SessionReporting> {
    auto self = weak.lock();
    return self ? self->sessions().sessionReporter() : nullptr;
  };
  access.remoteConfig = [weak]() -> std::shared_ptr<RemoteConfig> {
    auto self = weak.lock();
    return self ? self->components().remoteConfig() : nullptr;
  };
  sdk::analytics::ReporterEngineAccess::setCurrent(std::move(access));
  const bool enable = engine->collection().shouldEnableMeasurement();
  engine->setEnabled(enable);
  engine->wasEnabledDuringInitialization_ = enable;
  return engine;
}

// --- the process end -------------------------------------------------------------------------------

bool MeasurementEngine::runOnWorkerWithinTheEndsWait(std::function<void()> block, bool wait) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:end", [block = std::move(block), finished] {
    block();
    finished->store(true);
    platform::dispatch::MainLoop::wakeUp();
  });
  if (!wait) return false;
  auto done = [&] { return finished->load(); };
  // Within the end's one deadline: the cut comes early enough to leave the worker as long again to
  // let go of what it was doing.
  const double beforeCut =
      ScriptCpuDeadline::isCut() ? 0 : std::min(kWorkerWaitAtEndSeconds, platform::dispatch::EndDeadline::secondsLeft() / 2);
  if (platform::dispatch::MainLoop::runUntil(done, beforeCut)) return true;
  if (!ScriptCpuDeadline::isCut()) {
    ScriptCpuDeadline::cutEverything();
    monitor()->logWithLevel(LogLevel::kWarning, messages::kWorkerCutAtExit,
                            "The app's end found analytics still at work and cut that work short: an event being edited "
                            "is stored as it was logged, and audience filters left unjudged wait for the next start. "
                            "Seconds waited",
                            Value(beforeCut));
  }
  return platform::dispatch::MainLoop::runUntil(done, kWorkerWaitAfterCutSeconds);
}

void MeasurementEngine::stopAtProcessEnd() {
  // Calls the facade still holds reach the worker queue first.
  Analytics::queue()->sync([] {});
  auto way = components_.uploader();
  // Queued after the leave-foreground upload, so that upload has started (or found nothing) by now.
  // It runs on the worker thread, as bundling always does: a sync from here would run it on the main
  // thread, waiting as long as the worker's work takes instead of within the end's bound.
  bool reached = true;
  if (way) {
    reached = runOnWorkerWithinTheEndsWait([way] { way->finishRequestsUnderWay(); });
    // Answers come through the main queue, so the main loop runs while they are awaited; a fetch's
    // answer may send the upload it was fetched for, which the wait covers too.
    // The device's work on an answer that comes in the last instant keeps its share of the end.
    if (reached) {
      const double left = platform::dispatch::EndDeadline::secondsLeft() - platform::dispatch::ProcessEnd::kAnsweredWorkSeconds;
      platform::dispatch::MainLoop::runUntil([&] { return !way->hasRequestsUnderWay(); },
                                             std::min(kUploadWaitAtEndSeconds, std::max(left, 0.0)));
    }
  }
  // Behind a worker the end could not wait for, the block is not waited for either; it may then run
  // after this engine is gone.
  const bool stopped = runOnWorkerWithinTheEndsWait([weak = weak_from_this(), way] {
    if (way) {
      way->stopStartingRequests();
      way->leaveRequestInFlight();
    }
    if (auto self = weak.lock()) {
      self->terminating_ = true;
      self->entries_->stop();
    }
  }, reached);
  if (!stopped) {
    // The worker is still at work: whatever it reaches next is dropped, and the end goes on.
    terminating_ = true;
    entries_->stop();
    monitor()->logWithLevel(LogLevel::kWarning, messages::kWorkerLeftAtExit,
                            "Analytics was still at work when the app ended; events it had not stored by then are lost");
  }
  alarm_->cancel();
  persistedConfig_->synchronizeToDisk();
  processEnd_.reset();
  std::shared_ptr<MeasurementEngine> released;
  {
    SharedState& state = sharedState();
    std::lock_guard lock(state.mutex);
    if (state.instance.get() == this) released = std::move(state.instance);
  }
  // `released` may hold the last reference: this object ends with this call's caller's reference.
}


// --- MeasurementHost -------------------------------------------------------------------------------

std::optional<std::string> MeasurementEngine::remoteConfigValue(const std::string& key) const {
  auto config = components_.remoteConfig();
  return config ? config->configuredText(key) : std::nullopt;
}

bool MeasurementEngine::boolSetting(const std::string& key, bool defaultValue) const {
  auto config = components_.remoteConfig();
  if (!config) config = RemoteConfig::defaultInstance();
  return config->intValueFromCacheWithKey(key, defaultValue ? 1 : 0, 1, 0) == 1;
}

std::optional<std::string> MeasurementEngine::appInstanceID() const {
  auto identity = components_.identity();
  return identity ? identity->appInstanceID() : std::nullopt;
}

std::int64_t MeasurementEngine::integerSetting(const std::string& key, std::int64_t defaultValue, std::int64_t minimum,
                                            std::int64_t maximum) const {
  auto config = components_.remoteConfig();
  if (!config) config = RemoteConfig::defaultInstance();
  return config->int64ValueFromCacheWithKey(key, defaultValue, maximum, minimum);
}

// --- the network client's reports ------------------------------------------------------------------

void MeasurementEngine::reachabilityDidChange() {
  std::weak_ptr<MeasurementEngine> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:984", [weak] {
    auto self = weak.lock();
    if (auto uploader = self ? self->components().uploader() : nullptr) uploader->updateSchedule();
  });
}

int MeasurementEngine::monitorLevelForNetworkLevel(int level) {
  switch (level) {
    case 3: return 1;
    case 4: return 4;
    case 5: return 3;
    case 6: return 6;
    case 7: return 7;
    default: return 3;
  }
}

void MeasurementEngine::logWithLevel(sdk::utilities::HTTPClientLogLevel level, std::int64_t messageCode,
                                             const std::string& message, const platform::foundation::Array& contexts) {
  sharedMonitor()->logWithLevelContexts(static_cast<LogLevel>(monitorLevelForNetworkLevel(level)), messageCode, message,
                                        contexts);
}

void MeasurementEngine::logWithLevel(sdk::utilities::HTTPClientLogLevel level, std::int64_t messageCode,
                                             const std::string& message, const Value& context) {
  logWithLevel(level, messageCode, message, platform::foundation::Array{context});
}

void MeasurementEngine::logWithLevel(sdk::utilities::HTTPClientLogLevel level, std::int64_t messageCode,
                                             const std::string& message) {
  logWithLevel(level, messageCode, message, platform::foundation::Array{});
}


// --- FacadeEngine ----------------------------------------------------------------------------------
// What the facade sends on: each call moves to the worker queue, in the order it came, and runs over
// the event path once the components exist (before that collection counts as off).

void MeasurementEngine::installEventEntries() {
  std::weak_ptr<MeasurementEngine> weak = weak_from_this();
  entries_ = std::make_unique<sdk::analytics::MeasurementEventEntries>(
      scheduler_, [weak]() -> std::shared_ptr<sdk::analytics::MeasurementEventPipeline> {
        auto self = weak.lock();
        return self ? self->components().pipeline() : nullptr;
      });
}

void MeasurementEngine::writeEventOnWorkerQueue(const AnalyticsEvent& event) const {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "writeEventOnWorkerQueue:");
  if (terminating_.load()) return;
  if (auto pipeline = components_.pipeline()) pipeline->handler().writeEventOnWorkerQueue(event);
}

void MeasurementEngine::logEvent(const sdk::analytics::LoggedEvent& event) { entries_->logEvent(event); }

void MeasurementEngine::setDefaultEventParameters(const std::optional<Dictionary>& parameters) {
  entries_->setDefaultEventParameters(parameters);
}

void MeasurementEngine::setUserAttribute(const UserAttribute& attribute) { entries_->setUserAttribute(attribute); }

void MeasurementEngine::removeUserAttribute(const UserAttribute& attribute) {
  entries_->removeUserAttribute(attribute);
}

void MeasurementEngine::userPropertiesIncludingInternal(bool includingInternal,
                                                     std::function<void(const Dictionary&)> callback) {
  entries_->userPropertiesIncludingInternal(includingInternal, std::move(callback));
}

void MeasurementEngine::maxUserPropertiesForOrigin(const std::string& origin, std::function<void(std::int64_t)> callback) {
  entries_->maxUserPropertiesForOrigin(origin, std::move(callback));
}

std::shared_ptr<sdk::analytics::CampaignReporting> MeasurementEngine::campaigns() {
  return sdk::analytics::CampaignReporting::create(weak_from_this());
}

void MeasurementEngine::handleNonFirstOpenEventURL(const std::string& url, double timestamp) {
  if (auto reporter = campaigns()) reporter->handleNonFirstOpenEventURL(url, timestamp);
}

void MeasurementEngine::installFacadeEngineAccess() {
  sdk::analytics::FacadeEngineAccess access;
  access.initializeSharedInstance = [](const std::string& appID, bool enabled, bool deactivated,
                                       const std::vector<std::string>& safelistedEvents) {
    initializeSharedInstanceWithAppID(appID, enabled, deactivated, safelistedEvents);
  };
  access.sharedInstance = []() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return sharedInstance(); };
  Analytics::setEngineAccess(std::move(access));
}

// --- the time witness ------------------------------------------------------------------------------

namespace {

// The measurement database's times witness how far the container's time has gone (see
// platform/foundation/TimeWitnesses), beside the settings' times: a later run writes over those at
// once, while the events it holds keep their dates.
[[maybe_unused]] const bool measurementTimesWitnessed = (platform::foundation::TimeWitnesses::add([](double bound) {
  // Found where the engine keeps it, without making the folder.
  const std::string path = platform::foundation::Paths::applicationSupport() + "/" + kMeasurementDirectory + "/" +
                           MeasurementDatabase::kDatabaseName;
  return MeasurementDatabase::latestEventTimeInFile(path, bound);
}), true);

}  // namespace

}  // namespace sdk::analytics
