#include "sdk/analytics/rules/ExperimentsTaskManager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/rules/ExperimentsTestSupport.h"
#include "testing/FileContents.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::LoopbackResponse;
using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::Value;
using ostrel::testing::gzippedBody;
using ostrel::testing::RecordingTaskManagerDelegate;
using ostrel::testing::sdkResponse;
using ostrel::testing::snapshotMessage;
using ostrel::testing::TaskManagerEnvironment;

constexpr double kHour = 3600;

class ExperimentsTaskManagerTest : public ::testing::Test, public TaskManagerEnvironment {
 protected:
  void SetUp() override {
    makeTaskManager();
    taskManager->setDelegate(delegate);
  }
  // Starts the task manager and waits for its start report.
  void start() {
    taskManager->startTaskManager();
    settle();
  }
  // Moves the clock to the armed fetch and waits until the answer has been handled: one of the
  // stamps takes the fetch's time, and the worker queue finishes the block that wrote it.
  void fetchAtAlarm() {
    auto due = alarmTime();
    ASSERT_TRUE(due);
    std::size_t requests = server.requestCount();
    environment.advance(*due - now());
    ASSERT_TRUE(server.waitForRequests(requests + 1));
    ASSERT_TRUE(spinUntil([&] {
      return stamp(ExperimentsTaskManager::kFailureTimestampKey) == now() || stamp(ExperimentsTaskManager::kSuccessTimestampKey) == now();
    }));
    settle();
  }

  std::shared_ptr<RecordingTaskManagerDelegate> delegate = std::make_shared<RecordingTaskManagerDelegate>();
};

TEST_F(ExperimentsTaskManagerTest, NextFetchTimeFollowsSuccessesFailuresAndTheFirstFetchOfTheProcess) {
  const double init = taskManager->initializationTimestamp();
  const double t = now();
  struct Case {
    const char* what;
    bool first;
    double success, failure, expected;
  };
  const double s = t - 2 * kHour;
  const Case cases[] = {
      {"first, success an hour ago: 4 h after it", true, t - kHour, 0, t + 3 * kHour},
      {"first, no success: 10 s from now", true, 0, 0, t + 10},
      {"first, success in the future mirrored into the past", true, t + kHour, 0, t + 3 * kHour},
      {"no failure: 4 h after success", false, s, 0, s + 4 * kHour},
      {"failure 1 s after due: first retry window", false, s, s + 4 * kHour + 1, s + 4 * kHour + 1800},
      {"failure past first window: second one", false, s, s + 4 * kHour + 1801, s + 4 * kHour + 5400},
      {"no success: counted from creation", false, 0, init + 100, init + 1800},
      {"no success, later failure", false, 0, init + 60000, init + 113400},
      {"last window just open", false, s, s + 4 * kHour + 113399, s + 4 * kHour + 113400},
      {"last window passed: give up", false, s, s + 4 * kHour + 113400, 0},
  };
  for (const Case& c : cases) {
    taskManager->setHasMadeInitialFetch(!c.first);
    EXPECT_DOUBLE_EQ(taskManager->fetchTimeFromLastSuccessfulTimestamp(c.success, c.failure), c.expected) << c.what;
    EXPECT_TRUE(taskManager->hasMadeInitialFetch());
  }
}

// The experiments' settings file damaged twice between fetches: each copy is kept under its date and
// named, and the fetch stamps written meanwhile stay.
TEST_F(ExperimentsTaskManagerTest, ADamagedSettingsFileIsKeptAsideEachTime) {
  const std::string path =
      platform::foundation::Paths::preferences() + "/" + ExperimentsTaskManager::kSuiteName + ".plist";
  for (int damage = 1; damage <= 2; ++damage) {
    ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(path, std::string_view("bplist00 damaged")).ok());
    taskManager->persistedStorage()->setDouble(now() + damage, ExperimentsTaskManager::kFailureTimestampKey);
    taskManager->persistedStorage()->synchronize();
    const auto kept = ostrel::testing::damagedCopiesOf(path);
    ASSERT_EQ(kept.size(), static_cast<std::size_t>(damage));
    EXPECT_TRUE(scope.console.contains("kept as " + kept.back()));
    EXPECT_EQ(platform::foundation::PropertyList::readFile(path)[ExperimentsTaskManager::kFailureTimestampKey],
              Value(now() + damage));
  }
}

