#include "sdk/analytics/engine/MeasurementUploader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <cstdlib>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/BundlingTestSupport.h"
#include "sdk/analytics/engine/UploadTime.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "sdk/analytics/rules/ExperimentsTestSupport.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"
#include "sdk/analytics/rules/ScriptRuntime.h"
#include "sdk/analytics/rules/ScriptText.h"
#include "testing/HostileServer.h"
#include "testing/LoopbackServer.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::LoopbackRequest;
using ostrel::testing::LoopbackResponse;
using platform::foundation::Data;
using sdk::analytics::MeasurementUploader;
using sdk::analytics::UploadTimeInputs;
using ostrel::testing::BundlingEnvironment;

// --- the schedule as a function of its inputs

TEST(NextUploadingTime, FollowsTheIntervalsAndTheDoublingRetrySeries) {
  const double now = 1000000;
  const double base = now - 100;  // data written 100 s ago
  auto inputs = [&](double success, double failure) {
    UploadTimeInputs in;
    in.now = now;
    in.newestDataTime = base;
    in.lastSuccessfulUpload = success;
    in.lastFailedUpload = failure;
    return in;
  };
  struct Case {
    const char* what;
    UploadTimeInputs in;
    double expected;
  };
  UploadTimeInputs none = inputs(0, 0);
  none.newestDataTime = 0;
  UploadTimeInputs future = inputs(0, 0);
  future.newestDataTime = now + 100;  // mirrored: as old as base
  UploadTimeInputs debug = inputs(0, 0);
  debug.debug = true;
  UploadTimeInputs realtime = inputs(now - 5, 0);
  realtime.realtime = true;
  UploadTimeInputs noRetries = inputs(0, base + 1);
  noRetries.retryCount = 0;
  std::vector<Case> cases = {
      {"no data", none, 0},
      {"first upload after the initial delay", inputs(0, 0), base + 15},
      {"future data", future, base + 15},
      {"an hour after a recent success", inputs(now - 10, 0), now - 10 + 3600},
      {"real-time interval", realtime, now - 5 + 10},
      {"debug mode", debug, base + 1},
      {"first retry", inputs(0, base + 1), base + 15 + 1800},
      {"second retry", inputs(0, base + 15 + 1800), base + 15 + 1800 + 3600},
      {"sixth retry", inputs(0, base + 15 + 1800 * 31), base + 15 + 1800 * 63},
      {"series spent", inputs(0, base + 15 + 1800 * 63), 0},
      {"no retries allowed", noRetries, 0},
      {"a failure before the data does not count", inputs(0, base - 1), base + 15},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(sdk::analytics::nextUploadingTimeFor(c.in), c.expected) << c.what;
}

TEST(CompatibleBundles, ABatchNeverMixesAppIDsOrIdentifiers) {
  auto bundle = [](const std::string& appID, std::optional<std::string> ad, std::optional<std::string> vendor) {
    return MeasurementUploader::QueuedBundle(BundlingEnvironment::metadata(appID, ad, vendor), 0);
  };
  std::vector<MeasurementUploader::QueuedBundle> bundles = {
      bundle("a", std::nullopt, std::nullopt), bundle("a", "AD1", std::nullopt), bundle("a", std::nullopt, "V1"),
      bundle("a", "AD1", "V2"), bundle("a", "AD2", std::nullopt), bundle("a", "AD1", std::nullopt)};
  EXPECT_EQ(MeasurementUploader::filteredBundlesWithCompatibleAppID("a", "AD1", "", bundles).size(), 4u);
  EXPECT_EQ(MeasurementUploader::filteredBundlesWithCompatibleAppID("b", "AD1", "", bundles).size(), 0u);
  std::vector<MeasurementUploader::QueuedBundle> vendors = {bundle("a", std::nullopt, "V1"), bundle("a", "AD9", "V1"),
                                                            bundle("a", std::nullopt, "V2")};
  EXPECT_EQ(MeasurementUploader::filteredBundlesWithCompatibleAppID("a", "", "V1", vendors).size(), 2u);
  EXPECT_EQ(MeasurementUploader::filteredBundlesWithCompatibleAppID("a", "AD1", "V1", vendors).size(), 0u);
  std::vector<MeasurementUploader::QueuedBundle> apps = {bundle("a", std::nullopt, std::nullopt),
                                                         bundle("b", std::nullopt, std::nullopt)};
  EXPECT_EQ(MeasurementUploader::filteredBundlesWithCompatibleAppID("a", "", "", apps).size(), 1u);
}

// --- the uploader against a loopback service

using ostrel::testing::kHour;

class MeasurementUploaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable, server.url("").c_str(), 1);
    identity = Identity::initWithPersistedConfig(env.persisted);
    identity->setAppIDFromVMP(BundlingEnvironment::kAppID);
    auto parts = env.parts();
    parts.identity = identity;
    MeasurementUploader::Hooks hooks;
    hooks.isNetworkConnected = [this] { return connected.load(); };
    hooks.uptime = [this] { return uptime.load(); };
    hooks.terminateBackgroundTask = [this] { ++backgroundTaskEnds; };
    uploader = MeasurementUploader::make(
        {parts, network, scheduler, std::make_shared<Alarm>(scheduler->workerQueue(), "Measurement timer")}, hooks);
  }
  void TearDown() override {
    settle();
    unsetenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable);
  }

  void onWorker(const std::function<void()>& work) { scheduler->dispatchSyncOnWorkerQueueBlockID("test", work); }
  void settle() { onWorker([] {}); }
  // Runs the main queue until the requests have arrived and nothing is in flight any more.
  bool until(std::size_t requests) {
    return ostrel::testing::TaskManagerEnvironment::spinUntil([&] {
      bool done = false;
      onWorker([&] { done = server.requestCount() >= requests && !uploader->isNetworkRequestPending(); });
      return done;
    });
  }
  static bool spinUntil(const std::function<bool()>& state) {
    return ostrel::testing::TaskManagerEnvironment::spinUntil(state);
  }
  // The end with a batch out: "shot" goes, "left" is stored, the leave-foreground upload finds the
  // batch out and the end sends "left" beside it.
  void endBesideABatchInFlight() {
    env.store("shot", kHour + 1);
    onWorker([&] { uploader->uploadData(); });
    ASSERT_TRUE(spinUntil([&] { return requestsFor("/a").size() == 1; }));
    env.store("left", kHour + 2);
    onWorker([&] { uploader->uploadData(); });
    onWorker([&] { uploader->finishRequestsUnderWay(); });
    ASSERT_TRUE(spinUntil([&] { return requestsFor("/a").size() == 2; })) << "the end's batch waits for the answer";
  }
  void upload(std::size_t expectedRequests) {
    onWorker([&] { uploader->uploadData(); });
    ASSERT_TRUE(until(expectedRequests));
    settle();
  }

  // A configuration of this app with the given settings; optionally another app's.
  static std::string configurationBody(const std::map<std::string, std::string>& settings = {},
                                       const std::string& appID = BundlingEnvironment::kAppID, int audiences = 0) {
    auto config = BundlingEnvironment::configuration(settings, appID);
    for (int i = 0; i < audiences; ++i) {
      auto audience = ProtoAudience::make();
      nanoSetInt32(*audience, 0, 100 + i);
      nanoAddMessage(*config, 5, *audience);
    }
    Data bytes = config->protoBuffer();
    return std::string(bytes.begin(), bytes.end());
  }
  static std::string configPath() { return std::string("/config/app/") + BundlingEnvironment::kAppID; }
  void serveConfiguration(std::map<std::string, std::string> settings = {}) {
    LoopbackResponse answer = LoopbackResponse::ok(configurationBody(settings));
    answer.headers.push_back({"Last-Modified", "Tue, 14 Nov 2023 22:00:00 GMT"});
    server.on("GET", configPath(), answer);
  }

  std::vector<LoopbackRequest> requestsFor(const std::string& path) const {
    std::vector<LoopbackRequest> found;
    for (const auto& request : server.requests()) {
      if (request.path == path) found.push_back(request);
    }
    return found;
  }
  static std::shared_ptr<ProtoMeasurementBatch> batchOf(const LoopbackRequest& request) {
    return ProtoMeasurementBatch::initWithBuffer(
        std::span(reinterpret_cast<const std::uint8_t*>(request.body.data()), request.body.size()));
  }
  std::optional<double> alarmTime() const { return uploader->parts().alarm->scheduledTimestamp(); }

  BundlingEnvironment env;
  ostrel::testing::LoopbackServer server;
  std::shared_ptr<sdk::utilities::HTTPClient> network = sdk::utilities::HTTPClient::initWithReachabilityHost("127.0.0.1");
  // The settings' worker queue is the uploader's, as in the engine.
  std::shared_ptr<Scheduler> scheduler = env.scheduler;
  std::shared_ptr<Identity> identity;
  std::shared_ptr<MeasurementUploader> uploader;
  std::atomic<bool> connected{true};
  std::atomic<double> uptime{500};
  std::atomic<int> backgroundTaskEnds{0};
};

