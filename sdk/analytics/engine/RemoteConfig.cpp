#include "sdk/analytics/engine/RemoteConfig.h"

#include <cmath>
#include <cstdlib>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/WeakMeasurementHost.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameTables.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"
#include "sdk/analytics/foundation/QueryString.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using sdk::analytics::monitor;
using namespace sdk::analytics::measurement_fields;

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// The flags the measurement SDK registers with the experiments service, all off until a snapshot
// says otherwise.
const std::map<std::string, std::int64_t>& defaultExperimentFlags() {
  static const std::map<std::string, std::int64_t> flags = {
      {"efficient_engagement_reporting_enabled", 0},
      {"redundant_engagement_removal_enabled", 0},
      {"network_background_session_enabled", 0},
      {"non_blocking_app_instance_id_enabled", 0},
  };
  return flags;
}

}  // namespace

// --- creation --------------------------------------------------------------------------------------

RemoteConfig::RemoteConfig(Private, std::string appID, const std::shared_ptr<MeasurementDatabase>& database,
                                 std::shared_ptr<Experiments> experiments, Context context)
    : MeasurementSettings(std::move(experiments)),
      appID_(std::move(appID)),
      isDefaultInstance_(appID_.empty() && !database),
      database_(database),
      context_(std::move(context)) {}

std::shared_ptr<RemoteConfig> RemoteConfig::defaultInstance() {
  static const auto instance = std::make_shared<RemoteConfig>(Private(), "", nullptr, nullptr, Context());
  return instance;
}

std::shared_ptr<RemoteConfig> RemoteConfig::initWithAppID(const std::string& appID,
                                                                const std::shared_ptr<MeasurementDatabase>& database,
                                                                std::shared_ptr<Experiments> experiments,
                                                                Context context) {
  if (appID.empty()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRemoteConfigWithoutAppID,
                           "Cannot init remote configuration without valid Vadeze App ID");
    return nullptr;
  }
  if (!database) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRemoteConfigWithoutDatabase,
                           "Cannot init remote configuration without valid database");
    return nullptr;
  }
  return initWithAppIDMeasurementConfig(appID, database, nullptr, std::move(experiments), std::move(context));
}

std::shared_ptr<RemoteConfig> RemoteConfig::initWithAppID(const std::string& appID,
                                                                const std::shared_ptr<MeasurementDatabase>& database) {
  return initWithAppID(appID, database, nullptr, Context());
}

std::shared_ptr<RemoteConfig> RemoteConfig::initWithAppIDMeasurementConfig(
    const std::string& appID, const std::shared_ptr<MeasurementDatabase>& database,
    std::shared_ptr<ProtoMeasurementConfig> measurementConfig, std::shared_ptr<Experiments> experiments,
    Context context) {
  auto config = std::make_shared<RemoteConfig>(Private(), appID, database, std::move(experiments),
                                                  std::move(context));
  config->registerWithExperiments();
  if (config->isDefaultInstance()) return config;
  if (measurementConfig) {
    (void)config->updateMeasurementConfig(measurementConfig);
  } else if (auto stored = config->measurementConfigFromDatabase()) {
    config->remoteConfigProto_ = stored;
    config->parseRemoteConfigFromMeasurementConfig(*stored);
  }
  return config;
}

void RemoteConfig::registerWithExperiments() {
  if (!experiments_) return;
  experiments_->registerClient(kSDKPropertyName, context().libraryVersion, defaultExperimentFlags(),
                               weak_from_this());
  if (auto activated = experiments_->activateLatestSnapshot(); !activated.ok()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kStaleSnapshotActivationFailed,
                           "Cannot activate stale snapshot. Error", Value(activated.error().description()));
  }
}

void RemoteConfig::setContext(Context context) {
  std::unique_lock lock(cacheMutex_);
  context_ = std::move(context);
}

RemoteConfig::Context RemoteConfig::context() const {
  std::shared_lock lock(cacheMutex_);
  return context_;
}

// --- the configuration -----------------------------------------------------------------------------