TEST_F(ExperimentsTaskManagerTest, SchedulingArmsReplacesKeepsOrGivesUp) {
  auto storage = taskManager->persistedStorage();
  auto schedule = [&] {
    taskManager->dispatchSyncOnWorkerQueue([](ExperimentsTaskManager& self) { self.scheduleFetchingExperimentsOnWorkerQueue(); });
  };
  taskManager->setHasMadeInitialFetch(true);

  // Due in the past: armed with the smallest delay.
  storage->setDouble(now() - 5 * kHour, ExperimentsTaskManager::kSuccessTimestampKey);
  schedule();
  ASSERT_TRUE(alarmTime());
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 0.001);
  EXPECT_EQ(delegate->questions, 1);

  // An earlier run stays armed; a later one is replaced.
  storage->setDouble(now() - kHour, ExperimentsTaskManager::kSuccessTimestampKey);
  schedule();
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 0.001);
  EXPECT_TRUE(scope.logged(820017));
  taskManager->alarm()->runAfterDelay(10 * kHour, [] {});
  schedule();
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 3 * kHour);

  // A back-off stamp an hour old keeps the fetch 12 hours after it.
  taskManager->alarm()->cancel();
  storage->setDouble(now() - kHour, ExperimentsTaskManager::kBackoffTimestampKey);
  schedule();
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 11 * kHour);
  // One 12 hours old no longer counts.
  taskManager->alarm()->cancel();
  storage->setDouble(now() - 12 * kHour, ExperimentsTaskManager::kBackoffTimestampKey);
  schedule();
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 3 * kHour);

  // Past the sixth retry window: no alarm, and the success stamp goes.
  taskManager->alarm()->cancel();
  storage->setDouble(now() - 4 * kHour - 113400, ExperimentsTaskManager::kSuccessTimestampKey);
  storage->setDouble(now(), ExperimentsTaskManager::kFailureTimestampKey);
  schedule();
  EXPECT_FALSE(alarmTime());
  EXPECT_TRUE(scope.logged(820024));
  EXPECT_TRUE(storage->objectForKey(ExperimentsTaskManager::kSuccessTimestampKey).isNil());
}

TEST_F(ExperimentsTaskManagerTest, AFetchStoresPendingSnapshotsAndReportsPerSDKErrors) {
  auto answer = ProtoExperimentResponse::make();
  nanoAddMessage(*answer, 0, *snapshotMessage("sdk_a", {{7, {{"f", Value(1)}}}, {0, {{"g", Value("on")}}}}));
  for (auto [name, code] : std::vector<std::pair<std::string, int>>{{"one", 1}, {"two", 2}, {"three", 3}, {"nine", 9}, {"fine", 0}}) {
    nanoAddMessage(*answer, 1, *sdkResponse(name, code));
  }
  server.on("POST", ExperimentsTaskManager::kRequestPath, LoopbackResponse::ok(gzippedBody(*answer)));
  start();
  EXPECT_EQ(delegate->starts, 1);
  ASSERT_TRUE(alarmTime());
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 10);

  fetchAtAlarm();
  auto request = server.requests().back();
  EXPECT_EQ(request.method, "POST");
  auto sent = ProtoExperimentRequest::initWithBuffer(Data(request.body.begin(), request.body.end()));
  ASSERT_TRUE(sent);
  EXPECT_EQ(nanoGetString(*nanoGetMessage<ProtoAppProperty>(*sent, 0), 0), "ios");

  std::lock_guard lock(delegate->mutex);
  ASSERT_EQ(delegate->fetched.size(), 1u);
  EXPECT_EQ(delegate->fetched[0].SDKName(), "sdk_a");
  std::map<std::string, std::int64_t> codes;
  for (const auto& [name, error] : delegate->fetchErrors) {
    EXPECT_EQ(error.domain, ExperimentsTaskManager::kErrorDomain);
    codes[name] = error.code;
  }
  EXPECT_EQ(codes, (std::map<std::string, std::int64_t>{{"one", -2}, {"two", -3}, {"three", -4}, {"nine", -1}}));
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kSuccessTimestampKey), now());
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 4 * kHour);

  auto database = ExperimentsDatabase::initWithPath(measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName));
  auto pending = database->fetchAllPendingSnapshots();
  ASSERT_EQ(pending->size(), 1u);
  EXPECT_FALSE(pending->front().manuallyActivated());
  EXPECT_EQ(pending->front().experiments().size(), 2u);
}