TEST_F(MeasurementUploaderTest, FetchesTheConfigurationFirstThenPostsTheBatch) {
  serveConfiguration();
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  env.store("shot", kHour + 1, {{"lens", AnalyticsValue(std::string("35mm"))}});

  // In debug mode, where the upload's line shows the batch as it went.
  Monitor::setShared(std::make_shared<Monitor>(1, std::vector<std::string>{"-APMAnalyticsDebugEnabled"}));
  upload(2);
  Monitor::setShared(env.scope.monitor);
  platform::log::showDebugLinesOf(Monitor::kFacility, false);
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].path, configPath());
  for (const char* key : {"app_instance_id=", "platform=ios", "vmp_version=", "runtime_version="}) {
    EXPECT_NE(requests[0].target.find(key), std::string::npos) << key << " in " << requests[0].target;
  }
  EXPECT_FALSE(requests[0].header("If-Modified-Since"));

  const auto& post = requests[1];
  EXPECT_EQ(post.method, "POST");
  EXPECT_EQ(post.path, "/a");
  EXPECT_EQ(post.header("Content-Encoding"), "gzip");
  EXPECT_EQ(post.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_TRUE(post.header("Content-Length"));
  auto batch = batchOf(post);
  ASSERT_TRUE(batch);
  auto bundles = nanoGetMessageArray<ProtoMeasurementBundle>(*batch, 0);
  ASSERT_EQ(bundles.size(), 1u);
  const auto& bundle = *bundles[0];
  EXPECT_EQ(nanoGetInt32(bundle, 0), 1);
  EXPECT_EQ(nanoGetString(bundle, 8), "ios");
  EXPECT_EQ(BundlingEnvironment::eventNames(bundle), std::vector<std::string>{"shot"});
  auto event = nanoGetMessageArray<ProtoEvent>(bundle, 1).at(0);
  EXPECT_EQ(BundlingEnvironment::parameters(*event).at("lens").stringValue(), "35mm");
  EXPECT_EQ(nanoGetInt64(bundle, 3), std::int64_t(env.now() * 1000));
  EXPECT_EQ(nanoGetInt64(bundle, 4), std::int64_t((kHour + 1) * 1000));
  EXPECT_EQ(nanoGetInt64(bundle, 5), std::int64_t((kHour + 1) * 1000));
  EXPECT_EQ(nanoGetInt64(bundle, 18), Identity::analyticsLibraryVersion());
  EXPECT_EQ(nanoGetInt32(bundle, 24), 1);
  EXPECT_FALSE(nanoHasField(bundle, 35));
  const auto sent = env.scope.linesOf(messages::kMeasurementDataSent);
  ASSERT_EQ(sent.size(), 1u);
  const auto body = platform::foundation::Value::data(Data(post.body.begin(), post.body.end()));
  EXPECT_NE(sent[0].message.find("Measurement data sent to network. Timestamp (ms), data: " +
                                 std::to_string(nanoGetInt64(bundle, 3)) + ", " + body.description()),
            std::string::npos)
      << sent[0].message;

  EXPECT_EQ(env.count("raw_events"), 0);
  EXPECT_EQ(env.count("queue"), 0);
  EXPECT_EQ(env.persisted->lastSuccessfulUploadTimestamp(), env.now());
  EXPECT_EQ(env.persisted->lastFailedUploadTimestamp(), 0);
  EXPECT_EQ(env.persisted->configServerLastModifiedString(), "Tue, 14 Nov 2023 22:00:00 GMT");

  // The next upload: the configuration is fresh, the bundle index goes on.
  env.store("shot", kHour + 2);
  upload(3);
  ASSERT_EQ(requestsFor("/a").size(), 2u);
  auto second = nanoGetMessageArray<ProtoMeasurementBundle>(*batchOf(requestsFor("/a")[1]), 0);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(nanoGetInt32(*second[0], 24), 2);
  EXPECT_EQ(nanoGetInt64(*second[0], 7), std::int64_t((kHour + 1) * 1000));
}

