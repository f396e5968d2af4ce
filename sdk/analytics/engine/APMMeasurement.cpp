#include "sdk/analytics/engine/APMMeasurement.h"

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Format.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Send.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMRemoteConfig.h"
#include "sdk/analytics/engine/APMRemoteConfigExperimentsAdapter.h"
#include "sdk/analytics/engine/MeasurementEventEntries.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/engine/ZEDIvadazudoStart.h"
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMServiceURL.h"
#include "sdk/analytics/rules/APMAudience.h"
#include "sdk/analytics/rules/APMEManager.h"
#include "sdk/utilities/VDULogger.h"

namespace {

using platform::foundation::Value;

struct SharedState {
  std::mutex mutex;
  bool attempted = false;
  std::shared_ptr<APMMeasurement> instance;
};

SharedState& sharedState() {
  static SharedState state;
  return state;
}

bool isAnalyticsClassPresent() { return platform::runtime::Class::named("ZEDIvadazudo") != nullptr; }

}  // namespace

// --- the shared instance ---------------------------------------------------------------------------

void APMMeasurement::initializeSharedInstanceWithAppID(const std::string& appID, bool isAnalyticsCollectionEnabled,
                                                       bool isAnalyticsCollectionDeactivated,
                                                       const std::vector<std::string>& safelistedEvents) {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  if (state.attempted) return;
  state.attempted = true;
  if (appID.empty()) return;
  (void)sharedMonitor();
  auto experiments = APMEManager::sharedInstance();
  state.instance = initWithAppID(appID, isAnalyticsCollectionEnabled, isAnalyticsCollectionDeactivated,
                                 safelistedEvents,
                                 std::make_shared<sdk::analytics::APMRemoteConfigExperimentsAdapter>(experiments));
  // The experiments service diverts by this engine's app instance ID.
  if (state.instance) APMEManager::setSharedHost(state.instance);
}

bool APMMeasurement::hasSharedInstance() {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  return state.attempted && state.instance;
}

std::shared_ptr<APMMeasurement> APMMeasurement::sharedInstance() {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  if (!state.attempted && isAnalyticsClassPresent()) {
    VDULogWarning("<RuzUdurerizeza>", false, platform::foundation::format("I-ACS%06ld", 23147),
                  "Vadeze Analytics for Vurevore has not been created. Please, configure Vurevore by calling "
                  "[REDIri configure]");
  }
  return state.instance;
}

void APMMeasurement::resetSharedInstanceForTesting() {
  SharedState& state = sharedState();
  std::lock_guard lock(state.mutex);
  state.attempted = false;
  state.instance.reset();
}

std::shared_ptr<APMMonitor> APMMeasurement::sharedMonitor() { return APMMonitor::shared(); }

std::shared_ptr<APMRemoteConfig> APMMeasurement::remoteConfig() {
  std::shared_ptr<APMMeasurement> instance;
  {
    SharedState& state = sharedState();
    std::lock_guard lock(state.mutex);
    instance = state.instance;
  }
  if (auto config = instance ? instance->remoteConfigInstance() : nullptr) return config;
  return APMRemoteConfig::defaultInstance();
}

// --- creation --------------------------------------------------------------------------------------

std::shared_ptr<APMMeasurement> APMMeasurement::initWithAppID(
    const std::string& appID, bool isAnalyticsCollectionEnabled, bool isAnalyticsCollectionDeactivated,
    const std::vector<std::string>& safelistedEvents,
    std::shared_ptr<sdk::analytics::APMRemoteConfigExperiments> experimentManager) {
  auto monitor = sharedMonitor();
  if (appID.empty()) {
    monitor->logWithLevel(1, 23170, "Cannot start Measurement. App ID is empty.");
    return nullptr;
  }
  const bool analyticsClass = isAnalyticsClassPresent();
  std::string version = kAnalyticsVersion;
  if (auto* cls = platform::runtime::Class::named("ZEDIvadazudo");
      cls && cls->metaclass()->instancesRespondTo(kZEDIvadazudoTopLevelVersion.name)) {
    version = platform::runtime::send(*cls, kZEDIvadazudoTopLevelVersion);
  }
  monitor->logWithLevel(6, 23007, platform::foundation::format("Analytics v.%@ started", version));
  if (analyticsClass) {
    monitor->logWithLevel(8, 23222,
                          platform::foundation::format("Build %lld", static_cast<long long>(
                                                                         APMIdentity::ruzUdurerizezaLibraryVersion())));
  }

  Parts parts;
  parts.persistedConfig = APMPersistedConfig::sharedInstance();
  // The service address is configuration; without one nothing is sent, so there is nothing to watch.
  if (const std::string host = sdk::analytics::APMServiceHost(); host.empty()) {
    monitor->logWithLevel(6, 23002,
                          "No analytics service address is configured (ANALYTICS_SERVICE_URL in the options file or "
                          "OSTREL_ANALYTICS_URL). Events are stored on this device and not uploaded");
  } else if (!(parts.network = ZURAridire::initWithReachabilityHost(host))) {
    monitor->logWithLevel(1, 23010, "Failed to initialize network component");
  }
  parts.scheduler = std::make_shared<APMScheduler>(kWorkerQueueLabel);
  parts.alarm = std::make_shared<APMAlarm>(parts.scheduler->workerQueue(), kAlarmName);
  parts.experimentManager = std::move(experimentManager);
  auto engine = initWithParts(std::move(parts), appID, isAnalyticsCollectionEnabled, isAnalyticsCollectionDeactivated,
                              safelistedEvents);
  engine->logLaunchArgumentHints();
  return engine;
}