TEST_F(ExperimentsTaskManagerTest, OverloadAnswersBackOffTwelveHoursOtherFailuresDoNot) {
  server.onSequence("POST", ExperimentsTaskManager::kRequestPath,
                    {LoopbackResponse::withStatus(503, "Service Unavailable"), LoopbackResponse::withStatus(500),
                     LoopbackResponse::withStatus(429), LoopbackResponse::ok(), LoopbackResponse::withStatus(500)});
  start();
  fetchAtAlarm();
  const double overloaded = now();
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kBackoffTimestampKey), overloaded);
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kFailureTimestampKey), overloaded);
  // Told by its status, though its page, never compressed, could not be expanded (which is said too).
  EXPECT_TRUE(scope.console.contains("Network fetch failed. Will retry later. Code, error: 503, the service answered "
                                     "HTTP status 503"));
  EXPECT_TRUE(scope.logged(820023));
  // The retry rule says 1800 s after creation; the back-off says 12 hours after the answer.
  EXPECT_DOUBLE_EQ(*alarmTime(), overloaded + 43200);
  environment.advance(43199);
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_DOUBLE_EQ(*alarmTime(), overloaded + 43200);

  fetchAtAlarm();  // 500: a failure without back-off
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kFailureTimestampKey), now());
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kBackoffTimestampKey), overloaded);
  // The old back-off has run out: the retry rule alone decides.
  EXPECT_DOUBLE_EQ(*alarmTime(), taskManager->initializationTimestamp() + 55800);

  fetchAtAlarm();  // 429, whose back-off ends before the last retry window opens
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kBackoffTimestampKey), now());
  EXPECT_DOUBLE_EQ(*alarmTime(), taskManager->initializationTimestamp() + 113400);

  fetchAtAlarm();  // success clears both
  EXPECT_TRUE(taskManager->persistedStorage()->objectForKey(ExperimentsTaskManager::kBackoffTimestampKey).isNil());
  EXPECT_TRUE(taskManager->persistedStorage()->objectForKey(ExperimentsTaskManager::kFailureTimestampKey).isNil());
  fetchAtAlarm();
  std::map<int, int> failureLines;
  for (const auto& line : scope.linesOf(820002)) ++failureLines[line.level];
  // Each failure, before the success and after it, is an error line of its own.
  EXPECT_EQ(failureLines, (std::map<int, int>{{platform::log::Error, 4}}));
}

TEST_F(ExperimentsTaskManagerTest, RepeatedFailuresRetryOnDoublingWindowsThenGiveUp) {
  server.on("POST", ExperimentsTaskManager::kRequestPath, LoopbackResponse::withStatus(500));
  start();
  const double init = taskManager->initializationTimestamp();
  std::vector<double> fetchedAt;
  for (int attempt = 0; attempt < 7; ++attempt) {
    ASSERT_TRUE(alarmTime()) << attempt;
    fetchAtAlarm();
    fetchedAt.push_back(now() - init);
  }
  EXPECT_EQ(fetchedAt, (std::vector<double>{10, 1800, 5400, 12600, 27000, 55800, 113400}));
  // The seventh failure lies past the last window: nothing is armed any more.
  const std::string monitored = scope.monitor->monitoringDataForDispatchWithSamplePeriod(0, 0);
  EXPECT_NE(monitored.find("2:820024:1"), std::string::npos) << monitored;
  EXPECT_FALSE(alarmTime());
  EXPECT_EQ(server.requestCount(), 7u);
  // The service counts every failure, and the person's log tells each at its level.
  EXPECT_NE(monitored.find("1:820002:7"), std::string::npos) << monitored;
  std::map<int, int> failureLines;
  for (const auto& line : scope.linesOf(820002)) ++failureLines[line.level];
  EXPECT_EQ(failureLines, (std::map<int, int>{{platform::log::Error, 7}}));
}