TEST_F(MeasurementUploaderTest, AFailedUploadKeepsTheBundleAndTheNextBatchCarriesItsRetryCount) {
  serveConfiguration();
  server.onSequence("POST", "/a", {LoopbackResponse::withStatus(500), LoopbackResponse::withStatus(200)});
  env.store("shot", kHour + 1);
  upload(2);
  EXPECT_EQ(env.count("queue"), 1);
  EXPECT_EQ(env.persisted->lastFailedUploadTimestamp(), env.now());
  EXPECT_EQ(env.persisted->lastBackoffTimestamp(), 0);
  // Retried on the series: the alarm waits for the first retry.
  ASSERT_TRUE(alarmTime());
  EXPECT_GT(*alarmTime(), env.now() + 1000);

  upload(3);
  auto retried = nanoGetMessageArray<ProtoMeasurementBundle>(*batchOf(requestsFor("/a").at(1)), 0);
  ASSERT_EQ(retried.size(), 1u);
  EXPECT_EQ(nanoGetInt32(*retried[0], 35), 1);
  EXPECT_EQ(env.count("queue"), 0);
}

// A service that fails for a while: the person reads one warning for the series, with the status and
// when the data goes again, not one per attempt; the success that ends it says so, and the next
// failure begins a series of its own.
TEST_F(MeasurementUploaderTest, AFailingSeriesIsOneWarningWithWhatHappensNext) {
  serveConfiguration();
  server.onSequence("POST", "/a", {LoopbackResponse::withStatus(500), LoopbackResponse::withStatus(503),
                                   LoopbackResponse::withStatus(204), LoopbackResponse::withStatus(500)});
  const auto lines = [&](std::int64_t code) { return env.scope.linesOf(code); };
  env.store("shot", kHour + 1);
  upload(2);
  upload(3);
  auto warnings = lines(messages::kUploadSeriesFailed);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].level, platform::log::Warning);
  EXPECT_NE(warnings[0].message.find("failed (status 500)"), std::string::npos) << warnings[0].message;
  EXPECT_NE(warnings[0].message.find("the next attempt comes in about "), std::string::npos) << warnings[0].message;

  upload(4);
  ASSERT_EQ(lines(messages::kUploadSeriesEnded).size(), 1u);
  EXPECT_NE(lines(messages::kUploadSeriesEnded)[0].message.find("attempts: 2"), std::string::npos);
  env.store("shot", kHour + 2);
  upload(5);
  warnings = lines(messages::kUploadSeriesFailed);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[1].message.find("failed (status 500)"), std::string::npos);
}

// The configuration fetch the uploads wait for, failing for hours against a service that is down: each
// attempt's own two warnings, debug mode off as well, the one saying when the next attempt comes at the
// first, and a notice once it works again. After the first, the attempts are the alarm's own (about 17
// minutes, then an hour, then two hours later). The clock is moved a second past each one's time and
// stands there until that attempt has been answered: a clock moved on while a request is on its way
// passes the request's own deadline and fails it, and an attempt of the test's own beside the alarm's
// could meet it on its way or just answered.
TEST_F(MeasurementUploaderTest, AConfigurationFetchFailingForHoursWarnsAtEachAttempt) {
  server.onSequence("GET", configPath(), {LoopbackResponse::withStatus(500), LoopbackResponse::withStatus(500),
                                          LoopbackResponse::withStatus(500), LoopbackResponse::withStatus(404)});
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  env.store("shot", kHour + 1);
  upload(1);
  for (std::size_t attempt = 2; attempt <= 4; ++attempt) {
    ASSERT_TRUE(alarmTime()) << attempt;
    env.environment.advance(*alarmTime() - env.now() + 1);
    // The fourth fetch works, and the batch follows it.
    ASSERT_TRUE(until(attempt == 4 ? 5 : attempt)) << attempt;
    settle();
    EXPECT_EQ(requestsFor(configPath()).size(), attempt);
  }
  EXPECT_GT(env.now(), kHour + 3 * 3600);
  std::map<std::pair<std::int64_t, int>, int> lines;
  for (std::int64_t code : {messages::kUploadSeriesFailed, messages::kUploadSeriesEnded,
                            messages::kConfigurationRequestFailed, messages::kConfigurationFetchFailed}) {
    for (const auto& line : env.scope.linesOf(code)) ++lines[{code, line.level}];
  }
  EXPECT_EQ(lines, (std::map<std::pair<std::int64_t, int>, int>{
                       {{messages::kConfigurationRequestFailed, platform::log::Warning}, 3},
                       {{messages::kConfigurationFetchFailed, platform::log::Warning}, 3},
                       {{messages::kUploadSeriesFailed, platform::log::Warning}, 1},
                       {{messages::kUploadSeriesEnded, platform::log::Notice}, 1}}));
  EXPECT_EQ(requestsFor("/a").size(), 1u);
}

// What the warning says of the next attempt is what the schedule then does: the alarm's time, brought
// forward by the next event (to a second in debug mode) unless the service asked to wait, when the
// back-off holds whatever the service's Retry-After said.
TEST_F(MeasurementUploaderTest, TheFailureWarningSaysWhenTheNextAttemptReallyComes) {
  serveConfiguration();
  LoopbackResponse busy = LoopbackResponse::withStatus(503, "Service Unavailable");
  busy.headers.push_back({"Retry-After", "3600"});
  server.onSequence("POST", "/a", {LoopbackResponse::withStatus(500), LoopbackResponse::withStatus(204), busy,
                                   LoopbackResponse::withStatus(204), LoopbackResponse::withStatus(500)});
  std::size_t told = 0;
  const auto nextWarning = [&] {
    std::vector<std::string> warnings;
    for (const auto& line : env.scope.console.lines()) {
      if (line.message.find(Monitor::formattedCode(messages::kUploadSeriesFailed)) != std::string::npos) {
        warnings.push_back(line.message);
      }
    }
    return warnings.size() > told ? warnings[told++] : std::string("(none)");
  };
  const auto seconds = [](double s) { return std::to_string(std::llround(s)) + " s"; };
  // An event recorded `later` seconds on: the alarm it leaves, as seconds after the event.
  const auto alarmAfterEventIn = [&](double later) {
    env.environment.advance(later);
    env.store("later", env.now());
    onWorker([&] { uploader->updateSchedule(); });
    return alarmTime().value_or(0) - env.now();
  };

  env.store("shot", kHour + 1);
  upload(2);
  std::string warning = nextWarning();
  EXPECT_NE(warning.find("failed (status 500); the data stays on the device and the next attempt comes in about " +
                         seconds(*alarmTime() - env.now()) + ", or sooner: about 15 s after the next event is "
                         "recorded, or when the app leaves the foreground"),
            std::string::npos)
      << warning;
  EXPECT_DOUBLE_EQ(alarmAfterEventIn(5), 15);
  upload(3);

  env.store("shot", env.now());
  upload(4);
  warning = nextWarning();
  EXPECT_NE(warning.find("failed (status 503, the service asking to wait); the data stays on the device and the "
                         "next attempt comes in about 43200 s (the back-off after a 503 or 429 from the service), "
                         "or sooner: when the app leaves the foreground"),
            std::string::npos)
      << warning;
  EXPECT_DOUBLE_EQ(alarmAfterEventIn(5), 43200 - 5);
  upload(5);

  // In debug mode an event goes within a second, and so does what failed before it.
  auto debug = std::make_shared<Monitor>(1, std::vector<std::string>{"-APMAnalyticsDebugEnabled"});
  Monitor::setShared(debug);
  env.store("shot", env.now());
  upload(6);
  warning = nextWarning();
  EXPECT_NE(warning.find(", or sooner: about 1 s after the next event is recorded, or when the app leaves the "
                         "foreground"),
            std::string::npos)
      << warning;
  EXPECT_DOUBLE_EQ(alarmAfterEventIn(3), 1);
  Monitor::setShared(env.scope.monitor);
  platform::log::showDebugLinesOf(Monitor::kFacility, false);
}