bool RemoteConfig::updateMeasurementConfig(const std::shared_ptr<ProtoMeasurementConfig>& config) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "updateMeasurementConfig");
  if (isDefaultInstance_) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kDefaultConfigurationUpdateFailed,
                           "Cannot update the default measurement configuration");
    return false;
  }
  if (!config) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kEmptyConfigStoreRefused,
                           "Cannot set empty measurement config to database");
    return false;
  }
  const Context hooks = context();
  if (hooks.origin && hooks.origin() == "am" && nanoGetString(*config, kConfigDeDedAppID).value_or("") != appID_) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigDeDedAppIDMismatch,
                           "Cannot set measurement config when DeDed App ID does not match");
    return false;
  }
  if (nanoGetString(*config, kConfigAppID).value_or("") != appID_) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigVadezeAppIDMismatch,
                           "Cannot set measurement config when Vadeze App ID does not match");
    return false;
  }
  auto database = database_.lock();
  if (!database) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kConfigStoreFailed,
                           "Cannot store config into the database", Value("The database is closed"));
    return false;
  }
  if (auto stored = database->updateRemoteConfig(*config); !stored) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kConfigStoreFailed,
                           "Cannot store config into the database", Value(stored.error().description()));
    return false;
  }
  {
    std::unique_lock lock(cacheMutex_);
    remoteConfigProto_ = config;
  }
  parseRemoteConfigFromMeasurementConfig(*config);
  return true;
}

std::shared_ptr<ProtoMeasurementConfig> RemoteConfig::measurementConfigFromDatabase() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "measurementConfigFromDatabase");
  if (isDefaultInstance_) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kDefaultInstanceConfigurationMissing,
                           "Cannot retrieve a measurement configuration from the database for the default instance");
    return nullptr;
  }
  auto database = database_.lock();
  auto config = database ? database->queryMeasurementConfigWithError()
                         : MeasurementDatabase::ErrorOr<std::shared_ptr<ProtoMeasurementConfig>>(nullptr);
  if (config && *config) return *config;
  if (!config) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigurationDataReadFailed,
                           "Cannot retrieve configuration data from database. Error",
                           Value(config.error().description()));
  } else {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kConfigurationNotStored,
                           "Configuration was not found in database. The configuration will be fetched from the "
                           "network when necessary");
  }
  return nullptr;
}

void RemoteConfig::parseRemoteConfigFromMeasurementConfig(const ProtoMeasurementConfig& config) {
  const auto settings = nanoMessagesIn<ProtoSetting>(config, kConfigSettings);
  if (settings.empty() && !nanoHasField(config, kConfigAppID)) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kEmptyConfigParsed,
                           "Cannot parse empty measurement config. Using default values");
    return;
  }
  if (nanoGetString(config, kConfigAppID).value_or("") != appID_) return;

  std::map<std::string, CachedSetting> values;
  for (const auto& setting : settings) {
    const std::string name = nanoGetString(setting, kSettingName).value_or("");
    if (auto text = cacheValue(nanoGetString(setting, kSettingValue).value_or(""), name)) {
      values[name].text = std::move(text);
    }
  }
  std::map<std::string, std::shared_ptr<ProtoEventConfig>> events;
  for (const auto& eventConfig : nanoGetMessageArray<ProtoEventConfig>(config, kConfigEventConfigs)) {
    const std::string name = nanoGetString(*eventConfig, kEventConfigName).value_or("");
    if (name.empty()) {
      monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kEventConfigCacheNameEmpty,
                             "Cannot cache event configuration with an empty configuration name");
      continue;
    }
    events[publicToInternalEventNames().internalName(name).value_or(name)] = eventConfig;
  }
  {
    std::unique_lock lock(cacheMutex_);
    cachedValueByRemoteConfigKeys_ = std::move(values);
    cachedEventConfigByEventName_ = std::move(events);
  }
  if (nanoHasField(config, kConfigVersion)) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kConfigurationParsed,
                           "Successfully parsed a configuration. Version", Value(nanoGetInt64(config, kConfigVersion)));
  }
  loadEventEditing(config);
}

