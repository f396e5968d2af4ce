#include "sdk/analytics/engine/APMRemoteConfig.h"

#include <cmath>
#include <cstdlib>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/APMWeakMeasurementHost.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTables.h"
#include "sdk/analytics/foundation/APMNameTests.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMPBProgram.h"
#include "sdk/analytics/foundation/APMQueryString.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMServiceURL.h"
#include "sdk/analytics/rules/APMPEventEditing.h"
#include "sdk/analytics/rules/APMPNativeModules.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

using sdk::analytics::monitor;

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// Field indices of the configuration messages.
constexpr int kConfigVersion = 0;
constexpr int kConfigAppID = 1;
constexpr int kConfigSettings = 3;
constexpr int kConfigEventConfigs = 4;
constexpr int kConfigDeDedAppID = 6;
constexpr int kConfigPrograms = 8;
constexpr int kSettingName = 0;
constexpr int kSettingValue = 1;
constexpr int kEventConfigName = 0;
constexpr int kEventConfigBlocked = 1;
constexpr int kEventConfigConversion = 2;
constexpr int kEventConfigSamplingRate = 3;

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

APMRemoteConfig::APMRemoteConfig(Private, std::string appID, const std::shared_ptr<APMDatabase>& database,
                                 std::shared_ptr<Experiments> experiments, Context context)
    : appID_(std::move(appID)),
      isDefaultInstance_(appID_.empty() && !database),
      database_(database),
      experiments_(std::move(experiments)),
      context_(std::move(context)) {}

std::shared_ptr<APMRemoteConfig> APMRemoteConfig::defaultInstance() {
  static const auto instance = std::make_shared<APMRemoteConfig>(Private(), "", nullptr, nullptr, Context());
  return instance;
}

std::shared_ptr<APMRemoteConfig> APMRemoteConfig::initWithAppID(const std::string& appID,
                                                                const std::shared_ptr<APMDatabase>& database,
                                                                std::shared_ptr<Experiments> experiments,
                                                                Context context) {
  if (appID.empty()) {
    monitor().logWithLevel(1, 29000, "Cannot init remote configuration without valid Vadeze App ID");
    return nullptr;
  }
  if (!database) {
    monitor().logWithLevel(1, 29001, "Cannot init remote configuration without valid database");
    return nullptr;
  }
  return initWithAppIDMeasurementConfig(appID, database, nullptr, std::move(experiments), std::move(context));
}

std::shared_ptr<APMRemoteConfig> APMRemoteConfig::initWithAppID(const std::string& appID,
                                                                const std::shared_ptr<APMDatabase>& database) {
  return initWithAppID(appID, database, nullptr, Context());
}

