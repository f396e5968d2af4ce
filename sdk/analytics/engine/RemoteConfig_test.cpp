#include "sdk/analytics/engine/RemoteConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/MeasurementHostTestSupport.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;

using ostrel::testing::kMeasurementAppID;

// An experiments component whose flags the test sets.
class FakeExperiments final : public sdk::analytics::RemoteConfigExperiments {
 public:
  void registerClient(const std::string& name, std::int64_t version, const std::map<std::string, std::int64_t>& flags,
                      std::weak_ptr<Delegate> delegate) override {
    registeredName = name;
    defaultFlags = flags;
    this->delegate = std::move(delegate);
  }
  std::optional<bool> flag(const std::string& name) const override {
    auto found = flags.find(name);
    return found == flags.end() ? std::nullopt : std::optional<bool>(found->second);
  }
  std::vector<std::int64_t> experimentIDs() const override { return {7, 9}; }
  platform::foundation::ErrorOr<bool> activateLatestSnapshot() override {
    ++activations;
    if (activationFails) return Error{"test", 1, {}};
    return true;
  }
  void reset() override { ++resets; }

  std::string registeredName;
  std::map<std::string, std::int64_t> defaultFlags;
  std::weak_ptr<Delegate> delegate;
  std::map<std::string, bool> flags;
  bool activationFails = false;
  int activations = 0;
  int resets = 0;
};

std::shared_ptr<ProtoMeasurementConfig> configuration(const std::map<std::string, std::string>& settings,
                                                      const std::string& appID = kMeasurementAppID) {
  return ostrel::testing::measurementConfig(appID, settings);
}

void addEventConfig(ProtoMeasurementConfig& config, const std::string& name, std::optional<bool> blocked,
                    std::optional<std::int32_t> samplingRate, bool conversion = false) {
  auto event = ProtoEventConfig::make();
  nanoSetString(*event, 0, name);
  if (blocked) nanoSetBool(*event, 1, *blocked);
  if (conversion) nanoSetBool(*event, 2, true);
  if (samplingRate) nanoSetInt32(*event, 3, *samplingRate);
  nanoAddMessage(config, 4, *event);
}

class RemoteConfigTest : public ::testing::Test {
 protected:
  // Storing and reading back the configuration run on the engine's worker queue; a test does them there.
  template <typename Work>
  auto onWorker(const Work& work) {
    decltype(work()) result{};
    worker->sync([&] { result = work(); });
    return result;
  }
  bool store(const std::shared_ptr<ProtoMeasurementConfig>& stored) {
    return onWorker([&] { return config->updateMeasurementConfig(stored); });
  }

  void SetUp() override {
    database = ostrel::testing::succeeded(MeasurementDatabase::initWithDatabaseName(
        MeasurementDatabase::kDatabaseName, std::make_shared<PersistedConfig>()));
    ASSERT_TRUE(database);
    context.host = host;
    context.libraryVersion = 80700;
    config = onWorker([&] { return RemoteConfig::initWithAppID(kMeasurementAppID, database, experiments, context); });
    ASSERT_TRUE(config);
  }

  // Debug mode, so the debug-level lines reach the console the scope reads.
  ostrel::testing::MonitorScope scope{std::vector<std::string>{"-APMAnalyticsDebugEnabled"}};
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<platform::dispatch::Queue> worker = platform::dispatch::Queue::serial("test.worker");
  std::shared_ptr<FakeMeasurementHost> host = std::make_shared<FakeMeasurementHost>();
  std::shared_ptr<FakeExperiments> experiments = std::make_shared<FakeExperiments>();
  RemoteConfig::Context context;
  std::shared_ptr<MeasurementDatabase> database;
  std::shared_ptr<RemoteConfig> config;
};

