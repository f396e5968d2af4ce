// The engine's start-up reports, from the facade's start to the measurement database: first open and
// the session it begins, the keychain marker that outlives a reinstall, a reset and a consent
// withdrawal repeating the first open, and the personalised-ads property.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/security/Keychain.h"
#include "platform/store/AdNetwork.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/KeychainWrapper.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/utilities/UserDefaultsStore.h"
#include "testing/ContainerSnapshot.h"
#include "testing/FileContents.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/ScratchFolder.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using Strings = std::vector<std::string>;

using ostrel::testing::kMeasurementAppID;
// One millisecond past a whole hour, a little before the test clock's start.
constexpr double kLoadTimestamp = 1699999200.001;
constexpr std::int64_t kFirstOpenMillis = 1699999200001;

// Sessions kept the way the reporters keep them, as far as the engine asks: a session has expired
// once more than the timeout has passed since the last activity.
class FakeSessionReporter final : public sdk::analytics::SessionReporting {
 public:
  // `numberAsked`: told when the engine asks for a session's number to store it.
  FakeSessionReporter(std::shared_ptr<PersistedConfig> persisted, std::function<void()> numberAsked)
      : persisted_(std::move(persisted)), numberAsked_(std::move(numberAsked)) {}

  void setReportingEnabled(bool enabled) override { enabled_ = enabled; }
  bool isReportingEnabled() const override { return enabled_; }
  void setTimeoutSessionInterval(double seconds) override { timeout_ = seconds; }
  double timeoutSessionInterval() const override { return timeout_; }
  bool isSessionExpired() const override {
    return std::fabs(now() - persisted_->lastSessionActivityClockTime()) > timeout_;
  }
  bool extendSession() override {
    if (isSessionExpired()) return false;
    persisted_->setLastSessionActivityClockTime(now());
    return true;
  }
  void updatePropertiesForNewSessionStart() override {
    persisted_->setSessionNumber(persisted_->sessionNumber() + 1);
    persisted_->setLastSessionActivityClockTime(now());
  }
  UserAttribute sessionIDPropertyWithTimestamp(double timestamp) const override {
    return UserAttribute("auto", "_sid", AnalyticsValue(static_cast<std::int64_t>(timestamp)), timestamp);
  }
  UserAttribute sessionNumberProperty() const override {
    if (numberAsked_) numberAsked_();
    return UserAttribute("auto", "_sno", AnalyticsValue(persisted_->sessionNumber()), now());
  }

 private:
  static double now() { return platform::foundation::Clock::current()->now(); }
  std::shared_ptr<PersistedConfig> persisted_;
  std::function<void()> numberAsked_;
  std::atomic<bool> enabled_{false};
  std::atomic<double> timeout_{1800};
};

// The screen-view reporter as far as the event path asks it: the app is in the background.
class BackgroundScreens final : public sdk::analytics::ScreenViewReporting {
 public:
  Parameters screenParameters() override { return {}; }
  void trackScreenWithParameters(const Dictionary&, double) override {}
  void setScreenName(const std::optional<std::string>&, const std::optional<std::string>&) override {}
  bool isAppActive() override { return false; }
};

// Records when the engine hands over the parked launch link.
class RecordingCampaigns final : public sdk::analytics::CampaignReporting {
 public:
  void handleNonFirstOpenEventURL(const std::string&, double) override {}
  void handleOpenURLOnWorkerQueue(const std::optional<std::string>&, std::optional<std::int64_t>, double,
                                  const Dictionary&) override {}
  void requestDeferredDeepLinkIfAllowedOnWorkerQueue() override {}
  void reportParkedLinkOnWorkerQueue(std::optional<std::int64_t> clickTimestampMs) override {
    std::lock_guard lock(mutex);
    replays.push_back(clickTimestampMs);
  }
  std::vector<std::optional<std::int64_t>> replayed() {
    std::lock_guard lock(mutex);
    return replays;
  }

 private:
  std::mutex mutex;
  std::vector<std::optional<std::int64_t>> replays;
};