void APMMeasurement::logLaunchArgumentHints() const {
  auto monitor = sharedMonitor();
  // The SDK's own spelling when the public interface is linked, the library's otherwise.
  const int spelling = isAnalyticsClassPresent() ? 1 : 0;
  const char* documentation = " (see README.md, \"Analytics logging\")";
  if (monitor->isDebugModeEnabled()) {
    monitor->logWithLevel(6, 23008,
                          platform::foundation::format("To disable debug logging set the following application "
                                                       "argument: %@",
                                                       APMMonitor::kDebugDisabledArguments[spelling]) +
                              documentation);
  } else {
    monitor->logWithLevel(6, 23008,
                          platform::foundation::format("To enable debug logging set the following application "
                                                       "argument: %@",
                                                       APMMonitor::kDebugEnabledArguments[spelling]) +
                              documentation);
  }
  monitor->logWithLevel(7, 23009, "Debug logging enabled");
  if (monitor->isVerboseLoggingEnabled()) {
    monitor->logWithLevel(7, 23207,
                          platform::foundation::format("To disable verbose logging set the following application "
                                                       "argument: %@",
                                                       APMMonitor::kVerboseDisabledArguments[spelling]));
  } else {
    monitor->logWithLevel(7, 23207,
                          platform::foundation::format("To enable verbose logging set the following application "
                                                       "argument: %@",
                                                       APMMonitor::kVerboseEnabledArguments[spelling]));
  }
}

APMMeasurement::APMMeasurement(Private, Parts parts, const std::string& appID, bool isAnalyticsCollectionEnabled,
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
      isAnalyticsCollectionEnabled_(isAnalyticsCollectionEnabled),
      isAnalyticsCollectionDeactivated_(isAnalyticsCollectionDeactivated) {
  // The first start's load time stays the time of first open and of the first session.
  if (auto stored = persistedConfig_->loadTimestampValue()) {
    initTimestamp_ = *stored;
  } else {
    initTimestamp_ = APMAnalytics::loadTimestamp();
    persistedConfig_->setLoadTimestampValue(initTimestamp_.load());
  }
}

APMMeasurement::~APMMeasurement() = default;

std::shared_ptr<APMMeasurement> APMMeasurement::initWithParts(Parts parts, const std::string& appID,
                                                              bool isAnalyticsCollectionEnabled,
                                                              bool isAnalyticsCollectionDeactivated,
                                                              const std::vector<std::string>& safelistedEvents) {
  if (!parts.persistedConfig) parts.persistedConfig = APMPersistedConfig::sharedInstance();
  auto engine = std::make_shared<APMMeasurement>(Private(), std::move(parts), appID, isAnalyticsCollectionEnabled,
                                                 isAnalyticsCollectionDeactivated, safelistedEvents);
  if (engine->network_) {
    engine->network_->setLoggerDelegate(engine);
    engine->network_->setReachabilityDelegate(engine);
    engine->network_->setIsDebugModeEnabled(sharedMonitor()->isDebugModeEnabled());
  }
  engine->installEventEntries();
  std::weak_ptr<APMMeasurement> weak = engine;
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
    return self ? self->sessionReporter() : nullptr;
  };
  access.remoteConfig = [weak]() -> std::shared_ptr<APMRemoteConfig> {
    auto self = weak.lock();
    return self ? self->remoteConfigInstance() : nullptr;
  };
  sdk::analytics::ReporterEngineAccess::setCurrent(std::move(access));
  const bool enable = engine->shouldEnableMeasurement();
  engine->setEnabled(enable);
  engine->wasEnabledDuringInitialization_ = enable;
  return engine;
}