// The app may end (or be killed) while a batch is at the server and unanswered: its bundles count the
// attempt from the moment it goes, so whatever sends them next marks them as a repeat. Once stopped,
// the uploader starts nothing more and says what it leaves in flight.
TEST_F(MeasurementUploaderTest, ABatchInFlightIsAlreadyMarkedTriedAndAStoppedUploaderStartsNothing) {
  serveConfiguration();
  server.on("POST", "/a", LoopbackResponse::held());
  env.store("shot", kHour + 1);
  onWorker([&] { uploader->uploadData(); });
  ASSERT_TRUE(server.waitForRequests(1));  // the configuration first
  ASSERT_TRUE(ostrel::testing::TaskManagerEnvironment::spinUntil([&] { return requestsFor("/a").size() == 1; }));
  settle();
  auto queued = env.queuedBundles();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(nanoGetInt32(*queued[0], 35), 1) << "read back now, the bundle is a repeat";
  EXPECT_FALSE(nanoHasField(*nanoGetMessageArray<ProtoMeasurementBundle>(*batchOf(requestsFor("/a")[0]), 0)[0],
                               35))
      << "the first send carries no retry count";

  env.store("later", kHour + 2);
  onWorker([&] {
    uploader->stopStartingRequests();
    uploader->updateSchedule();
    uploader->uploadData();
    uploader->fetchRemoteConfig();
    uploader->leaveRequestInFlight();
  });
  EXPECT_FALSE(alarmTime());
  EXPECT_TRUE(env.scope.logged(23224));
  EXPECT_EQ(server.requestCount(), 2u) << "nothing new went out";
}

// Answers the first `count` uploads only once released (at the latest when it ends), the others at once.
class HeldUploads {
 public:
  HeldUploads(ostrel::testing::LoopbackServer& server, int count) {
    server.on("POST", "/a", [this, count](const LoopbackRequest&) {
      std::unique_lock lock(mutex_);
      if (++posts_ <= count) changed_.wait(lock, [&] { return released_; });
      return LoopbackResponse::withStatus(204);
    });
  }
  ~HeldUploads() { release(); }
  HeldUploads(const HeldUploads&) = delete;
  HeldUploads& operator=(const HeldUploads&) = delete;

  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool released_ = false;
  int posts_ = 0;
};

// The app ends while a batch waits for a slow answer: the leave-foreground upload found it in flight,
// so what is queued beside it goes at the end at once, in a batch of its own, rather than after that
// answer; each answer deletes its own bundles, and no bundle travels twice.
TEST_F(MeasurementUploaderTest, AtTheEndWhatIsQueuedBesideABatchInFlightGoesAtOnce) {
  serveConfiguration();
  HeldUploads held(server, 1);
  ASSERT_NO_FATAL_FAILURE(endBesideABatchInFlight());
  // The end's own batch is answered first; the first is still out when the end stops waiting.
  ASSERT_TRUE(spinUntil([&] {
    std::size_t queued = 0;
    onWorker([&] { queued = env.queuedBundles().size(); });
    return queued == 1;
  }));
  onWorker([&] {
    uploader->stopStartingRequests();
    uploader->leaveRequestInFlight();
  });
  EXPECT_TRUE(env.scope.logged(messages::kUploadUnfinishedAtExit));
  held.release();
  ASSERT_TRUE(spinUntil([&] { return !uploader->hasRequestsUnderWay(); }));
  settle();
  EXPECT_TRUE(env.queuedBundles().empty());
  std::vector<std::string> sent;
  for (const auto& request : requestsFor("/a")) {
    for (const auto& bundle : nanoGetMessageArray<ProtoMeasurementBundle>(*batchOf(request), 0)) {
      for (const auto& name : BundlingEnvironment::eventNames(*bundle)) sent.push_back(name);
    }
  }
  EXPECT_EQ(sent, (std::vector<std::string>{"shot", "left"}));
  EXPECT_EQ(requestsFor("/a").size(), 2u);
}

// The end finds the leave-foreground batch in flight and nothing beside it: it sends nothing more, and
// the background task lasts as long as the batch is out.
TEST_F(MeasurementUploaderTest, AtTheEndNothingBesideABatchInFlightLeavesItsBackgroundTaskRunning) {
  serveConfiguration();
  server.on("POST", "/a", LoopbackResponse::held());
  env.store("shot", kHour + 1);
  onWorker([&] { uploader->uploadData(); });
  ASSERT_TRUE(ostrel::testing::TaskManagerEnvironment::spinUntil([&] { return requestsFor("/a").size() == 1; }));
  settle();
  int endsBefore = 0, endsAfter = 0;
  onWorker([&] {
    endsBefore = backgroundTaskEnds.load();
    uploader->finishRequestsUnderWay();
    endsAfter = backgroundTaskEnds.load();
  });
  EXPECT_EQ(endsAfter, endsBefore) << "the background task ended while the batch was out";
  onWorker([&] {
    uploader->stopStartingRequests();
    uploader->leaveRequestInFlight();
  });
  EXPECT_TRUE(env.scope.logged(messages::kUploadUnfinishedAtExit));
  EXPECT_EQ(server.requestCount(), 2u);
}