TEST_F(ExperimentsTaskManagerTest, UnreadableAnswersAreFailedFetchesNotSuccesses) {
  std::string garbage(64, '\xff');
  auto gzippedGarbage = sdk::utilities::Gzip::dataByGzippingData(Data(garbage.begin(), garbage.end()));
  ASSERT_TRUE(gzippedGarbage.ok());
  server.onSequence("POST", ExperimentsTaskManager::kRequestPath,
                    {LoopbackResponse::ok("not gzip at all"),
                     LoopbackResponse::ok(std::string(gzippedGarbage->begin(), gzippedGarbage->end())),
                     LoopbackResponse::withStatus(204)});
  start();
  fetchAtAlarm();
  EXPECT_TRUE(scope.logged(820023));
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kFailureTimestampKey), now());
  fetchAtAlarm();
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kFailureTimestampKey), now());
  EXPECT_EQ(delegate->finishes, 0);
  EXPECT_EQ(stamp(ExperimentsTaskManager::kSuccessTimestampKey), 0);

  fetchAtAlarm();  // an empty 204 is a success with nothing new
  EXPECT_EQ(delegate->finishes, 1);
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kSuccessTimestampKey), now());
}

TEST_F(ExperimentsTaskManagerTest, WithoutAServiceAddressNothingLeavesTheDevice) {
  makeTaskManager({}, "");
  taskManager->setDelegate(delegate);
  start();
  EXPECT_FALSE(alarmTime()) << "nothing to fetch from, so no fetch is armed";
  environment.advance(2 * ExperimentsTaskManager::kFetchInterval);
  settle();
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_FALSE(scope.logged(820002)) << "no failure is logged, or retried, for a service that was never configured";
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kFailureTimestampKey), 0);
  EXPECT_GE(delegate->starts.load(), 1) << "stored snapshots still load";
}

TEST_F(ExperimentsTaskManagerTest, AnswersWithoutSnapshotsTakeThemFromTheSDKParts) {
  auto answer = ProtoExperimentResponse::make();
  nanoAddMessage(*answer, 1, *sdkResponse("renamed", 0, snapshotMessage("original", {{4, {{"f", Value(1)}}}})));
  nanoAddMessage(*answer, 1, *sdkResponse("", 0, snapshotMessage("kept", {{5, {}}})));
  nanoAddMessage(*answer, 1, *sdkResponse("bare", 2));
  nanoAddMessage(*answer, 1, *sdkResponse("", 0, snapshotMessage("", {{6, {}}})));
  auto snapshots = ExperimentsTaskManager::experimentSnapshotsFromExperimentResponse(answer.get());
  std::vector<std::string> names;
  for (const auto& snapshot : *snapshots) names.push_back(snapshot.SDKName());
  EXPECT_EQ(names, (std::vector<std::string>{"renamed", "kept"}));  // a snapshot without a name is skipped
  EXPECT_TRUE(scope.logged(820016));

  // Snapshots of field 1 win over the SDK parts' ones.
  nanoAddMessage(*answer, 0, *snapshotMessage("direct", {{1, {}}}));
  nanoAddMessage(*answer, 0, *snapshotMessage("", {{1, {}}}));
  snapshots = ExperimentsTaskManager::experimentSnapshotsFromExperimentResponse(answer.get());
  ASSERT_EQ(snapshots->size(), 1u);
  EXPECT_EQ(snapshots->front().SDKName(), "direct");

  EXPECT_FALSE(ExperimentsTaskManager::experimentSnapshotsFromExperimentResponse(nullptr));
  EXPECT_TRUE(scope.logged(820015));
  EXPECT_FALSE(ExperimentsTaskManager::errorsFromExperimentResponse(ProtoExperimentResponse::make().get()));
  EXPECT_FALSE(ExperimentsTaskManager::experimentSnapshotsFromData({}));
  EXPECT_TRUE(scope.logged(820025));
  EXPECT_FALSE(ExperimentsTaskManager::experimentSnapshotsFromData(Data(10, 0xff)));
}

