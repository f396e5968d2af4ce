#include <gtest/gtest.h>

#include <cstdlib>
#include <future>

#include "platform/foundation/IdentityFacts.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/RawEventMetadata.h"
#include "sdk/analytics/engine/PublicAnalytics.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/ExperimentsTestSupport.h"
#include "sdk/utilities/UserDefaultsStore.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::LoopbackRequest;
using ostrel::testing::LoopbackResponse;
using platform::foundation::Data;

using ostrel::testing::kMeasurementAppID;
using ostrel::testing::kMeasurementVendorID;

platform::foundation::IdentityFacts withVendorID() {
  platform::foundation::IdentityFacts facts;
  facts.identifierForVendor = kMeasurementVendorID;
  return facts;
}

// The engine started over a loopback analytics service in debug mode: an event logged through the
// facade's entry goes out on the engine's own timer, after the configuration it fetches first.
class MeasurementUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable, server.url("").c_str(), 1);
    Analytics::resetForTesting();
    ConsentSettings::setConsentSettings(std::nullopt);
    AppIdentifiers::sharedInstance()->setOrigin("fa");
    identity = Identity::initWithPersistedConfig(persisted);
    identity->setAppIDFromVMP(kMeasurementAppID);
    MeasurementEngine::Parts parts;
    parts.persistedConfig = persisted;
    parts.scheduler = std::make_shared<Scheduler>("test.worker");
    parts.alarm = std::make_shared<Alarm>(parts.scheduler->workerQueue(), MeasurementEngine::kAlarmName);
    parts.identity = identity;
    parts.network = network;
    engine = MeasurementEngine::initWithParts(parts, kMeasurementAppID, true, false, {});
    settle();
    ASSERT_TRUE(engine->components().uploader());
    // The reachability checker's first answer comes through the main queue.
    ASSERT_TRUE(spinUntil([&] { return network->isNetworkConnected(); }));
  }
  void TearDown() override {
    settle();
    Analytics::resetForTesting();
    ConsentSettings::setConsentSettings(std::nullopt);
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    AppIdentifiers::setEngineIdentity(nullptr);
    unsetenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable);
  }

  void settle() {
    for (int i = 0; i < 2; ++i) engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
  }
  static bool spinUntil(const std::function<bool()>& predicate) {
    return ostrel::testing::TaskManagerEnvironment::spinUntil(predicate);
  }
  bool untilRequests(std::size_t count) {
    return spinUntil([&] {
      bool done = false;
      engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [&] {
        done = server.requestCount() >= count && !engine->components().uploader()->isNetworkRequestPending();
      });
      return done;
    });
  }

  void serve() {
    Data body = ostrel::testing::measurementConfig(kMeasurementAppID, {})->protoBuffer();
    server.on("GET", std::string("/config/app/") + kMeasurementAppID,
              LoopbackResponse::ok(std::string(body.begin(), body.end())));
    server.on("POST", "/a", LoopbackResponse::withStatus(204));
  }
  // The bundles of the batch the service received last.
  std::vector<std::shared_ptr<ProtoMeasurementBundle>> uploadedBundles() {
    auto requests = server.requests();
    if (requests.empty()) return {};
    auto batch = ProtoMeasurementBatch::initWithBuffer(std::span(
        reinterpret_cast<const std::uint8_t*>(requests.back().body.data()), requests.back().body.size()));
    return batch ? nanoGetMessageArray<ProtoMeasurementBundle>(*batch, 0) : decltype(uploadedBundles()){};
  }

  // An event as the facade hands it to the engine.
  void logEvent(const std::string& name, platform::foundation::Dictionary parameters) {
    sdk::analytics::LoggedEvent event;
    event.origin = "app";
    event.isPublicEvent = true;
    event.name = name;
    event.parameters = std::move(parameters);
    event.timestamp = environment.clock()->now();
    event.enabled = true;
    engine->logEvent(event);
    settle();
  }

  ostrel::testing::MonitorScope scope{std::vector<std::string>{"-APMAnalyticsDebugEnabled"}};
  platform::foundation::ScopedIdentityFacts facts{withVendorID()};
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::LoopbackServer server;
  std::shared_ptr<PersistedConfig> persisted = std::make_shared<PersistedConfig>();
  std::shared_ptr<sdk::utilities::HTTPClient> network = sdk::utilities::HTTPClient::initWithReachabilityHost("127.0.0.1");
  std::shared_ptr<Identity> identity;
  std::shared_ptr<MeasurementEngine> engine;
};