class LifecycleTest : public ::testing::Test {
 protected:
  LifecycleTest() {
    settings = ostrel::testing::ScopedIdentitySettings::install();
    sdk::analytics::SessionReporting::setFactory(
        [this](std::shared_ptr<PersistedConfig> persisted, std::shared_ptr<RemoteConfig>) {
          auto reporter = std::make_shared<FakeSessionReporter>(std::move(persisted), [this] {
            if (sessionNumberAsked) sessionNumberAsked();
          });
          std::lock_guard lock(mutex);
          reporters.push_back(reporter);
          return reporter;
        });
    sdk::analytics::CampaignReporting::setFactory([this](std::weak_ptr<MeasurementEngine>) { return campaigns; });
    AppIdentifiers::sharedInstance()->setOrigin("fa");
  }
  ~LifecycleTest() override {
    drain();
    Analytics::resetForTesting();
    sdk::analytics::SessionReporting::setFactory(nullptr);
    sdk::analytics::CampaignReporting::setFactory(nullptr);
    sdk::analytics::ReporterEngineAccess::setCurrent({});
    AppIdentifiers::setEngineIdentity(nullptr);
    if (!previousBundle.empty()) platform::foundation::Bundle::setMainPath(previousBundle);
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  // One launch of the app over the container in use: the facade starts anew and makes a new engine.
  void launch(double loadTimestamp = kLoadTimestamp, bool enabledByDefault = true) {
    drain();
    Analytics::resetForTesting();
    Analytics::installErrorEventHandler();
    persisted = std::make_shared<PersistedConfig>();
    Analytics::setIdentityForTesting(Identity::initWithPersistedConfig(persisted));
    Analytics::setLoadTimestamp(loadTimestamp);
    Analytics::setEngineAccess({[this, enabledByDefault](const std::string&, bool, bool,
                                                            const std::vector<std::string>&) {
                                     MeasurementEngine::Parts parts;
                                     parts.persistedConfig = persisted;
                                     parts.scheduler = std::make_shared<Scheduler>("test.worker");
                                     parts.alarm = std::make_shared<Alarm>(parts.scheduler->workerQueue(),
                                                                              MeasurementEngine::kAlarmName);
                                     parts.identity = Identity::initWithPersistedConfig(persisted);
                                     engine = MeasurementEngine::initWithParts(parts, kMeasurementAppID, enabledByDefault,
                                                                            false, {});
                                   },
                                   [this]() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return engine; }});
    Analytics::startWithAppID(kMeasurementAppID, "fa", {});
    drain();
  }
  // The facade's queues, the worker queue and the queue that writes the settings, over and over: work on
  // one queues work on another. Once drained, nothing the engine started writes in the container.
  void drain() {
    for (int round = 0; round < 3; ++round) {
      Analytics::drainForTesting();
      if (engine) engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
      sdk::utilities::UserDefaultsStore::synchronizeQueue()->sync([] {});
    }
  }
  Strings storedNames() {
    Strings names;
    auto rows = engine->database()->store().recordsForQuery("SELECT name FROM raw_events ORDER BY rowid", {});
    for (const auto& row : rows.valueOr(std::vector<Dictionary>{})) names.push_back(*row.at("name").string());
    return names;
  }
  // The parameters of the newest stored event of that name.
  Parameters storedParameters(const std::string& name) {
    auto& database = *engine->database();
    auto rows = database.store().recordsForQuery(
        "SELECT metadata_fingerprint FROM raw_events WHERE name = ? ORDER BY rowid DESC", {Value(name)});
    if (!rows || rows->empty()) return {};
    auto events =
        database.rawEventsWithMetadataFingerprint(rows->front().at("metadata_fingerprint").toInt64(), nullptr);
    for (const auto& raw : events.valueOr(std::vector<RawEventData>{})) {
      if (raw.rawEvent.name() == name) return raw.rawEvent.parameters();
    }
    return {};
  }
  std::optional<AnalyticsValue> property(const std::string& name) {
    auto stored = ostrel::testing::succeeded(engine->database()->userAttributeWithName(name));
    return stored ? std::optional(stored->value) : std::nullopt;
  }
  std::string bundleIdentifier() const { return platform::foundation::Bundle::main()->bundleIdentifier(); }
  void writeInfo(const Dictionary& info) {
    const std::string folder = container.pathFor("bundle" + std::to_string(++bundles));
    std::filesystem::create_directories(folder);
    platform::foundation::PropertyList::writeFile(folder + "/Info.plist", Value(info),
                                                  platform::foundation::PropertyList::Format::Xml);
    const std::string before = platform::foundation::Bundle::setMainPath(folder);
    if (previousBundle.empty()) previousBundle = before;
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::MonitorScope log;
  std::shared_ptr<ostrel::testing::ScopedIdentitySettings> settings;
  std::shared_ptr<PersistedConfig> persisted;
  std::shared_ptr<MeasurementEngine> engine;
  std::mutex mutex;
  std::vector<std::shared_ptr<FakeSessionReporter>> reporters;
  std::shared_ptr<RecordingCampaigns> campaigns = std::make_shared<RecordingCampaigns>();
  // Called on the worker queue as a new session's number is stored, right before its "_s".
  std::function<void()> sessionNumberAsked;
  std::string previousBundle;
  int bundles = 0;
};

TEST(FirstOpenTimeTest, RoundsUpToTheNextHour) {
  EXPECT_EQ(LifecycleEvents::timestampMillisRoundedUpToNextHour(36'000'001), 39'600'000);
  EXPECT_EQ(LifecycleEvents::timestampMillisRoundedUpToNextHour(36'000'000), 39'600'000);  // a whole hour moves on
  EXPECT_EQ(LifecycleEvents::timestampMillisRoundedUpToNextHour(35'999'999), 36'000'000);
}

TEST_F(LifecycleTest, FirstStartOpensThenStartsASessionAndLaterStartsOnlyMarkTheKeychain) {
  const auto registrations = platform::store::AdNetwork::registrationCount();
  launch();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  // One sync each for the new database's tables, the stale-data sweep and all the start's reports.
  EXPECT_EQ(ostrel::testing::walCommitCount(measurementDirectoryFilePath(MeasurementDatabase::kDatabaseName)), 3);
  EXPECT_EQ(property("_fi")->int64Value(), 1);
  EXPECT_EQ(property("_fot")->int64Value(), 1700002800000);
  EXPECT_EQ(property("_sid")->int64Value(), 1699999200);
  EXPECT_EQ(property("_sno")->int64Value(), 1);
  const Parameters firstOpen = storedParameters("_f");
  EXPECT_EQ(firstOpen.at("_pfo").int64Value(), 0);
  EXPECT_EQ(firstOpen.at("_uwa").int64Value(), 0);
  EXPECT_FALSE(firstOpen.contains("_pvmp"));
  EXPECT_EQ(storedParameters("_e").at("_et").int64Value(), 1);
  EXPECT_EQ(persisted->firstOpenTimestampMilliseconds(), kFirstOpenMillis);
  EXPECT_FALSE(persisted->loadTimestampValue()) << "the next start takes its own load time";
  EXPECT_EQ(platform::store::AdNetwork::registrationCount(), registrations + 1);
  EXPECT_EQ(campaigns->replayed(), (std::vector<std::optional<std::int64_t>>{kFirstOpenMillis - 1}))
      << "a parked launch link sorts before the first open";
  // The stored first open counts itself in the keychain, which outlives the app's data.
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", bundleIdentifier()), "1");

  // Within the session timeout: nothing new.
  environment.advance(60);
  launch(kLoadTimestamp + 860);
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", bundleIdentifier()), "1");
  EXPECT_EQ(platform::store::AdNetwork::registrationCount(), registrations + 1);

  // A marker lost from the keychain is put back by a later start.
  ASSERT_TRUE(KeychainWrapper::upsertKeychainValue("0", "_pfo", bundleIdentifier()));
  launch(kLoadTimestamp + 860);
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", bundleIdentifier()), "1");

  // After it: a new session, numbered on.
  environment.advance(3600);
  launch(environment.clock()->now());
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e", "_s"}));
  EXPECT_EQ(property("_sno")->int64Value(), 2);
  EXPECT_EQ(property("_fot")->int64Value(), 1700002800000) << "the first open stays the first";
}

// A first start whose earlier attempt ended before its first open was kept (or left recent activity in
// the engine's settings some other way) still begins a session: the first open always records one.
TEST_F(LifecycleTest, AFirstOpenAlwaysStartsASessionWhateverActivityWasLeftBehind) {
  PersistedConfig().setLastSessionActivityClockTime(environment.clock()->now());
  environment.advance(5);
  launch();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  EXPECT_EQ(property("_sno")->int64Value(), 1);
  EXPECT_EQ(property("_sid")->int64Value(), 1699999200);
}

// A first start killed once its session start was stored, before anything else reached the disk: the
// next start, well inside the session timeout, finds the session that "_s" implies (its number and
// activity) and goes on with it, instead of starting a second session numbered 1.
TEST_F(LifecycleTest, AFirstStartKilledAfterItsSessionStartWasStoredLeavesOneSessionNumberedOne) {
  const std::string preferences = "Library/Preferences/" + std::string(PersistedConfig::kSuiteName) + ".plist";
  std::string preferencesAtTheSessionStart;
  sessionNumberAsked = [&] { preferencesAtTheSessionStart = ostrel::testing::contentsOf(container.pathFor(preferences)); };
  launch();
  sessionNumberAsked = nullptr;
  ASSERT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  // The kill: the "_s" row is stored, the preferences are as they were on disk when it was handed on.
  drain();
  ostrel::testing::TempContainer afterTheKill;
  ostrel::testing::copyAsAKillLeavesIt(container.path(), afterTheKill.path());
  std::filesystem::remove(afterTheKill.pathFor(preferences));
  if (!preferencesAtTheSessionStart.empty()) {
    std::ofstream(afterTheKill.pathFor(preferences), std::ios::binary) << preferencesAtTheSessionStart;
  }
  environment.advance(26);
  launch(kLoadTimestamp + 26);
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  EXPECT_EQ(property("_sno")->int64Value(), 1);
  EXPECT_EQ(persisted->sessionNumber(), 1);
  drain();
  engine.reset();
}

// A first start killed before its first open was committed has not counted it in the keychain: the first
// open the next start makes again is the only one there is, and says so.
TEST_F(LifecycleTest, AFirstStartKilledBeforeItsFirstOpenWasStoredHasNotCountedIt) {
  ostrel::testing::ScratchFolder keychainAtTheKill;
  sessionNumberAsked = [&] {
    // Inside the start's transaction, after the first open was written to it: the kill.
    ostrel::testing::copyAsAKillLeavesIt(platform::security::Keychain::folder(), keychainAtTheKill.path());
  };
  launch();
  sessionNumberAsked = nullptr;
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", bundleIdentifier()), "1") << "counted once stored";
  drain();
  engine.reset();

  ostrel::testing::TempContainer afterTheKill;  // nothing of the start was committed
  std::filesystem::create_directories(platform::security::Keychain::folder());
  std::filesystem::copy(keychainAtTheKill.path(), platform::security::Keychain::folder(),
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  launch();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  EXPECT_EQ(storedParameters("_f").at("_pfo").int64Value(), 0);
  drain();
  engine.reset();
}

TEST_F(LifecycleTest, AReinstallKnowsItOpenedBeforeFromTheKeychain) {
  launch();
  ASSERT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", bundleIdentifier()), "1");
  const std::string keychain = platform::security::Keychain::folder();

  // A new install: the data folder is new, the keychain stays.
  drain();
  engine.reset();
  ostrel::testing::TempContainer reinstalled;
  std::filesystem::create_directories(std::filesystem::path(platform::security::Keychain::folder()).parent_path());
  std::filesystem::copy(keychain, platform::security::Keychain::folder(), std::filesystem::copy_options::recursive);
  launch();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  EXPECT_EQ(property("_fi")->int64Value(), 1);
  const Parameters firstOpen = storedParameters("_f");
  EXPECT_EQ(firstOpen.at("_pfo").int64Value(), 1);
  EXPECT_EQ(firstOpen.at("_uwa").int64Value(), 0);
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", bundleIdentifier()), "2");
  drain();
  engine.reset();
}

TEST_F(LifecycleTest, AResetOrAWithdrawnConsentOpensAgainUnderANewAppInstanceID) {
  launch();
  Analytics::logEventWithName("take", {});
  drain();
  const auto firstID = Analytics::appInstanceID();
  ASSERT_TRUE(firstID);

  environment.advance(10);
  Analytics::resetAnalyticsData();
  drain();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"})) << "the old events are gone, the first open repeated";
  const auto resetID = Analytics::appInstanceID();
  ASSERT_TRUE(resetID);
  EXPECT_NE(resetID, firstID);
  EXPECT_EQ(property("_sno")->int64Value(), 1);

  // The user withdraws consent to analytics storage, then grants it again.
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  Analytics::logEventWithName("take", {});
  drain();
  environment.advance(10);
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("denied")}});
  drain();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  drain();
  const auto grantedID = Analytics::appInstanceID();
  ASSERT_TRUE(grantedID);
  EXPECT_NE(grantedID, resetID);
  EXPECT_NE(grantedID, firstID);
}