// Read in place: the program is loaded from the configuration itself, never from a copy.
void RemoteConfig::loadEventEditing(const ProtoMeasurementConfig& config) {
  const auto programs = nanoMessagesIn<ProtoProgram>(config, kConfigPrograms);
  if (programs.empty()) return;  // the editing instance in place stays
  const Context hooks = context();
  auto host = std::make_shared<const sdk::analytics::WeakMeasurementHost>(hooks.host);
  auto editing = std::make_shared<EventEditing>(host);
  std::weak_ptr<RemoteConfig> weak = weak_from_this();
  editing->setModuleCreator(
      [weak](ScriptHeap& heap) {
        return ScriptValueRef(heap.make<KeyValueStoreModule>(u"internal.remoteConfig", [weak](const std::string& key) {
          auto self = weak.lock();
          return self ? self->configuredText(key) : std::nullopt;
        }));
      },
      u"internal.remoteConfig");
  editing->setModuleCreator(
      [hooks](ScriptHeap& heap) {
        return ScriptValueRef(heap.make<ObjectProvider>(u"internal.appMetadata", [hooks] {
          Dictionary metadata{{"platform", "ios"},
                              {"package_name", platform::foundation::Bundle::main()->bundleIdentifier()},
                              {"vmp_version", hooks.libraryVersion}};
          if (std::string version = hooks.appVersion ? hooks.appVersion() : ""; !version.empty()) {
            metadata["app_version"] = version;
          }
          return Value(std::move(metadata));
        }));
      },
      u"internal.appMetadata");
  editing->setModuleCreator(
      [host](ScriptHeap& heap) {
        return ScriptValueRef(heap.make<LoggerModule>(std::make_shared<MonitorScriptLogger>(host)));
      },
      u"internal.logger");
  const bool loaded = editing->loadProgram(*programs.begin()).ok();
  std::unique_lock lock(cacheMutex_);
  if (!loaded) {
    eventEditing_.reset();
    lock.unlock();
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventEditingInitFailed,
                           "Failed to initiate event editing instance");
    return;
  }
  eventEditing_ = std::move(editing);
  lock.unlock();
  monitor()->logWithLevel(LogLevel::kDebug, messages::kEventEditingProgramsLoading,
                         "Loading Event Modification and Creation programs",
                         Value(static_cast<std::int64_t>(programs.size())));
}

void RemoteConfig::reset() {
  {
    std::unique_lock lock(cacheMutex_);
    cachedValueByRemoteConfigKeys_.clear();
    cachedEventConfigByEventName_.clear();
    if (!isDefaultInstance_) remoteConfigProto_.reset();
  }
  if (experiments_) experiments_->reset();
}

std::int64_t RemoteConfig::version() const {
  std::shared_lock lock(cacheMutex_);
  if (!remoteConfigProto_ || !nanoHasField(*remoteConfigProto_, kConfigVersion)) return -1;
  return nanoGetInt64(*remoteConfigProto_, kConfigVersion);
}

double RemoteConfig::lastRemoteConfigUpdateTimestamp() {
  if (isDefaultInstance_) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kDefaultInstanceTimestampMissing,
                           "Cannot fetch the last configuration update timestamp from the default instance");
    return 0;
  }
  auto database = database_.lock();
  if (!database) return 0;
  auto timestamp = database->lastRemoteConfigUpdateTimestamp();
  if (!timestamp) {
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kConfigurationTimestampQueryFailed,
                           "Failed to query last configuration update timestamp. Error",
                           Value(timestamp.error().description()));
  }
  return timestamp.valueOr(0);
}

bool RemoteConfig::isExpired() {
  if (isDefaultInstance_) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kDefaultConfigurationTimestampMissing,
                           "Cannot fetch the last update timestamp from the default configuration");
    return false;
  }
  const double age = std::fabs(platform::foundation::Clock::current()->now() - lastRemoteConfigUpdateTimestamp());
  return age >= remoteConfigCacheTimeInterval();
}