// A server that drops its kept-alive connections after taking a batch: each attempt reaches it once,
// and a batch it may have taken comes again only with its retry count raised, never as the same bytes.
TEST_F(MeasurementUploaderTest, AServerThatResetsConnectionsNeverGetsTheSameBatchTwice) {
  // Before the server: its threads may still use them while the server stops.
  const std::string keptAlive = "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n";
  std::atomic<int> posts{0};
  ostrel::testing::HostileServer dropping;
  dropping.on(configPath(), [&](const auto&, ostrel::testing::HostileConnection& connection) {
    connection.send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    connection.keepOpen();
  });
  dropping.on("/a", [&](const auto&, ostrel::testing::HostileConnection& connection) {
    if (++posts > 1) return connection.reset();
    connection.send(keptAlive);
    connection.keepOpen();
  });
  setenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable, dropping.url("").c_str(), 1);
  auto attempt = [&](int requestsAfter) {
    onWorker([&] { uploader->uploadData(); });
    ASSERT_TRUE(ostrel::testing::TaskManagerEnvironment::spinUntil([&] {
      bool pending = true;
      onWorker([&] { pending = uploader->isNetworkRequestPending(); });
      return !pending && dropping.requests().size() >= static_cast<std::size_t>(requestsAfter);
    }));
    settle();
  };
  env.store("shot", kHour + 1);
  attempt(2);  // the configuration, then the first batch
  env.store("shot", kHour + 2);
  attempt(3);
  attempt(4);
  attempt(5);

  std::vector<std::string> bodies;
  for (const auto& request : dropping.requests()) {
    if (request.method == "POST") bodies.push_back(request.body);
  }
  ASSERT_EQ(bodies.size(), 4u) << "one POST per attempt";
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    for (std::size_t j = i + 1; j < bodies.size(); ++j) EXPECT_NE(bodies[i], bodies[j]) << i << " and " << j;
  }
  auto queued = env.queuedBundles();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(nanoGetInt32(*queued[0], 35), 3) << "three attempts, each counted";
}

// A batch answered 200 whose body stalls is the service's as soon as the head has come: its bundles are
// deleted then, while the request is still out, so an app killed in that while sends none of them
// again. The upload stays in flight until the body has had its short while; the success is taken once.
TEST_F(MeasurementUploaderTest, ABatchWhoseSuccessBodyStallsIsDeletedWhenItsHeadComes) {
  serveConfiguration();
  LoopbackResponse stalled = LoopbackResponse::withStatus(200, std::string(20, 'r'));
  stalled.bodyHeldUntilReleased = "body";
  stalled.bodyBytesBeforeHold = 10;
  server.on("POST", "/a", stalled);
  env.store("shot", kHour + 1);
  // In debug mode, where the success has its line.
  Monitor::setShared(std::make_shared<Monitor>(1, std::vector<std::string>{"-APMAnalyticsDebugEnabled"}));
  onWorker([&] { uploader->uploadData(); });
  ASSERT_TRUE(spinUntil([&] { return server.waitForHeld("body", 1, 0); }));
  const auto queued = [&] {
    std::int64_t rows = -1;
    onWorker([&] { rows = env.count("queue"); });
    return rows;
  };
  EXPECT_TRUE(spinUntil([&] { return queued() == 0; })) << "the bundles the service took wait for the body";
  bool pending = false;
  onWorker([&] { pending = uploader->isNetworkRequestPending(); });
  EXPECT_TRUE(pending) << "the body was not waited for at all";
  EXPECT_EQ(env.persisted->lastSuccessfulUploadTimestamp(), env.now());

  env.environment.clock()->advance(platform::net::URLSession::kBodySecondsAfterSuccessHead + 1);
  ASSERT_TRUE(until(2));
  server.release("body");
  Monitor::setShared(env.scope.monitor);
  platform::log::showDebugLinesOf(Monitor::kFacility, false);
  EXPECT_EQ(env.scope.linesOf(messages::kUploadSucceeded).size(), 1u);
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(requestsFor("/a").size(), 1u);
}

TEST_F(MeasurementUploaderTest, BackOffAfterA503AndAnEarlierAlarmIsKept) {
  serveConfiguration();
  server.on("POST", "/a", LoopbackResponse::withStatus(503));
  env.store("shot", kHour + 1);
  upload(2);
  const double backoff = env.persisted->lastBackoffTimestamp();
  EXPECT_EQ(backoff, env.now());
  ASSERT_TRUE(alarmTime());
  EXPECT_GE(*alarmTime(), backoff + 43200);

  // An alarm due earlier than the schedule is kept; a later one is replaced.
  onWorker([&] {
    uploader->parts().alarm->runAfterDelay(5, [] {});
    uploader->updateSchedule();
  });
  ASSERT_TRUE(alarmTime());
  EXPECT_NEAR(*alarmTime(), env.now() + 5, 0.001);
  onWorker([&] {
    uploader->parts().alarm->runAfterDelay(10 * 86400, [] {});
    uploader->updateSchedule();
  });
  ASSERT_TRUE(alarmTime());
  EXPECT_NEAR(*alarmTime(), backoff + 43200, 0.001);

  // Nothing goes out before the back-off ends; then the batch does.
  env.environment.advance(43199);
  settle();
  EXPECT_EQ(requestsFor("/a").size(), 1u);
  env.environment.advance(1);
  ASSERT_TRUE(until(3));
  EXPECT_EQ(requestsFor("/a").size(), 2u);
}

TEST_F(MeasurementUploaderTest, NoDataOrNoNetworkArmsNoAlarm) {
  onWorker([&] { uploader->updateSchedule(); });
  EXPECT_FALSE(alarmTime());
  env.store("shot", env.now() - 1);
  connected = false;
  onWorker([&] { uploader->updateSchedule(); });
  EXPECT_FALSE(alarmTime());
  EXPECT_EQ(network->reachabilityDelegate(), uploader);
  connected = true;
  onWorker([&] { uploader->updateSchedule(); });
  ASSERT_TRUE(alarmTime());
  EXPECT_NEAR(*alarmTime(), env.now() - 1 + 15, 0.001);
  EXPECT_FALSE(network->reachabilityDelegate());
}

// A damaged store fails the schedule's one combined read; asked one by one, each question that still
// has an answer counts, and each that has none is told where it is asked.
TEST_F(MeasurementUploaderTest, TheScheduleTellsEachUnreadableAnswerAtItsQuestion) {
  env.store("shot", env.now() - 1);
  auto damage = [&](const char* table, const char* index, const char* column) {
    auto& store = env.database->store();
    ASSERT_TRUE(store.executeStatement(std::string("DROP INDEX ") + index, {}).ok());
    ASSERT_TRUE(store.executeStatement(std::string("ALTER TABLE ") + table + " DROP COLUMN " + column, {}).ok());
  };
  damage("queue", "queue_realtime", "realtime");
  damage("raw_events", "raw_events_realtime", "realtime");
  onWorker([&] { uploader->updateSchedule(); });
  EXPECT_TRUE(env.scope.logged(23031));
  EXPECT_TRUE(env.scope.logged(23032));
  EXPECT_FALSE(env.scope.logged(23029) || env.scope.logged(23030));
  ASSERT_TRUE(alarmTime()) << "the data's time still sets the upload";
  EXPECT_NEAR(*alarmTime(), env.now() - 1 + 15, 0.001) << "not in real time";

  damage("raw_events", "raw_events_timestamp", "timestamp");
  damage("queue", "queue_bundle_end_timestamp", "bundle_end_timestamp");
  onWorker([&] { uploader->updateSchedule(); });
  EXPECT_TRUE(env.scope.logged(23029));
  EXPECT_TRUE(env.scope.logged(23030));
  EXPECT_FALSE(alarmTime()) << "no time for the data, no upload time";

  ASSERT_TRUE(env.database->store().executeStatement("DROP TABLE queue", {}).ok());
  EXPECT_FALSE(env.scope.logged(23117));
  onWorker([&] { uploader->updateSchedule(); });
  EXPECT_TRUE(env.scope.logged(23117)) << "counted as no data";
  EXPECT_FALSE(alarmTime());
}