TEST_F(LifecycleTest, CollectionSwitchedOffStaysOffAfterARestart) {
  Analytics::setAnalyticsEnabled(false, true);
  launch();
  Analytics::logEventWithName("take", {});
  drain();
  launch();
  Analytics::logEventWithName("take", {});
  drain();
  EXPECT_FALSE(engine->isEnabled());
  EXPECT_FALSE(engine->database()) << "nothing was ever built, so nothing was stored";
  EXPECT_FALSE(std::filesystem::exists(container.pathFor("Library/Application Support/Vadeze/Measurement/" +
                                                         std::string(MeasurementDatabase::kDatabaseName))));
}

TEST_F(LifecycleTest, PersonalizedAdsFollowTheStoredChoiceElseTheInfoDictionary) {
  // Present but not a number: personalisation is not switched off.
  writeInfo({{"VADEZE_ANALYTICS_DEFAULT_ALLOW_AD_PERSONALIZATION_SIGNALS", Value("NO")}});
  launch();
  EXPECT_EQ(property("_npa")->int64Value(), 0);

  writeInfo({{"VADEZE_ANALYTICS_DEFAULT_ALLOW_AD_PERSONALIZATION_SIGNALS", Value(false)}});
  launch();
  EXPECT_EQ(property("_npa")->int64Value(), 1);

  // The app's own choice wins over the default.
  persisted->setAllowPersonalizedAds(Value(std::int64_t{1}));
  launch();
  EXPECT_EQ(property("_npa")->int64Value(), 0);

  // Neither: the property goes.
  persisted->setAllowPersonalizedAds(Value());
  writeInfo({{"VADEZE_ANALYTICS_REGISTRATION_WITH_AD_NETWORK_ENABLED", Value(false)}});
  launch();
  EXPECT_FALSE(property("_npa"));
  EXPECT_TRUE(log.logged(23180));
  EXPECT_FALSE(LifecycleEvents::shouldAllowAdNetworkRegistration());
}