std::shared_ptr<APMRemoteConfig> APMRemoteConfig::initWithAppIDMeasurementConfig(
    const std::string& appID, const std::shared_ptr<APMDatabase>& database,
    std::shared_ptr<APMPBMeasurementConfig> measurementConfig, std::shared_ptr<Experiments> experiments,
    Context context) {
  auto config = std::make_shared<APMRemoteConfig>(Private(), appID, database, std::move(experiments),
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

void APMRemoteConfig::registerWithExperiments() {
  if (!experiments_) return;
  experiments_->registerClient(kSDKPropertyName, context().libraryVersion, defaultExperimentFlags(),
                               weak_from_this());
  Error error;
  if (!experiments_->activateLatestSnapshot(&error) && !error.domain.empty()) {
    monitor().logWithLevel(2, 29023, "Cannot activate stale snapshot. Error", Value(error.description()));
  }
}

void APMRemoteConfig::setContext(Context context) {
  std::unique_lock lock(cacheMutex_);
  context_ = std::move(context);
}

APMRemoteConfig::Context APMRemoteConfig::context() const {
  std::shared_lock lock(cacheMutex_);
  return context_;
}

// --- the configuration -----------------------------------------------------------------------------

bool APMRemoteConfig::updateMeasurementConfig(const std::shared_ptr<APMPBMeasurementConfig>& config) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("updateMeasurementConfig");
  if (isDefaultInstance_) {
    monitor().logWithLevel(2, 29002, "Cannot update the default measurement configuration");
    return false;
  }
  if (!config) {
    monitor().logWithLevel(5, 29003, "Cannot set empty measurement config to database");
    return false;
  }
  const Context hooks = context();
  if (hooks.origin && hooks.origin() == "am" && APMNanoGetString(*config, kConfigDeDedAppID).value_or("") != appID_) {
    monitor().logWithLevel(2, 29022, "Cannot set measurement config when DeDed App ID does not match");
    return false;
  }
  if (APMNanoGetString(*config, kConfigAppID).value_or("") != appID_) {
    monitor().logWithLevel(2, 29004, "Cannot set measurement config when Vadeze App ID does not match");
    return false;
  }
  auto database = database_.lock();
  if (!database) {
    monitor().logWithLevel(1, 29005, "Cannot store config into the database", Value("The database is closed"));
    return false;
  }
  Error error;
  if (!database->updateRemoteConfig(*config, &error) && !error.domain.empty()) {
    monitor().logWithLevel(1, 29005, "Cannot store config into the database", Value(error.description()));
    return false;
  }
  {
    std::unique_lock lock(cacheMutex_);
    remoteConfigProto_ = config;
  }
  parseRemoteConfigFromMeasurementConfig(*config);
  return true;
}

std::shared_ptr<APMPBMeasurementConfig> APMRemoteConfig::measurementConfigFromDatabase() {
  APMScheduler::checkOnBackgroundThreadWithMethodName("measurementConfigFromDatabase");
  if (isDefaultInstance_) {
    monitor().logWithLevel(2, 29015,
                           "Cannot retrieve a measurement configuration from the database for the default instance");
    return nullptr;
  }
  auto database = database_.lock();
  Error error;
  auto config = database ? database->queryMeasurementConfigWithError(&error) : nullptr;
  if (config) return config;
  if (!error.domain.empty()) {
    monitor().logWithLevel(2, 29016, "Cannot retrieve configuration data from database. Error",
                           Value(error.description()));
  } else {
    monitor().logWithLevel(7, 29017,
                           "Configuration was not found in database. The configuration will be fetched from the "
                           "network when necessary");
  }
  return nullptr;
}

void APMRemoteConfig::parseRemoteConfigFromMeasurementConfig(const APMPBMeasurementConfig& config) {
  const auto settings = APMNanoGetMessageArray<APMPBSetting>(config, kConfigSettings);
  if (settings.empty() && !APMNanoHasField(config, kConfigAppID)) {
    monitor().logWithLevel(2, 29012, "Cannot parse empty measurement config. Using default values");
    return;
  }
  if (APMNanoGetString(config, kConfigAppID).value_or("") != appID_) return;

  std::map<std::string, CachedSetting> values;
  for (const auto& setting : settings) {
    const std::string name = APMNanoGetString(*setting, kSettingName).value_or("");
    if (auto text = cacheValue(APMNanoGetString(*setting, kSettingValue).value_or(""), name)) {
      values[name].text = std::move(text);
    }
  }
  std::map<std::string, std::shared_ptr<APMPBEventConfig>> events;
  for (const auto& eventConfig : APMNanoGetMessageArray<APMPBEventConfig>(config, kConfigEventConfigs)) {
    const std::string name = APMNanoGetString(*eventConfig, kEventConfigName).value_or("");
    if (name.empty()) {
      monitor().logWithLevel(5, 29013, "Cannot cache event configuration with an empty configuration name");
      continue;
    }
    events[APMPublicToInternalEventNames().internalName(name).value_or(name)] = eventConfig;
  }
  {
    std::unique_lock lock(cacheMutex_);
    cachedValueByRemoteConfigKeys_ = std::move(values);
    cachedEventConfigByEventName_ = std::move(events);
  }
  if (APMNanoHasField(config, kConfigVersion)) {
    monitor().logWithLevel(7, 29014, "Successfully parsed a configuration. Version",
                           Value(APMNanoGetInt64(config, kConfigVersion)));
  }

  const auto programs = APMNanoGetMessageArray<APMPBProgram>(config, kConfigPrograms);
  if (programs.empty()) return;  // the editing instance in place stays
  const Context hooks = context();
  auto host = std::make_shared<const sdk::analytics::APMWeakMeasurementHost>(hooks.host);
  auto editing = std::make_shared<APMPEventEditing>(host);
  std::weak_ptr<APMRemoteConfig> weak = weak_from_this();
  editing->setModuleCreator(
      [weak](APMPHeap& heap) {
        return APMPValueRef(heap.make<APMPKeyValueStore>(u"internal.remoteConfig", [weak](const std::string& key) {
          auto self = weak.lock();
          return self ? self->configuredText(key) : std::nullopt;
        }));
      },
      u"internal.remoteConfig");
  editing->setModuleCreator(
      [hooks](APMPHeap& heap) {
        return APMPValueRef(heap.make<APMPObjectProvider>(u"internal.appMetadata", [hooks] {
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
      [host](APMPHeap& heap) {
        return APMPValueRef(heap.make<APMPMessageLogger>(std::make_shared<APMPixieLogger>(host)));
      },
      u"internal.logger");
  APMPError error;
  const bool loaded = editing->loadProgram(*programs.front(), error);
  std::unique_lock lock(cacheMutex_);
  if (!loaded) {
    eventEditing_.reset();
    lock.unlock();
    monitor().logWithLevel(1, 29026, "Failed to initiate event editing instance");
    return;
  }
  eventEditing_ = std::move(editing);
  lock.unlock();
  monitor().logWithLevel(7, 29027, "Loading Event Modification and Creation programs",
                         Value(static_cast<std::int64_t>(programs.size())));
}

void APMRemoteConfig::reset() {
  {
    std::unique_lock lock(cacheMutex_);
    cachedValueByRemoteConfigKeys_.clear();
    cachedEventConfigByEventName_.clear();
    if (!isDefaultInstance_) remoteConfigProto_.reset();
  }
  if (experiments_) experiments_->reset();
}

std::int64_t APMRemoteConfig::version() const {
  std::shared_lock lock(cacheMutex_);
  if (!remoteConfigProto_ || !APMNanoHasField(*remoteConfigProto_, kConfigVersion)) return -1;
  return APMNanoGetInt64(*remoteConfigProto_, kConfigVersion);
}

double APMRemoteConfig::lastRemoteConfigUpdateTimestamp() {
  if (isDefaultInstance_) {
    monitor().logWithLevel(2, 29008,
                           "Cannot fetch the last configuration update timestamp from the default instance");
    return 0;
  }
  auto database = database_.lock();
  if (!database) return 0;
  Error error;
  auto timestamp = database->lastRemoteConfigUpdateTimestamp(&error);
  if (!timestamp && !error.domain.empty()) {
    monitor().logWithLevel(4, 29009, "Failed to query last configuration update timestamp. Error",
                           Value(error.description()));
  }
  return timestamp.value_or(0);
}

bool APMRemoteConfig::isExpired() {
  if (isDefaultInstance_) {
    monitor().logWithLevel(2, 29007, "Cannot fetch the last update timestamp from the default configuration");
    return false;
  }
  const double age = std::fabs(platform::foundation::Clock::current()->now() - lastRemoteConfigUpdateTimestamp());
  return age >= remoteConfigCacheTimeInterval();
}

std::optional<std::string> APMRemoteConfig::remoteConfigURLWithAppInstanceID(
    const std::optional<std::string>& appInstanceID, const std::string& platform, std::int64_t SDKVersion,
    std::int64_t runtimeVersion) const {
  const Context hooks = context();
  const bool storageDenied = hooks.isAnalyticsStorageDenied && hooks.isAnalyticsStorageDenied();
  const std::string instance = storageDenied ? "" : appInstanceID.value_or("");
  if (platform.empty() || (instance.empty() && !storageDenied)) {
    monitor().logWithLevel(2, 29010,
                           "Cannot create a URL to fetch a configuration with empty app instance ID or empty platform "
                           "(app instance, platform)",
                           Value(appInstanceID.value_or("")), Value(platform));
    return std::nullopt;
  }
  const std::string base = sdk::analytics::APMServiceBaseURL();
  if (base.empty()) return std::nullopt;
  Dictionary query{{"app_instance_id", instance},
                   {"platform", platform},
                   {"runtime_version", runtimeVersion},
                   {"vmp_version", SDKVersion}};
  return base + kConfigPath + apm_percentEncoded(appID_) + "?" + apm_queryString(query);
}

std::shared_ptr<APMPEventEditing> APMRemoteConfig::eventEditing() const {
  std::shared_lock lock(cacheMutex_);
  return eventEditing_;
}

// --- per-event configuration -----------------------------------------------------------------------

std::shared_ptr<APMPBEventConfig> APMRemoteConfig::eventConfigWithName(const std::string& name) const {
  if (name.empty()) {
    monitor().logWithLevel(5, 29006, "Cannot find event config with empty event name");
    return nullptr;
  }
  std::shared_lock lock(cacheMutex_);
  auto found = cachedEventConfigByEventName_.find(name);
  return found == cachedEventConfigByEventName_.end() ? nullptr : found->second;
}

bool APMRemoteConfig::isEventBlocklisted(const std::string& name) {
  if (auto config = eventConfigWithName(name);
      config && APMNanoHasField(*config, kEventConfigBlocked) && APMNanoGetBool(*config, kEventConfigBlocked)) {
    return true;
  }
  return APMIsPublicName(Value(name)) ? blocklistPublic() : blocklistInternal();
}

bool APMRemoteConfig::isEventCustomConversion(const std::string& name) const {
  auto config = eventConfigWithName(name);
  return config && APMNanoGetBool(*config, kEventConfigConversion);
}

bool APMRemoteConfig::eventHasSamplingRate(const std::string& name) const {
  auto config = eventConfigWithName(name);
  return config && APMNanoHasField(*config, kEventConfigSamplingRate);
}

std::int32_t APMRemoteConfig::samplingRateForEvent(const std::string& name) const {
  auto config = eventConfigWithName(name);
  if (!config) return 1;
  const std::int32_t rate = APMNanoGetInt32(*config, kEventConfigSamplingRate);
  return rate >= 2 && rate <= 65535 ? rate : 1;
}

// --- experiments -----------------------------------------------------------------------------------

std::vector<std::int64_t> APMRemoteConfig::experimentIDs() const {
  return experiments_ ? experiments_->experimentIDs() : std::vector<std::int64_t>{};
}

bool APMRemoteConfig::activateNewSnapshot() {
  {
    std::lock_guard lock(snapshotMutex_);
    if (!hasNewSnapshot_) return false;
  }
  Error error;
  if (!experiments_ || !experiments_->activateLatestSnapshot(&error)) {
    monitor().logWithLevel(2, 29024, "Cannot activate snapshot. Error", Value(error.description()));
    return false;
  }
  std::lock_guard lock(snapshotMutex_);
  hasNewSnapshot_ = false;
  return true;
}

void APMRemoteConfig::clientDidReceiveNewSnapshot() {
  std::lock_guard lock(snapshotMutex_);
  hasNewSnapshot_ = true;
}

void APMRemoteConfig::clientDidReceiveFetchError(const Error& error) {
  monitor().logWithLevel(2, 29025, "Cannot fetch experiment. Error", Value(error.description()));
}

bool APMRemoteConfig::shouldFetchExperimentsForClient() {
  const Context hooks = context();
  return hooks.isMeasurementEnabled && hooks.isMeasurementEnabled();
}