TEST_F(MeasurementUploaderTest, BundlesOfAnotherAppTravelInASeparateBatch) {
  serveConfiguration();
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  env.store(BundlingEnvironment::event("one", kHour + 1), *BundlingEnvironment::metadata());
  env.store(BundlingEnvironment::event("two", kHour + 2), *BundlingEnvironment::metadata("1:456:ios:def"));
  upload(3);  // the configuration, then one batch per app, chained
  auto posts = requestsFor("/a");
  ASSERT_EQ(posts.size(), 2u);
  for (const auto& post : posts) {
    EXPECT_EQ(nanoGetMessageArray<ProtoMeasurementBundle>(*batchOf(post), 0).size(), 1u);
  }
  EXPECT_EQ(env.count("queue"), 0);
}

TEST_F(MeasurementUploaderTest, AWipeDuringAnUploadDeletesNoNewBundle) {
  serveConfiguration();
  // The server's threads may answer a later batch after this body has returned: what they share
  // with it lives as long as they do.
  struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool arrived = false, release = false;
  };
  auto gate = std::make_shared<Gate>();
  server.on("POST", "/a", [gate](const LoopbackRequest&) {
    std::unique_lock lock(gate->mutex);
    if (gate->arrived) return LoopbackResponse::withStatus(503);  // a later batch keeps what it carries
    gate->arrived = true;
    gate->changed.notify_all();
    gate->changed.wait(lock, [&] { return gate->release; });
    return LoopbackResponse::withStatus(204);
  });
  env.store("old", kHour + 1);
  onWorker([&] { uploader->uploadData(); });
  // The configuration's answer comes through the main queue; then the batch goes out and is held.
  for (;;) {
    {
      std::lock_guard lock(gate->mutex);
      if (gate->arrived) break;
    }
    if (!platform::dispatch::MainLoop::runOnce()) std::this_thread::yield();
  }

  // The data is wiped while the batch is out; a new event makes a bundle that may reuse the row ID.
  onWorker([&] {
    ASSERT_TRUE(env.database->reset());
    uploader->dataWasWiped();
    env.store("new", kHour + 5);
    ASSERT_TRUE(uploader->bundler().bundleRawEvents());
  });
  {
    std::lock_guard lock(gate->mutex);
    gate->release = true;
  }
  gate->changed.notify_all();
  ASSERT_TRUE(until(2));
  settle();
  auto queued = env.queuedBundles();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(BundlingEnvironment::eventNames(*queued[0]), std::vector<std::string>{"new"});
}

// A wipe at the end, with the end's own batch out beside the first: once both are answered nothing is
// out any more, and uploads may go again.
TEST_F(MeasurementUploaderTest, AWipeAtTheEndForgetsBothBatchesOut) {
  serveConfiguration();
  HeldUploads held(server, 2);
  ASSERT_NO_FATAL_FAILURE(endBesideABatchInFlight());
  onWorker([&] {
    ASSERT_TRUE(env.database->reset());
    uploader->dataWasWiped();
  });
  held.release();
  ASSERT_TRUE(spinUntil([&] { return !uploader->hasRequestsUnderWay(); }));
  onWorker([&] {
    EXPECT_FALSE(uploader->isNetworkRequestPending());
    EXPECT_TRUE(uploader->isNetworkReadyForRequest());
  });
}

// A batch for which the network makes no session never leaves: nothing stays pending, and its bundles,
// counted as tried before the post, are not marked as a repeat when they do go.
TEST_F(MeasurementUploaderTest, ARequestThatNeverStartsLeavesNothingPendingAndNoRepeatBehind) {
  serveConfiguration();
  env.store("shot", kHour + 1);
  upload(1);  // the configuration only: uploads have nowhere to go
  const auto retryCountQueued = [&] {
    auto queued = env.queuedBundles();
    return queued.size() == 1 ? nanoGetInt32(*queued[0], 35) : -1;
  };
  const std::int32_t tries = retryCountQueued();
  unsetenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable);
  onWorker([&] { uploader->uploadData(); });
  const auto pending = [&] {
    bool out = false;
    onWorker([&] { out = uploader->isNetworkRequestPending(); });
    return out;
  };
  for (int i = 0; i < 100 && !pending() && platform::dispatch::MainLoop::runOnce(); ++i) {
  }
  settle();
  EXPECT_FALSE(pending());
  onWorker([&] { EXPECT_TRUE(uploader->isNetworkReadyForRequest()); });
  EXPECT_FALSE(env.scope.logged(23041));
  EXPECT_TRUE(uploader->uploadingBundleIDs().empty());
  EXPECT_TRUE(env.scope.logged(23040));
  EXPECT_EQ(retryCountQueued(), tries) << "a batch that never left counts as tried";
}

TEST_F(MeasurementUploaderTest, AnEmptyBundleListSendsNothing) {
  onWorker([&] { EXPECT_FALSE(uploader->setUploadInProgressWithBundleIDs({})); });
  EXPECT_TRUE(env.scope.logged(23046));
  onWorker([&] {
    EXPECT_TRUE(uploader->setUploadInProgressWithBundleIDs({1, 2}));
    EXPECT_FALSE(uploader->setUploadInProgressWithBundleIDs({3}));
  });
  EXPECT_EQ(uploader->uploadingBundleIDs(), (std::vector<std::int64_t>{1, 2}));
}

// --- the configuration fetch