TEST_F(MeasurementUploadTest, ALoggedEventReachesTheServiceOnTheEnginesTimer) {
  serve();
  // What the start armed is taken back: only the stored event's own update can arm the timer again.
  engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [&] { engine->alarm()->cancel(); });
  ASSERT_FALSE(engine->alarm()->scheduledTimestamp());

  logEvent("take", {{"scene", platform::foundation::Value(std::int64_t{12})}});
  auto alarm = engine->alarm()->scheduledTimestamp();
  ASSERT_TRUE(alarm);
  EXPECT_LE(*alarm, environment.clock()->now() + 1);  // debug mode: within a second of the data

  environment.advance(1);
  ASSERT_TRUE(untilRequests(2));
  settle();
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_NE(requests[0].target.find("platform=ios"), std::string::npos);
  EXPECT_EQ(requests[1].path, "/a");
  EXPECT_EQ(requests[1].header("Content-Encoding"), "gzip");
  auto batch = ProtoMeasurementBatch::initWithBuffer(
      std::span(reinterpret_cast<const std::uint8_t*>(requests[1].body.data()), requests[1].body.size()));
  ASSERT_TRUE(batch);
  auto bundles = nanoGetMessageArray<ProtoMeasurementBundle>(*batch, 0);
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_EQ(nanoGetInt32(*bundles[0], 0), 1);
  EXPECT_EQ(nanoGetString(*bundles[0], 8), "ios");
  EXPECT_EQ(nanoGetString(*bundles[0], 22), identity->appInstanceID());
  // The logged event beside the first open's own.
  auto events = nanoGetMessageArray<ProtoEvent>(*bundles[0], 1);
  std::erase_if(events, [](const auto& event) { return nanoGetString(*event, 1) != "take"; });
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(eventFromProtoEvent(*events[0])->parameters().at("scene").int64Value(), 12);
  EXPECT_EQ(persisted->lastSuccessfulUploadTimestamp(), environment.clock()->now());

  EXPECT_EQ(ostrel::testing::succeeded(engine->database()->isRawEventsTableEmpty()), true);
  EXPECT_EQ(ostrel::testing::succeeded(engine->database()->isQueuedBundleTableEmpty()), true);
  EXPECT_FALSE(engine->components().uploader()->hasDataToUpload());
}

TEST_F(MeasurementUploadTest, DeniedAnalyticsStorageKeepsTheInstanceAndVendorIDsOutOfWhatIsSentNext) {
  using namespace sdk::analytics::measurement_fields;
  serve();
  logEvent("take", {});
  // Stored while storage was allowed: its metadata carries both identifiers.
  auto fingerprint = ostrel::testing::succeeded(engine->database()->nextMetadataFingerprintToProcess());
  ASSERT_TRUE(fingerprint);
  auto stored = ostrel::testing::succeeded(engine->database()->queryRawEventsMetadataWithFingerprint(*fingerprint));
  ASSERT_TRUE(stored);
  EXPECT_EQ(nanoGetString(*stored, kBundleAppInstanceID), identity->appInstanceID());
  EXPECT_EQ(nanoGetString(*stored, kBundleVendorDeviceID), std::string(kMeasurementVendorID));

  PublicAnalytics::setConsent({{"analytics_storage", platform::foundation::Value("denied")}});
  Analytics::drainForTesting();
  EXPECT_EQ(ConsentSettings::consentSource(), ConsentSettings::kSourcePublic);

  environment.advance(1);
  ASSERT_TRUE(untilRequests(2));
  settle();
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[0].target.find("app_instance_id=&"), std::string::npos) << requests[0].target;
  auto bundles = uploadedBundles();
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_FALSE(nanoHasField(*bundles[0], kBundleAppInstanceID)) << "tag 21";
  EXPECT_FALSE(nanoHasField(*bundles[0], kBundleVendorDeviceID)) << "tag 27";
  const auto signals = nanoGetString(*bundles[0], kBundleConsentSignals).value_or("");
  ASSERT_GE(signals.size(), 4u);
  EXPECT_EQ(signals[3], '0') << signals;
}