TEST_F(RemoteConfigTest, SettingsReadWithDefaultsAndBoundsNeverClamped) {
  struct Case {
    const char* key;
    const char* text;  // nullptr: not configured
    double expected;
    double (*read)(RemoteConfig&);
  };
  const Case cases[] = {
      {"measurement.upload.interval", "60000", 60, [](RemoteConfig& c) { return c.uploadingInterval(); }},
      {"measurement.upload.interval", "10000", 3600, [](RemoteConfig& c) { return c.uploadingInterval(); }},
      {"measurement.upload.interval", "abc", 3600, [](RemoteConfig& c) { return c.uploadingInterval(); }},
      {"measurement.upload.interval", "1e400", 3600, [](RemoteConfig& c) { return c.uploadingInterval(); }},
      {"measurement.upload.interval", "-9e30", 3600, [](RemoteConfig& c) { return c.uploadingInterval(); }},
      {"measurement.upload.interval", nullptr, 3600, [](RemoteConfig& c) { return c.uploadingInterval(); }},
      {"measurement.upload.retry_count", "30", 6,
       [](RemoteConfig& c) { return static_cast<double>(c.uploadingRetryCount()); }},
      {"measurement.upload.retry_count", "0", 6,
       [](RemoteConfig& c) { return static_cast<double>(c.uploadingRetryCount()); }},
      {"measurement.upload.retry_count", "24", 24,
       [](RemoteConfig& c) { return static_cast<double>(c.uploadingRetryCount()); }},
      {"measurement.upload.retry_count", "9e99", 6,
       [](RemoteConfig& c) { return static_cast<double>(c.uploadingRetryCount()); }},
      {"measurement.upload.max_bundles_created_per_iteration", "5000", 5,
       [](RemoteConfig& c) { return static_cast<double>(c.maxBundlesCreatedPerIteration()); }},
      {"measurement.upload.max_bundles_created_per_iteration", "100", 100,
       [](RemoteConfig& c) { return static_cast<double>(c.maxBundlesCreatedPerIteration()); }},
      {"measurement.account.time_zone_offset_minutes", "-900", -900,
       [](RemoteConfig& c) { return static_cast<double>(c.analyticsAccountTimeZoneOffsetMinutes()); }},
      {"measurement.account.time_zone_offset_minutes", "-901", 0,
       [](RemoteConfig& c) { return static_cast<double>(c.analyticsAccountTimeZoneOffsetMinutes()); }},
      {"measurement.upload.max_realtime_events_per_day", "11", 10,
       [](RemoteConfig& c) { return static_cast<double>(c.maxRealtimeEventCountPerDay()); }},
      {"measurement.upload.max_realtime_events_per_day", "+3", 3,
       [](RemoteConfig& c) { return static_cast<double>(c.maxRealtimeEventCountPerDay()); }},
      {"measurement.upload.max_batch_size", "10485760", 10485760,
       [](RemoteConfig& c) { return static_cast<double>(c.uploadMaxSizeLimitBytes()); }},
      {"measurement.network.network_timeout", "29999", 60, [](RemoteConfig& c) { return c.networkTimeout(); }},
      {"measurement.network.network_timeout", "30000.9", 30, [](RemoteConfig& c) { return c.networkTimeout(); }},
      {"measurement.attmas_gate", "1", 1,
       [](RemoteConfig& c) { return static_cast<double>(c.gateIDFAOnATTMASEnabled()); }},
      {"measurement.ddl.enabled", "0", 0,
       [](RemoteConfig& c) { return static_cast<double>(c.isDeferredDeepLinkEnabled()); }},
      {"measurement.api.consent_settings", "2", 1,
       [](RemoteConfig& c) { return static_cast<double>(c.isConsentSettingsEnabled()); }},
  };
  for (const Case& c : cases) {
    std::map<std::string, std::string> settings;
    if (c.text) settings[c.key] = c.text;
    ASSERT_TRUE(store(configuration(settings)));
    EXPECT_EQ(c.read(*config), c.expected) << c.key << " = " << (c.text ? c.text : "(absent)");
    // The validated number is kept: a second read answers the same without parsing again.
    EXPECT_EQ(c.read(*config), c.expected) << c.key;
  }
}

// Whoever reads a setting first, with whatever default and bounds, every getter still answers its own:
// an absent switch stays on for the editing getter after a read that assumed off, and a text refused by
// narrow bounds is still read within wider ones.
TEST_F(RemoteConfigTest, AReadersDefaultOrBoundsNeverBecomeTheSetting) {
  ASSERT_TRUE(store(configuration({{"measurement.upload.retry_count", "12"}})));
  EXPECT_EQ(config->intValueFromCacheWithKey(EventEditing::kSwitchKey, 0, 1, 0), 0);
  EXPECT_TRUE(config->eesFeatureEnabled());
  EXPECT_EQ(config->intValueFromCacheWithKey("measurement.upload.retry_count", 6, 10, 1), 6);
  EXPECT_EQ(config->uploadingRetryCount(), 12);
  EXPECT_EQ(config->intValueFromCacheWithKey("measurement.upload.retry_count", 6, 10, 1), 6);
  EXPECT_EQ(config->configuredText("measurement.upload.retry_count"), "12");
}