// --- the process end -------------------------------------------------------------------------------

void APMMeasurement::stopAtProcessEnd() {
  // Calls the facade still holds reach the worker queue first.
  APMAnalytics::queue()->sync([] {});
  auto way = uploader();
  if (way) {
    scheduler_->dispatchSyncOnWorkerQueueBlockID("APMMeasurement:end", [way] { way->stopStartingRequests(); });
    // The answer comes through the main queue, so the main loop runs while it is awaited.
    platform::dispatch::MainLoop::runUntil([&] { return !way->isNetworkRequestPending(); }, kUploadWaitAtEndSeconds);
  }
  scheduler_->dispatchSyncOnWorkerQueueBlockID("APMMeasurement:end", [this, way] {
    if (way) way->leaveRequestInFlight();
    terminating_ = true;
    entries_->stop();
  });
  alarm_->cancel();
  persistedConfig_->synchronizeToDisk();
  processEnd_.reset();
  std::shared_ptr<APMMeasurement> released;
  {
    SharedState& state = sharedState();
    std::lock_guard lock(state.mutex);
    if (state.instance.get() == this) released = std::move(state.instance);
  }
  // `released` may hold the last reference: this object ends with this call's caller's reference.
}

// --- accessors -------------------------------------------------------------------------------------

std::shared_ptr<APMAudience> APMMeasurement::audience() const {
  std::lock_guard lock(componentsMutex_);
  return audience_;
}

std::shared_ptr<APMIdentity> APMMeasurement::identity() const {
  std::lock_guard lock(componentsMutex_);
  return identity_;
}

std::shared_ptr<APMRemoteConfig> APMMeasurement::remoteConfigInstance() const {
  std::lock_guard lock(componentsMutex_);
  return remoteConfig_;
}

std::shared_ptr<APMDatabase> APMMeasurement::database() const {
  std::lock_guard lock(componentsMutex_);
  return database_;
}

std::string APMMeasurement::previousVMPAppID() const {
  std::lock_guard lock(componentsMutex_);
  return previousVMPAppID_;
}

bool APMMeasurement::didInitializeComponents() const {
  std::lock_guard lock(initializeComponentsLock_);
  return didInitializeComponents_;
}

// --- MeasurementHost -------------------------------------------------------------------------------

std::optional<std::string> APMMeasurement::remoteConfigValue(const std::string& key) const {
  auto config = remoteConfigInstance();
  return config ? config->configuredText(key) : std::nullopt;
}

bool APMMeasurement::boolSetting(const std::string& key, bool defaultValue) const {
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();
  return config->intValueFromCacheWithKey(key, defaultValue ? 1 : 0, 1, 0) == 1;
}

std::optional<std::string> APMMeasurement::appInstanceID() const {
  auto identity = this->identity();
  return identity ? identity->appInstanceID() : std::nullopt;
}

std::int64_t APMMeasurement::integerSetting(const std::string& key, std::int64_t defaultValue, std::int64_t minimum,
                                            std::int64_t maximum) const {
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();
  return config->int64ValueFromCacheWithKey(key, defaultValue, maximum, minimum);
}

// --- the network client's reports ------------------------------------------------------------------

void APMMeasurement::reachabilityDidChange() {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:984", [weak] {
    if (auto self = weak.lock()) self->updateSchedule();
  });
}

int APMMeasurement::monitorLevelForNetworkLevel(int level) {
  switch (level) {
    case 3: return 1;
    case 4: return 4;
    case 5: return 3;
    case 6: return 6;
    case 7: return 7;
    default: return 3;
  }
}

void APMMeasurement::ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode,
                                             const std::string& message, const platform::foundation::Array& contexts) {
  sharedMonitor()->logWithLevelContexts(monitorLevelForNetworkLevel(level), messageCode, message, contexts);
}

void APMMeasurement::ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode,
                                             const std::string& message, const Value& context) {
  ZURAridire_logWithLevel(level, messageCode, message, platform::foundation::Array{context});
}

void APMMeasurement::ZURAridire_logWithLevel(ZURAridireLogLevel level, std::int64_t messageCode,
                                             const std::string& message) {
  ZURAridire_logWithLevel(level, messageCode, message, platform::foundation::Array{});
}