TEST_F(MeasurementUploadTest, LeavingTheForegroundUploadsUnderABackgroundTaskThatEndsWithTheUpload) {
  serve();
  logEvent("take", {});
  auto application = platform::ui::Application::sharedApplication();
  ASSERT_TRUE(application);
  const auto tasksBefore = application->backgroundTaskCount();

  auto& center = platform::foundation::NotificationCenter::defaultCenter();

  // The facade has not started yet, so the upload waits behind its operations: coming back to the
  // foreground ends the task.
  center.post(platform::ui::kApplicationWillResignActiveNotification);
  EXPECT_NE(engine->appState().backgroundUpdateTask(), platform::ui::Application::kInvalidBackgroundTask);
  EXPECT_EQ(application->backgroundTaskCount(), tasksBefore + 1);
  center.post(platform::ui::kApplicationWillEnterForegroundNotification);
  EXPECT_EQ(engine->appState().backgroundUpdateTask(), platform::ui::Application::kInvalidBackgroundTask);
  EXPECT_EQ(application->backgroundTaskCount(), tasksBefore);

  // Leaving again with the facade running: the upload goes at once and its end ends the task.
  center.post(platform::ui::kApplicationWillResignActiveNotification);
  EXPECT_TRUE(scope.logged(23142)) << "coming back ended the first task";
  Analytics::unsuspendOperationQueue();
  Analytics::drainForTesting();
  ASSERT_TRUE(untilRequests(2)) << "the upload went without waiting for the timer";
  settle();
  EXPECT_EQ(server.requests().back().path, "/a");
  EXPECT_EQ(engine->appState().backgroundUpdateTask(), platform::ui::Application::kInvalidBackgroundTask);
  EXPECT_EQ(application->backgroundTaskCount(), tasksBefore);
  Analytics::resetForTesting();
}

// A phone suspends the app once its background task ends, and may before one begins: the settings are
// in their file by then, whatever the defaults' own queue is doing.
TEST_F(MeasurementUploadTest, TheSettingsAreOnDiskBeforeTheBackgroundTaskBeginsAndWhenItEnds) {
  const std::string file = platform::foundation::PreferencesDomain::named(PersistedConfig::kSuiteName)->path();
  const auto stored = [&file] {
    return platform::foundation::PropertyList::readFile(file)["/vadeze/measurement/app_version"].toString();
  };
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  sdk::utilities::UserDefaultsStore::synchronizeQueue()->async([released] { released.wait(); });
  std::shared_ptr<void> letGo(nullptr, [&release](void*) { release.set_value(); });

  persisted->setAppVersion("leaving");
  auto& center = platform::foundation::NotificationCenter::defaultCenter();
  center.post(platform::ui::kApplicationWillResignActiveNotification);
  EXPECT_EQ(stored(), "leaving");
  persisted->setAppVersion("ending");
  engine->appState().terminateBackgroundTask();
  EXPECT_EQ(stored(), "ending");
  EXPECT_EQ(engine->appState().backgroundUpdateTask(), platform::ui::Application::kInvalidBackgroundTask);
}

TEST_F(MeasurementUploadTest, ComingBackAfterAWeekFetchesTheConfigurationWhenInternalEventsAreBlocklisted) {
  Data body = ostrel::testing::measurementConfig(kMeasurementAppID, {{"measurement.upload.blacklist_internal", "1"}})->protoBuffer();
  server.on("GET", std::string("/config/app/") + kMeasurementAppID, LoopbackResponse::ok(std::string(body.begin(), body.end())));
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  logEvent("take", {});
  environment.advance(1);
  ASSERT_TRUE(untilRequests(2));
  settle();
  auto becomeActive = [&] {
    platform::foundation::NotificationCenter::defaultCenter().post(platform::ui::kApplicationDidBecomeActiveNotification);
    settle();
  };

  environment.advance(6 * 24 * 3600);
  becomeActive();
  EXPECT_EQ(server.requestCount(), 2u) << "within a week of the last configuration";
  environment.advance(24 * 3600);
  becomeActive();
  ASSERT_TRUE(untilRequests(3));
  EXPECT_EQ(server.requests().back().method, "GET");
}