TEST_F(ExperimentsTaskManagerTest, StartActivatesStoredSnapshotsAndPostponesWhenNobodyWantsExperiments) {
  {
    auto database = ExperimentsDatabase::initWithPath(measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName));
    auto automatic = *ExperimentSnapshot::initWithProtobuf(*snapshotMessage("auto", {{2, {{"f", Value(1)}}}}));
    auto manual = *ExperimentSnapshot::initWithProtobuf(*snapshotMessage("manual", {{3, {{"f", Value(1)}}}}));
    manual.setManuallyActivated(true);
    ASSERT_TRUE(database->upsertPendingExperimentSnapshots({automatic, manual}).ok());
    ASSERT_TRUE(database->upsertSnapshot(*snapshotMessage("stale", {{1, {}}}), ExperimentsDatabase::kActivatedTable,
                                         now() - 259200, std::nullopt).ok());
  }
  delegate->shouldFetch = false;
  start();
  ASSERT_EQ(delegate->starts, 1);
  {
    std::lock_guard lock(delegate->mutex);
    ASSERT_EQ(delegate->activated.size(), 1u);
    EXPECT_EQ(delegate->activated[0].SDKName(), "auto");
    ASSERT_EQ(delegate->pending.size(), 1u);
    EXPECT_EQ(delegate->pending[0].SDKName(), "manual");
    EXPECT_TRUE(delegate->pending[0].manuallyActivated());
  }
  EXPECT_TRUE(scope.logged(820009));

  // Nobody wants experiments: the alarm only records a pretend success and asks again in 4 hours.
  environment.advance(10);
  settle();
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_DOUBLE_EQ(stamp(ExperimentsTaskManager::kSuccessTimestampKey), now());
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 4 * kHour);

  // Reset wipes the database and the stamps; the fetch is then overdue at once.
  taskManager->reset();
  settle();
  EXPECT_DOUBLE_EQ(*alarmTime(), now() + 0.001);
  auto database = ExperimentsDatabase::initWithPath(measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName));
  EXPECT_TRUE(database->fetchAllActivatedSnapshots()->empty());
  EXPECT_TRUE(database->fetchAllPendingSnapshots()->empty());
}

TEST_F(ExperimentsTaskManagerTest, WithoutItsDatabaseTheTaskManagerNeverFetches) {
  // A folder where the database file should be: it cannot be opened.
  std::string path = measurementDirectoryFilePath("blocked");
  std::filesystem::create_directories(path);
  makeTaskManager(path);
  taskManager->setDelegate(delegate);
  start();
  EXPECT_EQ(delegate->starts, 0);
  EXPECT_FALSE(alarmTime());
  EXPECT_TRUE(scope.logged(810001) || scope.logged(810002));

  // Writes to a missing database are reported, never attempted.
  taskManager->activatePendingSnapshot(std::nullopt, now());
  EXPECT_TRUE(scope.logged(820013));
  taskManager->resetToDefaultsForSDKName("");
  EXPECT_TRUE(scope.logged(820018));
  taskManager->resetToDefaultsForSDKName("sdk");
  taskManager->upsertPendingSnapshots({});
  EXPECT_TRUE(scope.logged(820020));
  settle();
  EXPECT_TRUE(scope.logged(820019));

  // An exception inside a worker block is logged; the synchronous form passes it on.
  taskManager->dispatchAsyncOnWorkerQueue([](ExperimentsTaskManager&) { throw std::runtime_error("boom"); });
  settle();
  EXPECT_TRUE(scope.logged(820026));
  EXPECT_THROW(taskManager->dispatchSyncOnWorkerQueue([](ExperimentsTaskManager&) { throw std::runtime_error("boom"); }),
               std::runtime_error);
  EXPECT_TRUE(scope.logged(820027));
}

}  // namespace

}  // namespace sdk::analytics