TEST_F(LifecycleTest, TheAppsSessionTimeoutOutlivesAWipe) {
  launch();
  Analytics::setSessionTimeoutInterval(5);
  drain();
  EXPECT_EQ(engine->sessions().sessionReporter()->timeoutSessionInterval(), 5);
  Analytics::resetAnalyticsData();
  drain();
  auto reporter = engine->sessions().sessionReporter();
  EXPECT_NE(reporter, reporters.front()) << "a wipe brings a new session reporter";
  EXPECT_EQ(reporter->timeoutSessionInterval(), 5);
  EXPECT_TRUE(reporter->isReportingEnabled());
}

TEST_F(LifecycleTest, CollectionSwitchedOnLaterMarksTheFirstOpenAsDeferred) {
  launch(kLoadTimestamp, false);
  EXPECT_FALSE(engine->database());
  Analytics::setAnalyticsEnabled(true);
  drain();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e"}));
  EXPECT_EQ(storedParameters("_f").at("_dac").int64Value(), 1);
  EXPECT_FALSE(FacadeDefaults::deferredAnalyticsCollection()) << "said once, with the first open";
}

TEST_F(LifecycleTest, ALostSessionNumberComesBackFromTheSessionsCounted) {
  launch();
  // Four sessions went into bundles; then the persisted settings lost their count.
  engine->scheduler()->dispatchSyncOnWorkerQueueBlockID(
      "test", [&] { ASSERT_TRUE(engine->database()->updateEventAggregates(EventAggregates("_s", 4, 0, 0, 0))); });
  persisted->setSessionNumber(0);
  environment.advance(3600);
  launch(environment.clock()->now());
  EXPECT_EQ(property("_sno")->int64Value(), 5) << "numbered on from the sessions counted";
}