// Each failure is counted in the monitoring data of the next bundle at the level its line gives, the
// service's to read: the experiments fetch's at 1, the network client's error for a reply cut off at 1
// (its own 3); the configuration fetch's lines (3) are the person's, never counted.
TEST_F(MeasurementUploadTest, FailuresReachTheNextBundlesMonitoringDataAtTheirLevels) {
  Data body = ostrel::testing::measurementConfig(kMeasurementAppID, {})->protoBuffer();
  server.onSequence("GET", std::string("/config/app/") + kMeasurementAppID,
                    {LoopbackResponse::truncated(std::string(4096, 'x'), 100),
                     LoopbackResponse::ok(std::string(body.begin(), body.end()))});
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  server.on("POST", ExperimentsTaskManager::kRequestPath, LoopbackResponse::withStatus(503, "Service Unavailable"));
  auto queue = platform::dispatch::Queue::serial(ExperimentsTaskManager::kWorkerQueueLabel);
  auto experiments = ExperimentsTaskManager::initWithQueue(
      queue, std::make_shared<Alarm>(queue, ExperimentsTaskManager::kAlarmName),
      sdk::utilities::HTTPClient::initWithReachabilityHost("127.0.0.1"),
      std::make_shared<UserDefaultsSuite>(ExperimentsTaskManager::kSuiteName),
      measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName), environment.clock()->now(), server.url(""));
  experiments->startTaskManager();
  queue->async([experiments] { experiments->fetchExperiments(); });
  ASSERT_TRUE(spinUntil([&] {
    return experiments->persistedStorage()->doubleForKey(ExperimentsTaskManager::kFailureTimestampKey) != 0;
  }));
  queue->sync([] {});

  // Each alarm of the engine sends one request, the configuration fetch whose reply is cut off or its retry
  // (which an event may bring forward), until the batch follows the fetch that works.
  logEvent("take", {});
  const auto batches = [&] {
    auto requests = server.requests();
    return std::count_if(requests.begin(), requests.end(), [](const auto& r) { return r.path == "/a"; });
  };
  for (int alarm = 0; alarm < 4 && batches() == 0; ++alarm) {
    settle();
    auto due = engine->alarm()->scheduledTimestamp();
    if (!due) break;
    const std::size_t before = server.requestCount();
    environment.advance(std::max(0.0, *due - environment.clock()->now()));
    ASSERT_TRUE(untilRequests(before + 1));
  }
  ASSERT_TRUE(spinUntil([&] { return batches() > 0; }));
  ASSERT_TRUE(untilRequests(server.requestCount()));
  settle();
  std::string monitoring;
  for (const auto& bundle : uploadedBundles()) monitoring += nanoGetString(*bundle, 25).value_or("") + ";";
  EXPECT_NE(monitoring.find("1:820002:"), std::string::npos) << monitoring;
  EXPECT_NE(monitoring.find("1:901017:1;"), std::string::npos) << monitoring;
  EXPECT_EQ(monitoring.find(":23128:"), std::string::npos) << monitoring;
  EXPECT_EQ(monitoring.find(":23129:"), std::string::npos) << monitoring;
  EXPECT_TRUE(scope.console.contains("[A023128]"));
}

// The app ends right after it leaves the foreground, with its configuration not yet fetched: the
// leave-foreground upload fetches it first, and the end's wait covers the batch that follows.
TEST_F(MeasurementUploadTest, AtTheEndTheUploadAfterAConfigurationFetchStillGoes) {
  serve();
  logEvent("take", {});
  Analytics::unsuspendOperationQueue();
  platform::foundation::NotificationCenter::defaultCenter().post(platform::ui::kApplicationWillResignActiveNotification);
  engine->stopAtProcessEnd();
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[1].path, "/a");
  EXPECT_FALSE(scope.logged(messages::kUploadUnfinishedAtExit));
  EXPECT_FALSE(scope.logged(messages::kConfigurationFetchUnfinishedAtExit));
  Analytics::resetForTesting();
}

// The engine starts on its worker queue while the app goes on: one that left the foreground before the
// engine listened is found in the background, and its leaving still uploads.
class StartInTheBackgroundTest : public MeasurementUploadTest {
 protected:
  void SetUp() override {
    application->enterBackground();
    MeasurementUploadTest::SetUp();
  }
  void TearDown() override {
    MeasurementUploadTest::TearDown();
    application->becomeActive();
    application->resignActive();
  }

  std::shared_ptr<platform::ui::Application> application = platform::ui::Application::sharedApplication();
};

TEST_F(StartInTheBackgroundTest, AnEngineThatListensOnlyAfterTheAppLeftStillUploads) {
  serve();
  Analytics::unsuspendOperationQueue();
  Analytics::drainForTesting();
  ASSERT_TRUE(untilRequests(2)) << "the first open went without waiting for the timer ";
  EXPECT_EQ(server.requests().back().path, "/a");
  Analytics::resetForTesting();
}

}  // namespace

}  // namespace sdk::analytics