std::optional<std::string> RemoteConfig::remoteConfigURLWithAppInstanceID(
    const std::optional<std::string>& appInstanceID, const std::string& platform, std::int64_t SDKVersion,
    std::int64_t runtimeVersion) const {
  const Context hooks = context();
  const bool storageDenied = hooks.isAnalyticsStorageDenied && hooks.isAnalyticsStorageDenied();
  const std::string instance = storageDenied ? "" : appInstanceID.value_or("");
  if (platform.empty() || (instance.empty() && !storageDenied)) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kConfigurationURLIdentifiersEmpty,
                           "Cannot create a URL to fetch a configuration with empty app instance ID or empty platform "
                           "(app instance, platform)",
                           Value(appInstanceID.value_or("")), Value(platform));
    return std::nullopt;
  }
  const std::string base = sdk::analytics::serviceBaseURL();
  if (base.empty()) return std::nullopt;
  Dictionary query{{"app_instance_id", instance},
                   {"platform", platform},
                   {"runtime_version", runtimeVersion},
                   {"vmp_version", SDKVersion}};
  return base + kConfigPath + percentEncoded(appID_) + "?" + queryString(query);
}

std::shared_ptr<EventEditing> RemoteConfig::eventEditing() const {
  std::shared_lock lock(cacheMutex_);
  return eventEditing_;
}

// --- per-event configuration -----------------------------------------------------------------------

std::shared_ptr<ProtoEventConfig> RemoteConfig::eventConfigWithName(const std::string& name) const {
  if (name.empty()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kEventConfigNameEmpty,
                           "Cannot find event config with empty event name");
    return nullptr;
  }
  std::shared_lock lock(cacheMutex_);
  auto found = cachedEventConfigByEventName_.find(name);
  return found == cachedEventConfigByEventName_.end() ? nullptr : found->second;
}

bool RemoteConfig::isEventBlocklisted(const std::string& name) {
  if (auto config = eventConfigWithName(name);
      config && nanoHasField(*config, kEventConfigBlocked) && nanoGetBool(*config, kEventConfigBlocked)) {
    return true;
  }
  return isPublicName(Value(name)) ? blocklistPublic() : blocklistInternal();
}

bool RemoteConfig::isEventCustomConversion(const std::string& name) const {
  auto config = eventConfigWithName(name);
  return config && nanoGetBool(*config, kEventConfigConversion);
}

bool RemoteConfig::eventHasSamplingRate(const std::string& name) const {
  auto config = eventConfigWithName(name);
  return config && nanoHasField(*config, kEventConfigSamplingRate);
}

std::int32_t RemoteConfig::samplingRateForEvent(const std::string& name) const {
  auto config = eventConfigWithName(name);
  if (!config) return 1;
  const std::int32_t rate = nanoGetInt32(*config, kEventConfigSamplingRate);
  return rate >= 2 && rate <= 65535 ? rate : 1;
}

// --- experiments -----------------------------------------------------------------------------------

std::vector<std::int64_t> RemoteConfig::experimentIDs() const {
  return experiments_ ? experiments_->experimentIDs() : std::vector<std::int64_t>{};
}

bool RemoteConfig::activateNewSnapshot() {
  {
    std::lock_guard lock(snapshotMutex_);
    if (!hasNewSnapshot_) return false;
  }
  auto activated = experiments_ ? experiments_->activateLatestSnapshot() : platform::foundation::ErrorOr<bool>(false);
  if (!activated.valueOr(false)) {
    monitor()->logWithLevel(
        LogLevel::kSilentError, messages::kSnapshotActivationFailed, "Cannot activate snapshot. Error",
        Value(activated.ok() ? platform::foundation::Error().description() : activated.error().description()));
    return false;
  }
  std::lock_guard lock(snapshotMutex_);
  hasNewSnapshot_ = false;
  return true;
}

void RemoteConfig::clientDidReceiveNewSnapshot() {
  std::lock_guard lock(snapshotMutex_);
  hasNewSnapshot_ = true;
}

void RemoteConfig::clientDidReceiveFetchError(const Error& error) {
  monitor()->logWithLevel(LogLevel::kSilentError, messages::kExperimentFetchFailed, "Cannot fetch experiment. Error",
                         Value(error.description()));
}

bool RemoteConfig::shouldFetchExperimentsForClient() {
  const Context hooks = context();
  return hooks.isMeasurementEnabled && hooks.isMeasurementEnabled();
}

}  // namespace sdk::analytics