TEST_F(RemoteConfigTest, LimitsSwitchAndExperimentFlags) {
  ASSERT_TRUE(store(
      configuration({{"measurement.upload.configurable_limits_enabled", "0"},
                     {"measurement.upload.max_public_event_params", "50"},
                     {"measurement.network.background_session_enabled", "0"},
                     {"measurement.collection.redundant_engagement_removal_enabled", "1"}})));
  EXPECT_EQ(config->maxPublicEventParams(), 25);
  EXPECT_EQ(config->maxEventNameCardinality(), 500);
  EXPECT_FALSE(config->isNetworkBackgroundSessionEnabled());
  EXPECT_TRUE(config->redundantEngagementRemovalEnabled());
  experiments->flags = {{"network_background_session_enabled", true},
                        {"redundant_engagement_removal_enabled", false}};
  EXPECT_TRUE(config->isNetworkBackgroundSessionEnabled());
  EXPECT_FALSE(config->redundantEngagementRemovalEnabled());

  ASSERT_TRUE(store(configuration({{"measurement.upload.max_public_event_params", "50"}})));
  EXPECT_EQ(config->maxPublicEventParams(), 50);

  EXPECT_EQ(experiments->registeredName, "app_measurement");
  EXPECT_EQ(experiments->defaultFlags.size(), 4u);
  EXPECT_EQ(experiments->delegate.lock().get(), config.get());
}

TEST_F(RemoteConfigTest, ConfigurationForAnotherAppIsRefusedAndChangesNothing) {
  auto first = configuration({{"measurement.upload.retry_count", "12"}});
  nanoSetInt64(*first, 0, 4);
  addEventConfig(*first, "app_update", true, 2);
  ASSERT_TRUE(store(first));
  EXPECT_EQ(config->version(), 4);

  auto other = configuration({{"measurement.upload.retry_count", "3"}}, "1:9:ios:ffff");
  addEventConfig(*other, "app_update", false, std::nullopt);
  EXPECT_FALSE(store(other));
  EXPECT_TRUE(scope.logged(29004));
  EXPECT_EQ(config->uploadingRetryCount(), 12);
  EXPECT_EQ(config->version(), 4);
  EXPECT_TRUE(config->isEventBlocklisted("_au"));

  // What is stored is still the first, so a restart reads it back; parsing another app's directly is
  // skipped in silence.
  auto restarted = onWorker([&] { return RemoteConfig::initWithAppID(kMeasurementAppID, database, nullptr, context); });
  EXPECT_EQ(restarted->uploadingRetryCount(), 12);
  restarted->parseRemoteConfigFromMeasurementConfig(*other);
  EXPECT_EQ(restarted->configuredText("measurement.upload.retry_count"), "12");

  // With the ads library's origin, the DeDed app ID must match too.
  context.origin = [] { return std::string("am"); };
  config->setContext(context);
  EXPECT_FALSE(store(configuration({})));
  EXPECT_TRUE(scope.logged(29022));
}

TEST_F(RemoteConfigTest, EventConfigurationsUnderInternalNames) {
  auto c = configuration({{"measurement.upload.blacklist_public", "1"}});
  addEventConfig(*c, "app_update", true, 1);
  addEventConfig(*c, "first_open", false, 70000);
  addEventConfig(*c, "purchase", std::nullopt, 2, true);
  addEventConfig(*c, "", true, 5);
  ASSERT_TRUE(store(c));
  EXPECT_TRUE(scope.logged(29013));

  EXPECT_TRUE(config->eventConfigWithName("_au"));
  EXPECT_FALSE(config->eventConfigWithName("app_update"));
  EXPECT_TRUE(config->isEventBlocklisted("_au"));
  EXPECT_FALSE(config->isEventBlocklisted("_f"));
  EXPECT_FALSE(config->isEventBlocklisted("_other"));
  EXPECT_TRUE(config->isEventBlocklisted("other_public"));
  EXPECT_EQ(config->samplingRateForEvent("_au"), 1);
  EXPECT_EQ(config->samplingRateForEvent("_f"), 1);
  EXPECT_TRUE(config->eventHasSamplingRate("_f"));
  EXPECT_EQ(config->samplingRateForEvent("purchase"), 2);
  EXPECT_TRUE(config->isEventCustomConversion("purchase"));
  EXPECT_FALSE(config->eventHasSamplingRate("unknown"));
  EXPECT_EQ(config->samplingRateForEvent("unknown"), 1);
}

TEST_F(RemoteConfigTest, DefaultInstanceAndExpiry) {
  auto defaults = RemoteConfig::defaultInstance();
  EXPECT_TRUE(defaults->isDefaultInstance());
  EXPECT_FALSE(onWorker([&] { return defaults->updateMeasurementConfig(configuration({})); }));
  EXPECT_TRUE(scope.logged(29002));
  EXPECT_FALSE(defaults->isExpired());
  EXPECT_EQ(defaults->uploadingInterval(), 3600);
  EXPECT_EQ(defaults->version(), -1);
  EXPECT_FALSE(RemoteConfig::initWithAppID("", database));
  EXPECT_FALSE(RemoteConfig::initWithAppID(kMeasurementAppID, nullptr));

  EXPECT_EQ(config->version(), -1);
  EXPECT_TRUE(config->isExpired());  // nothing stored yet
  ASSERT_TRUE(store(configuration({{"measurement.config.cache_time", "120000"}})));
  EXPECT_FALSE(config->isExpired());
  environment.clock()->advance(119);
  EXPECT_FALSE(config->isExpired());
  environment.clock()->advance(1);
  EXPECT_TRUE(config->isExpired());
}