// The event path reaches the engine's own parts: a background event marked to extend the session
// starts a new one once the last has expired, and the next stored event marks an advertising-ID reset
// the identity saw.
TEST_F(LifecycleTest, StoredEventsReachTheEnginesSessionsAndAdvertisingProperties) {
  launch();
  Analytics::setScreenViewReporter(std::make_shared<BackgroundScreens>());
  environment.advance(3600);
  Analytics::logEventWithName("sync", {{"extend_session", Value(1)}});
  drain();
  EXPECT_EQ(storedNames(), (Strings{"_f", "_s", "_e", "_s", "sync"}));
  EXPECT_EQ(storedParameters("_s").at("_sid").int64Value(), static_cast<std::int64_t>(environment.clock()->now()));

  engine->setUserAttribute(UserAttribute("auto", "_id", AnalyticsValue("6D92078A"), environment.clock()->now()));
  drain();
  persisted->setShouldSetLastAdvertisingIDResetUserProperty(true);
  Analytics::logEventWithName("shop", {});
  drain();
  EXPECT_EQ(property("_lair")->int64Value(), 1);
  EXPECT_FALSE(persisted->shouldSetLastAdvertisingIDResetUserProperty()) << "marked once";
}

TEST_F(LifecycleTest, AnAdvertisingIDResetIsMarkedOnceAnIDWasSeen) {
  launch();
  auto onWorker = [&](const std::function<void()>& block) {
    engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", block);
  };
  onWorker([&] { engine->advertising().setLastAdvertisingIDResetUserPropertyOnWorkerQueue(); });
  EXPECT_FALSE(property("_lair")) << "no advertising ID seen yet";

  engine->setUserAttribute(UserAttribute("auto", "_id", AnalyticsValue("6D92078A"), environment.clock()->now()));
  drain();
  onWorker([&] { engine->advertising().setLastAdvertisingIDResetUserPropertyOnWorkerQueue(); });
  EXPECT_EQ(property("_lair")->int64Value(), 1);
  const double markedAt =
      ostrel::testing::succeeded(engine->database()->userAttributeWithName("_lair"))->lastSetTimestamp;
  environment.advance(60);
  onWorker([&] { engine->advertising().setLastAdvertisingIDResetUserPropertyOnWorkerQueue(); });
  EXPECT_EQ(ostrel::testing::succeeded(engine->database()->userAttributeWithName("_lair"))->lastSetTimestamp, markedAt)
      << "marked once";
}