TEST_F(MeasurementUploaderTest, ConditionalFetchAndTheAcceptedStatuses) {
  LoopbackResponse fresh = LoopbackResponse::ok(configurationBody({{"measurement.upload.interval", "7200000"}}));
  fresh.headers.push_back({"Last-Modified", "Wed, 15 Nov 2023 10:00:00 GMT"});
  server.onSequence("GET", configPath(),
                    {fresh, LoopbackResponse::withStatus(304), LoopbackResponse::withStatus(404)});
  onWorker([&] { uploader->fetchRemoteConfig(); });
  ASSERT_TRUE(until(1));
  EXPECT_EQ(env.settings->uploadingInterval(), 7200);
  EXPECT_EQ(env.persisted->configServerLastModifiedString(), "Wed, 15 Nov 2023 10:00:00 GMT");

  env.environment.advance(100);
  env.persisted->setLastFailedUploadTimestamp(env.now() - 5);
  onWorker([&] { uploader->fetchRemoteConfig(); });
  ASSERT_TRUE(until(2));
  EXPECT_EQ(server.requests()[1].header("If-Modified-Since"), "Wed, 15 Nov 2023 10:00:00 GMT");
  EXPECT_EQ(env.settings->uploadingInterval(), 7200);  // 304: the same configuration
  EXPECT_EQ(env.settings->lastRemoteConfigUpdateTimestamp(), env.now());
  EXPECT_EQ(env.persisted->lastFailedUploadTimestamp(), 0);

  env.environment.advance(100);
  env.persisted->setLastBackoffTimestamp(env.now() - 5);
  onWorker([&] { uploader->fetchRemoteConfig(); });
  ASSERT_TRUE(until(3));
  EXPECT_EQ(env.settings->uploadingInterval(), 7200);  // 404: nothing changes but the fetch time
  EXPECT_EQ(env.settings->lastRemoteConfigUpdateTimestamp(), env.now());
  EXPECT_EQ(env.persisted->lastBackoffTimestamp(), 0);
  EXPECT_EQ(env.persisted->configServerLastModifiedString(), "");
}

TEST_F(MeasurementUploaderTest, ARejectedConfigurationChangesNothingAndA503BacksOff) {
  server.onSequence("GET", configPath(),
                    {LoopbackResponse::ok(configurationBody({{"measurement.upload.interval", "7200000"}},
                                                            "1:999:ios:other", 2)),
                     LoopbackResponse::ok("\x0a\xff\xff\xff garbage"), LoopbackResponse::withStatus(503)});
  for (std::size_t fetch = 1; fetch <= 2; ++fetch) {
    onWorker([&] { uploader->fetchRemoteConfig(); });
    ASSERT_TRUE(until(fetch));
    settle();
  }
  // The reasons are the service's to read, in the monitoring data.
  EXPECT_TRUE(env.scope.logged(messages::kConfigurationAppIDInvalid));
  EXPECT_TRUE(env.scope.logged(messages::kConfigurationDataInvalid));
  EXPECT_EQ(env.settings->uploadingInterval(), 3600);
  EXPECT_EQ(env.database->allAudienceIDs().valueOr(std::vector<std::int32_t>{-1}).size(), 0u);

  env.store("shot", kHour + 1);
  onWorker([&] { uploader->fetchRemoteConfig(); });
  ASSERT_TRUE(until(3));
  settle();
  EXPECT_EQ(env.persisted->lastBackoffTimestamp(), env.now());
  EXPECT_EQ(env.persisted->lastFailedUploadTimestamp(), env.now());
  ASSERT_TRUE(alarmTime());
  EXPECT_GE(*alarmTime(), env.now() + 43200);
}

// Why a configuration is refused is the service's to read: each reason reaches the monitoring data of
// the next bundle at its level (2), and none reaches the person's log; a failed request is a warning
// there (level 3), which monitoring data never counts.
TEST_F(MeasurementUploaderTest, EachConfigurationFailureReachesTheNextBundleAtItsLevel) {
  const auto execute = [&](const std::string& sql) {
    EXPECT_TRUE(env.database->store().executeStatement(sql, {}).ok()) << sql;
  };
  struct Case {
    const char* what;
    LoopbackResponse answer;
    std::vector<std::string> refusal;  // statements that make the database refuse the step
    std::string monitored;
  };
  std::vector<Case> cases = {
      {"not a configuration", LoopbackResponse::ok("\x0a\xff\xff\xff garbage"), {}, "2:23135:1"},
      {"another app's", LoopbackResponse::ok(configurationBody({}, "1:999:ios:other")), {}, "2:23136:1"},
      {"audiences refused", LoopbackResponse::ok(configurationBody({}, BundlingEnvironment::kAppID, 1)),
       {"INSERT INTO event_filters (audience_id, filter_id, event_name, data, session_scoped) "
        "VALUES (7, 1, 'shot', x'00', 0)",
        "CREATE TRIGGER refuse BEFORE DELETE ON event_filters BEGIN SELECT RAISE(ABORT, 'refused'); END"},
       "2:23137:1"},
      {"settings refused", LoopbackResponse::ok(configurationBody()),
       {"CREATE TRIGGER refuse BEFORE INSERT ON remote_config WHEN NEW.config IS NOT NULL "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END"},
       "2:23138:1"},
      {"service failing", LoopbackResponse::withStatus(500), {}, ""},
  };
  connected = false;  // no upload follows a fetch: the bundles stay queued to be read
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    server.on("GET", configPath(), c.answer);
    for (const auto& sql : c.refusal) execute(sql);
    env.scope.console.clear();
    onWorker([&] { uploader->fetchRemoteConfig(); });
    ASSERT_TRUE(until(i + 1)) << c.what;
    settle();
    execute("DROP TRIGGER IF EXISTS refuse");
    execute("DELETE FROM event_filters");

    env.store("shot", env.now());
    bool bundled = false;
    onWorker([&] { bundled = uploader->bundler().bundleRawEvents(); });
    ASSERT_TRUE(bundled) << c.what;
    const auto queued = env.queuedBundles();
    const std::string monitoring = nanoGetString(*queued.back(), 25).value_or("");
    env.persisted->setLastMonitorDataSampledTimestamp(0);  // the next bundle samples again

    std::map<std::int64_t, int> told;  // the console lines of the fetch's own codes, by level
    for (std::int64_t code = 23128; code <= 23138; ++code) {
      for (const auto& line : env.scope.linesOf(code)) told[code] = line.level;
    }
    if (c.monitored.empty()) {
      EXPECT_EQ(monitoring.find(":2312"), std::string::npos) << c.what << ": " << monitoring;
      EXPECT_EQ(told, (std::map<std::int64_t, int>{{23128, platform::log::Warning}, {23129, platform::log::Warning}}))
          << c.what;
    } else {
      EXPECT_NE(monitoring.find(c.monitored), std::string::npos) << c.what << ": " << monitoring;
      EXPECT_TRUE(told.empty()) << c.what;
    }
  }
}