TEST_F(RemoteConfigTest, FetchURL) {
  setenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable, "http://127.0.0.1:8080/", 1);
  EXPECT_EQ(config->remoteConfigURLWithAppInstanceID("abc", "ios", 80700, 3),
            std::string("http://127.0.0.1:8080/config/app/") + kMeasurementAppID +
                "?app_instance_id=abc&platform=ios&runtime_version=3&vmp_version=80700");
  EXPECT_FALSE(config->remoteConfigURLWithAppInstanceID(std::nullopt, "ios", 1, 1));
  EXPECT_TRUE(scope.logged(29010));
  EXPECT_FALSE(config->remoteConfigURLWithAppInstanceID("abc", "", 1, 1));

  context.isAnalyticsStorageDenied = [] { return true; };
  config->setContext(context);
  auto denied = config->remoteConfigURLWithAppInstanceID("abc", "ios", 1, 2);
  ASSERT_TRUE(denied);
  EXPECT_NE(denied->find("app_instance_id=&"), std::string::npos) << *denied;

  unsetenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable);
  EXPECT_FALSE(config->remoteConfigURLWithAppInstanceID("abc", "ios", 1, 2));

  using sdk::analytics::normalizedServiceURL;
  EXPECT_EQ(normalizedServiceURL("https://a.example//"), "https://a.example");
  for (const char* refused : {"ftp://a.example", "https://", "https:///path", "a.example", "http://:80"}) {
    EXPECT_EQ(normalizedServiceURL(refused), "") << refused;
  }
}

TEST_F(RemoteConfigTest, EventEditingFromTheFirstProgram) {
  auto withProgram = [](const std::string& instructions) {
    auto c = configuration({{"measurement.custom", "hello"}});
    nanoAddMessage(*c, 8, *ostrel::testing::program(instructions, {}));
    return c;
  };
  ASSERT_TRUE(store(withProgram(
      "(const \"rc\" (require \"internal.remoteConfig\") \"meta\" (require \"internal.appMetadata\")"
      " \"logger\" (require \"internal.logger\"))"
      "(call $logger \"log\" (quote 6 (call $rc \"getValue\" (quote \"measurement.custom\" \"none\"))))")));
  auto editing = config->eventEditing();
  ASSERT_TRUE(editing);
  EXPECT_TRUE(scope.logged(29027));
  // The program's modules resolved: its log line reached the engine's monitor.
  EXPECT_NE(host->monitoringData().find(":24005:"), std::string::npos);

  // A later configuration without programs keeps the instance; one whose program fails drops it.
  ASSERT_TRUE(store(configuration({})));
  EXPECT_EQ(config->eventEditing(), editing);
  ASSERT_TRUE(store(withProgram("(return 1)")));
  EXPECT_FALSE(config->eventEditing());
  EXPECT_TRUE(scope.logged(29026));
}

TEST_F(RemoteConfigTest, SnapshotsAndReset) {
  EXPECT_EQ(experiments->activations, 1);  // the stale snapshot at creation
  EXPECT_FALSE(config->activateNewSnapshot());
  config->clientDidReceiveNewSnapshot();
  experiments->activationFails = true;
  EXPECT_FALSE(config->activateNewSnapshot());
  EXPECT_TRUE(scope.logged(29024));
  experiments->activationFails = false;
  EXPECT_TRUE(config->activateNewSnapshot());
  EXPECT_FALSE(config->activateNewSnapshot());
  EXPECT_EQ(config->experimentIDs(), (std::vector<std::int64_t>{7, 9}));

  EXPECT_FALSE(config->shouldFetchExperimentsForClient());
  context.isMeasurementEnabled = [] { return true; };
  config->setContext(context);
  EXPECT_TRUE(config->shouldFetchExperimentsForClient());

  ASSERT_TRUE(store(configuration({{"measurement.upload.retry_count", "12"}})));
  config->reset();
  EXPECT_EQ(config->uploadingRetryCount(), 6);
  EXPECT_EQ(config->version(), -1);
  EXPECT_EQ(experiments->resets, 1);
}

}  // namespace

}  // namespace sdk::analytics