// The first open's time as the stored properties tell it: "_fot" when it is there, else the oldest
// property, and 0 when there is nothing to tell or the properties cannot be read.
TEST_F(LifecycleTest, TheFirstOpenTimeComesFromTheStoredProperties) {
  launch();
  auto& database = *engine->database();
  ASSERT_TRUE(database.updateUserAttribute(UserAttribute("app", "older", AnalyticsValue("x"), kLoadTimestamp - 100)));
  EXPECT_DOUBLE_EQ(engine->lifecycle().firstOpenTimestamp(), kLoadTimestamp) << "the first open property wins over older ones";

  ASSERT_TRUE(database.deleteUserAttributeWithName("_fot"));
  EXPECT_DOUBLE_EQ(engine->lifecycle().firstOpenTimestamp(), kLoadTimestamp - 100) << "else the oldest property";

  ASSERT_TRUE(database.store().executeStatement("DELETE FROM user_attributes", {}).ok());
  EXPECT_FALSE(log.logged(23124));
  EXPECT_EQ(engine->lifecycle().firstOpenTimestamp(), 0);
  EXPECT_TRUE(log.logged(23124));

  ASSERT_TRUE(database.store().executeStatement("DROP TABLE user_attributes", {}).ok());
  EXPECT_FALSE(log.logged(23123));
  EXPECT_EQ(engine->lifecycle().firstOpenTimestamp(), 0);
  EXPECT_TRUE(log.logged(23123));
}

TEST_F(LifecycleTest, FileAttributesAreReadFromTheItemItself) {
  const std::string folder = container.pathFor("Documents/notes");
  std::filesystem::create_directories(folder);
  const std::string file = folder + "/kept.txt";
  { std::ofstream(file) << "twelve bytes"; }
  std::filesystem::permissions(file, std::filesystem::perms(0640));
  std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::from_sys(
                                             std::chrono::sys_seconds(std::chrono::seconds(1700000000))));
  auto attributes = LifecycleEvents::fileAttributesForPath(file);
  ASSERT_TRUE(attributes);
  EXPECT_EQ(attributes->at(kFileSizeKey), Value(12));
  EXPECT_EQ(attributes->at(kFileTypeKey), Value("regular"));
  EXPECT_EQ(attributes->at(kFilePosixPermissionsKey), Value(0640));
  EXPECT_EQ(attributes->at(kFileModificationDateKey).date(), 1700000000);
  EXPECT_EQ(LifecycleEvents::fileAttributesForPath(folder)->at(kFileTypeKey), Value("directory"));
  std::filesystem::create_symlink(folder + "/gone.txt", folder + "/link");
  EXPECT_EQ(LifecycleEvents::fileAttributesForPath(folder + "/link")->at(kFileTypeKey), Value("symbolicLink"))
      << "a link is described, not followed";

  EXPECT_FALSE(LifecycleEvents::fileAttributesForPath(""));
  EXPECT_FALSE(log.logged(23022)) << "an empty path is no failure to read";
  EXPECT_FALSE(LifecycleEvents::fileAttributesForPath(folder + "/gone.txt"));
  EXPECT_TRUE(log.logged(23022));
}

}  // namespace

}  // namespace sdk::analytics