// A program that nests as deep as the interpreter runs, at the deepest place a configuration holds
// statements (a rule's options), comes with the rest of its configuration: settings, audiences and
// the program itself are installed, and the copy kept in the database reads back.
TEST_F(MeasurementUploaderTest, AConfigurationWhoseProgramNestsAsDeepAsTheInterpreterRunsInstallsWhole) {
  using namespace ostrel::testing;
  // Texts joined one by one, each "+" holding the one before it; `expected` receives the result.
  const auto joined = [](int texts, std::string& expected) {
    expected = "a";
    Entity chain = stringEntity(expected);
    for (int i = 1; i < texts; ++i) {
      const std::string text(1, static_cast<char>('a' + i % 26));
      expected += text;
      auto plus = statementEntity("0", {});
      nanoAdoptMessageArray(*plus, 1, Entities{chain, stringEntity(text)});
      chain = plus;
    }
    return chain;
  };
  const auto options = [](const Entity& value) { return statementEntity("8", {stringEntity("s"), value}); };
  // The most texts the interpreter joins in one statement of a rule's options.
  const auto deepestJoin = [&] {
    for (int texts = ScriptLimits{}.evaluationDepth + 1;; --texts) {
      std::string ignored;
      if (ScriptRuntime().executeStatements({options(joined(texts, ignored))}).ok()) return texts;
    }
  };
  const int texts = deepestJoin();
  std::string ordinary;
  std::string deepest;
  auto program =
      ostrel::testing::program("(var \"s\") (var \"t\") (defun \"rule\" (quote \"o\") (= \"s\" (. $o \"s\")))");
  nanoAddMessage(*program, 0, *statementEntity("3", {stringEntity("t"), joined(47, ordinary)}));
  auto rule = ProtoProgramRule::make();
  nanoSetString(*rule, 0, "rule");
  nanoAdoptMessageArray(*rule, 1, Entities{options(joined(texts, deepest))});
  auto rules = ProtoProgramRules::make();
  nanoAdoptMessageArray(*rules, 0, std::vector{rule});
  nanoSetMessage(*program, 1, rules.get());
  auto config = BundlingEnvironment::configuration({{"measurement.upload.interval", "7200000"}});
  nanoAddMessage(*config, 5, *audience(100, {eventFilter(1, "shot")}));
  nanoAddMessage(*config, 8, *program);
  const Data body = config->protoBuffer();
  server.on("GET", configPath(), LoopbackResponse::ok(std::string(body.begin(), body.end())));
  onWorker([&] { uploader->fetchRemoteConfig(); });
  ASSERT_TRUE(until(1));
  settle();
  EXPECT_FALSE(env.scope.logged(messages::kConfigurationDataInvalid));
  EXPECT_EQ(env.settings->uploadingInterval(), 7200);
  EXPECT_EQ(env.database->allAudienceIDs().valueOr({}), std::vector<std::int32_t>{100});
  onWorker([&] {
    const auto editing = env.settings->eventEditing();
    ASSERT_TRUE(editing);
    const auto& scope = editing->runtime().globalScope();
    EXPECT_EQ(utf8FromUTF16(scope.valueForName(u"t")->stringValueOrError().valueOr(u"")), ordinary);
    EXPECT_EQ(utf8FromUTF16(scope.valueForName(u"s")->stringValueOrError().valueOr(u"")), deepest);
    EXPECT_TRUE(env.database->queryMeasurementConfigWithError().valueOr(nullptr));
  });
}

// A reply refused for its size says so, not that it failed with the 200 its head carried.
TEST_F(MeasurementUploaderTest, AReplyRefusedForItsSizeSaysSo) {
  server.on("GET", configPath(), LoopbackResponse::ok(std::string((1 << 20) + 1, 'x')));
  onWorker([&] { uploader->fetchRemoteConfig(); });
  ASSERT_TRUE(until(1));
  settle();
  std::string warning;
  for (const auto& line : env.scope.console.lines()) {
    if (line.message.find(Monitor::formattedCode(messages::kUploadSeriesFailed)) != std::string::npos) warning = line.message;
  }
  EXPECT_NE(warning.find("Fetching the analytics configuration failed (status 200, then the reply was refused for "
                         "its size: The response is larger than the 1048576 bytes the session accepts)"),
            std::string::npos)
      << warning;
}

// A reply whose head said 200 but whose body never arrived whole brought no configuration: the fetch
// failed, so the retry series applies and the configuration stays due instead of counting as fresh.
TEST_F(MeasurementUploaderTest, AFetchWhoseTransferFailsAfterItsHeadIsAFailedFetch) {
  const std::string body = configurationBody({{"measurement.upload.interval", "7200000"}});
  ostrel::testing::HostileServer stalling;
  stalling.on(configPath(), [](const auto&, ostrel::testing::HostileConnection& connection) {
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(100, 'x'));
    connection.hold();
  });
  LoopbackResponse large = LoopbackResponse::ok(std::string((1 << 20) + 1, 'x'));
  struct Case {
    const char* what;
    std::function<void()> serve;
    double stallSeconds;  // the clock moves past the request timeout once the request is there
  };
  std::vector<Case> cases = {
      {"body cut off", [&] { server.on("GET", configPath(), LoopbackResponse::truncated(body, body.size() / 2)); }, 0},
      {"body over 1 MiB", [&] { server.on("GET", configPath(), large); }, 0},
      {"body stalls", [&] {
         setenv(sdk::analytics::kAnalyticsServiceURLEnvironmentVariable, stalling.url("").c_str(), 1);
       }, 61},
  };
  for (const auto& c : cases) {
    env.scope.console.clear();
    c.serve();
    env.environment.advance(100);
    const double fetchedAt = env.settings->lastRemoteConfigUpdateTimestamp();
    onWorker([&] { uploader->fetchRemoteConfig(); });
    if (c.stallSeconds > 0) {
      ASSERT_TRUE(ostrel::testing::TaskManagerEnvironment::spinUntil([&] { return stalling.requests().size() == 1; }));
      env.environment.advance(c.stallSeconds);
    }
    ASSERT_TRUE(ostrel::testing::TaskManagerEnvironment::spinUntil([&] {
      bool pending = true;
      onWorker([&] { pending = uploader->isNetworkRequestPending(); });
      return !pending;
    })) << c.what;
    settle();
    EXPECT_EQ(env.settings->lastRemoteConfigUpdateTimestamp(), fetchedAt) << c.what;
    EXPECT_EQ(env.persisted->lastFailedUploadTimestamp(), env.now()) << c.what;
    EXPECT_TRUE(env.settings->isExpired()) << c.what;
    EXPECT_EQ(env.settings->uploadingInterval(), 3600) << c.what;
  }
}

}  // namespace

}  // namespace sdk::analytics

