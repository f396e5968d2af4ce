#include "sdk/analytics/rules/ExperimentsManager.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "sdk/analytics/rules/ExperimentRequestBuilder.h"
#include "sdk/analytics/rules/ExperimentsTestSupport.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::LoopbackResponse;
using platform::dispatch::Queue;
using platform::foundation::Error;
using platform::foundation::Value;
using ostrel::testing::gzippedBody;
using ostrel::testing::sdkResponse;
using ostrel::testing::snapshotMessage;
using ostrel::testing::TaskManagerEnvironment;

using Experiments = std::vector<std::pair<std::int32_t, std::map<std::string, Value>>>;

ExperimentSnapshot snapshot(const std::string& sdkName, const Experiments& experiments) {
  return *ExperimentSnapshot::initWithProtobuf(*snapshotMessage(sdkName, experiments));
}

std::shared_ptr<ExperimentsSDKProperty> property(const std::string& name, const std::string& diversionKey = "key") {
  auto made = std::make_shared<ExperimentsSDKProperty>(name);
  made->diversionKey = diversionKey;
  return made;
}

// An SDK's delegate: remembers what it was told and where, and may call straight back in.
class Observer : public ExperimentObserverDelegate {
 public:
  Observer(bool takesNewSnapshots, std::shared_ptr<Queue> queue, std::optional<bool> wantsExperiments = std::nullopt)
      : takesNewSnapshots_(takesNewSnapshots), queue_(std::move(queue)), wantsExperiments_(wantsExperiments) {}

  bool implementsClientDidReceiveNewSnapshot() const override { return takesNewSnapshots_; }
  void clientDidReceiveNewSnapshot(ExperimentsClient& client) override {
    bool activated = client.activateLatestSnapshot().valueOr(false);
    Value value = client.valueForFlag("f");
    record([&] {
      ++notices;
      activatedOnNotice = activated;
      valueAfterActivation = value;
    });
  }
  void clientDidReceiveFetchError(ExperimentsClient& client, const Error& error) override {
    Value value = client.valueForFlag("f");  // a synchronous call back into the manager
    record([&] {
      errors.push_back(error);
      valueOnError = value;
    });
  }
  std::optional<bool> shouldFetchExperimentsForClient(ExperimentsClient&) override { return wantsExperiments_; }
  std::shared_ptr<Queue> queue() override { return queue_; }

  std::mutex mutex;
  int notices = 0;
  bool onOwnQueue = true;
  bool activatedOnNotice = false;
  Value valueAfterActivation, valueOnError;
  std::vector<Error> errors;

 private:
  void record(const std::function<void()>& change) {
    std::lock_guard lock(mutex);
    onOwnQueue = onOwnQueue && (queue_ ? queue_->isCurrent() : Queue::main()->isCurrent());
    change();
    platform::dispatch::MainLoop::wakeUp();
  }
  bool takesNewSnapshots_;
  std::shared_ptr<Queue> queue_;
  std::optional<bool> wantsExperiments_;
};

class ExperimentsManagerTest : public ::testing::Test, public TaskManagerEnvironment {
 protected:
  void SetUp() override { startManager(); }
  void startManager() {
    makeTaskManager();
    manager = ExperimentsManager::initWithTaskManager(taskManager);
    taskManager->startTaskManager();
    settle();
  }
  // The manager's queue, then the worker queue, have finished what they were given.
  void settleBoth() {
    manager->dispatchSyncOnSerialQueue([](ExperimentsManager&) {});
    settle();
    manager->dispatchSyncOnSerialQueue([](ExperimentsManager&) {});
  }
  void start(const std::vector<ExperimentSnapshot>& activated, const std::vector<ExperimentSnapshot>& launched) {
    manager->taskManagerDidStartWithActivatedSnapshots(*taskManager, activated, {}, launched);
  }
  Value flag(const std::string& name, const std::string& sdk = "sdk") { return manager->flagValueForFlagName(name, sdk); }

  std::shared_ptr<ExperimentsManager> manager;
};

TEST_F(ExperimentsManagerTest, LookupsAnswerActivatedThenLaunchedThenTheDefault) {
  EXPECT_FALSE(manager->registerSDKProperty(nullptr, {}));
  EXPECT_TRUE(scope.logged(800000));
  EXPECT_FALSE(manager->registerSDKProperty(property(""), {}));
  EXPECT_TRUE(scope.logged(800001));
  EXPECT_FALSE(manager->registerSDKProperty(property("sdk"), {{"f", Value::data({1})}}));
  EXPECT_TRUE(scope.logged(800002));
  EXPECT_TRUE(flag("f").isNil());
  EXPECT_TRUE(scope.logged(800012));

  ASSERT_TRUE(manager->registerSDKProperty(property("sdk"), {{"f", Value(5)}, {"g", Value("dropped")}}));
  auto client = manager->registerSDKProperty(property("sdk"), {{"f", Value(6)}, {"h", Value(1)}, {"k", Value(7)}});
  ASSERT_TRUE(client);
  EXPECT_EQ(manager->clientForSDKName("sdk"), client);
  EXPECT_TRUE(scope.logged(800003));
  EXPECT_EQ(flag("f"), Value(std::int64_t{6}));  // the second registration's defaults win
  EXPECT_TRUE(flag("g").isNil());

  start({snapshot("sdk", {{3, {{"f", Value("x")}, {"zzz", Value(1)}}}})},
        {snapshot("sdk", {{0, {{"f", Value("launched")}, {"h", Value(2)}}}})});
  EXPECT_EQ(flag("f"), Value("x"));
  EXPECT_EQ(client->valueForFlag("h"), Value(std::int64_t{2}));
  EXPECT_EQ(client->objectForKeyedSubscript(Value("k")), Value(std::int64_t{7}));
  EXPECT_TRUE(flag("zzz").isNil());  // carried by a snapshot, but registered without a default
  EXPECT_TRUE(scope.logged(800014));

  // Reset to defaults drops the activated snapshot; the launched one stays.
  client->resetToDefaults();
  EXPECT_TRUE(scope.logged(800027));
  EXPECT_EQ(flag("f"), Value("launched"));
  client->resetToDefaults();
  EXPECT_TRUE(scope.logged(800026));

  EXPECT_TRUE(client->valueForFlag("").isNil());
  EXPECT_TRUE(scope.logged(830002));
  EXPECT_TRUE(client->objectForKeyedSubscript(Value(3)).isNil());
  EXPECT_TRUE(scope.logged(830003));
  EXPECT_TRUE(flag("f", "").isNil());
  EXPECT_TRUE(scope.logged(800010));
  EXPECT_TRUE(flag("").isNil());
  EXPECT_TRUE(scope.logged(800011));
  EXPECT_EQ(ExperimentsManager::version(), ExperimentRequestBuilder::kLibraryVersion);
}

TEST_F(ExperimentsManagerTest, ActivationSplitsTheLaunchedExperimentAndStatusesFollowTheActivatedOne) {
  EXPECT_EQ(manager->activatedSnapshotStatusOfSDKName("sdk"), -1);
  auto client = manager->registerSDKProperty(property("sdk", ""), {{"f", Value("default")}});
  EXPECT_EQ(manager->activatedSnapshotStatusOfSDKName("sdk"), -2);

  auto nothingPending = client->activateLatestSnapshot();
  ASSERT_TRUE(nothingPending.ok());  // nothing pending is no error
  EXPECT_FALSE(*nothingPending);
  EXPECT_TRUE(scope.logged(800023));
  EXPECT_EQ(manager->activateSnapshotOfSDK("").error().code, 1);

  manager->taskManagerDidFinishFetchingExperimentSnapshots(
      *taskManager, {snapshot("sdk", {{0, {{"f", Value("launched")}}}, {12, {{"f", Value("twelve")}}}, {13, {}}})}, {});
  EXPECT_EQ(flag("f"), Value("default"));  // pending is not in force
  EXPECT_TRUE(client->activateLatestSnapshot().valueOr(false));
  EXPECT_TRUE(scope.logged(800028));
  EXPECT_EQ(flag("f"), Value("twelve"));
  EXPECT_EQ(manager->experimentIDs(), (std::vector<std::int64_t>{12, 13}));
  EXPECT_EQ(manager->activatedSnapshotStatusOfSDKName("sdk"), 0);
  EXPECT_FALSE(client->hasStaleSnapshot());

  // The database gets the same split.
  settleBoth();
  auto database = ExperimentsDatabase::initWithPath(measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName));
  auto activated = database->fetchAllActivatedSnapshots();
  ASSERT_EQ(activated->size(), 1u);
  EXPECT_EQ(activated->front().experiments().size(), 2u);
  auto launched = database->fetchAllLaunchedSnapshots();
  ASSERT_EQ(launched->size(), 1u);
  EXPECT_EQ(launched->front().experiments().front().experimentID(), 0);

  environment.advance(259200);
  EXPECT_EQ(manager->activatedSnapshotStatusOfSDKName("sdk"), 0);
  environment.advance(1);
  EXPECT_EQ(manager->activatedSnapshotStatusOfSDKName("sdk"), 1);
  EXPECT_TRUE(client->hasStaleSnapshot());
  EXPECT_EQ(manager->activatedSnapshotStatusOfSDKName(""), -1);
  EXPECT_TRUE(scope.logged(800024));
}

TEST_F(ExperimentsManagerTest, ExperimentIDsLeaveOutSDKsWithTheirOwnDiversionKey) {
  manager->registerSDKProperty(property("a", ""), {});
  manager->registerSDKProperty(property("b", "own"), {});
  manager->registerSDKProperty(property("c", ""), {});
  start({snapshot("a", {{9, {}}, {2, {}}}), snapshot("b", {{5, {}}}), snapshot("c", {{4, {}}}),
         snapshot("unregistered", {{1, {}}})},
        {});
  EXPECT_EQ(manager->experimentIDs(), (std::vector<std::int64_t>{2, 4, 9}));

  // Reset forgets every snapshot but keeps the clients.
  manager->reset();
  EXPECT_TRUE(manager->experimentIDs().empty());
  EXPECT_TRUE(manager->clientForSDKName("a"));
}

TEST_F(ExperimentsManagerTest, TheTaskManagerFetchesWhenAnyClientMayWantExperiments) {
  EXPECT_FALSE(manager->taskManagerShouldFetchExperiments(*taskManager));
  auto declining = std::make_shared<Observer>(false, nullptr, false);
  manager->registerSDKProperty(property("declining"), {})->setDelegate(declining);
  manager->clientForSDKName("declining");
  EXPECT_FALSE(manager->taskManagerShouldFetchExperiments(*taskManager));
  auto silent = std::make_shared<Observer>(false, nullptr, std::nullopt);
  manager->registerSDKProperty(property("silent"), {})->setDelegate(silent);
  manager->clientForSDKName("silent");
  EXPECT_TRUE(manager->taskManagerShouldFetchExperiments(*taskManager));
  silent.reset();  // a client without a delegate wants experiments too
  EXPECT_TRUE(manager->taskManagerShouldFetchExperiments(*taskManager));
}

TEST_F(ExperimentsManagerTest, AFetchReachesEachSDKOnItsOwnQueueAndTheRestActivateAtTheNextStart) {
  auto ownQueue = Queue::serial("test.sdk");
  auto selfActivating = std::make_shared<Observer>(true, ownQueue);
  auto erring = std::make_shared<Observer>(false, nullptr);
  auto withAppID = property("self");
  withAppID->appID = "1:23:ios:ab";
  manager->registerSDKProperty(withAppID, {{"f", Value("d")}})->setDelegate(selfActivating);
  manager->registerSDKProperty(property("passive"), {{"f", Value("d")}});
  manager->registerSDKProperty(property("erring"), {{"f", Value("d")}})->setDelegate(erring);

  auto answer = ProtoExperimentResponse::make();
  nanoAddMessage(*answer, 0, *snapshotMessage("self", {{5, {{"f", Value("new")}}}}));
  nanoAddMessage(*answer, 0, *snapshotMessage("passive", {{6, {{"f", Value("p")}}}}));
  nanoAddMessage(*answer, 1, *sdkResponse("erring", 2));
  server.on("POST", ExperimentsTaskManager::kRequestPath, LoopbackResponse::ok(gzippedBody(*answer)));
  // The first alarm was armed at start, before anyone registered: it only postpones. The next one,
  // armed with clients registered, fetches. Registration lands on the manager's queue and the re-arming
  // asks who is registered from the worker queue, so the registrations must be in before the first alarm.
  // The alarm fires on the worker queue: let it re-arm before reading when it is due next.
  settleBoth();
  environment.advance(10);
  settle();
  EXPECT_EQ(server.requestCount(), 0u);
  ASSERT_TRUE(alarmTime());
  environment.advance(*alarmTime() - now());
  ASSERT_TRUE(until([&] {
    std::scoped_lock lock(selfActivating->mutex, erring->mutex);
    return selfActivating->notices == 1 && erring->errors.size() == 1;
  }));
  {
    std::scoped_lock lock(selfActivating->mutex, erring->mutex);
    EXPECT_TRUE(selfActivating->onOwnQueue);
    EXPECT_TRUE(selfActivating->activatedOnNotice);
    EXPECT_EQ(selfActivating->valueAfterActivation, Value("new"));
    EXPECT_TRUE(erring->onOwnQueue);
    EXPECT_EQ(erring->errors[0].domain, "com.vadeze.vmp.measurement.experiment.ErrorDomain");
    EXPECT_EQ(erring->errors[0].code, -3);
    EXPECT_EQ(erring->valueOnError, Value("d"));
  }
  EXPECT_EQ(flag("f", "passive"), Value("d"));
  settleBoth();
  auto sent = server.requests().back();
  auto request = ProtoExperimentRequest::initWithBuffer(platform::foundation::Data(sent.body.begin(), sent.body.end()));
  std::map<std::string, std::optional<std::string>> appIDs;
  for (const auto& client : nanoGetMessageArray<ProtoClientProperty>(*request, 1)) {
    appIDs[nanoGetString(*client, 0).value_or("")] =
        nanoHasField(*client, 3) ? nanoGetString(*client, 3) : std::nullopt;
  }
  // An SDK registered without an app ID sends none, not an empty one.
  ASSERT_TRUE(appIDs.contains("self") && appIDs.contains("passive") && appIDs.contains("erring"));
  EXPECT_EQ(appIDs["self"], "1:23:ios:ab");
  EXPECT_EQ(appIDs["passive"], std::nullopt);
  EXPECT_EQ(appIDs["erring"], std::nullopt);

  // The next process: the passive SDK's snapshot is activated by the database at start.
  taskManager.reset();
  manager.reset();
  startManager();
  manager->registerSDKProperty(property("passive"), {{"f", Value("d")}});
  EXPECT_EQ(flag("f", "passive"), Value("p"));
  EXPECT_EQ(flag("f", "self"), Value());  // not registered in this process yet
}

TEST_F(ExperimentsManagerTest, ClientsOnSeveralQueuesShareTheManagerSafely) {
  std::vector<std::shared_ptr<ExperimentsClient>> clients;
  for (int i = 0; i < 4; ++i) {
    clients.push_back(manager->registerSDKProperty(property("sdk" + std::to_string(i), ""), {{"f", Value(i)}}));
  }
  std::vector<std::shared_ptr<Queue>> queues;
  for (int i = 0; i < 4; ++i) queues.push_back(Queue::serial("test.client." + std::to_string(i)));
  std::atomic<int> mismatches{0};
  for (int i = 0; i < 4; ++i) {
    queues[i]->async([&, i] {
      for (int round = 0; round < 50; ++round) {
        Value value = clients[i]->valueForFlag("f");
        if (value != Value(std::int64_t{i}) && value != Value("fetched")) ++mismatches;
        (void)clients[i]->activateLatestSnapshot();
        (void)clients[i]->hasStaleSnapshot();
        (void)manager->experimentIDs();
        (void)manager->taskManagerShouldFetchExperiments(*taskManager);
      }
    });
  }
  for (int round = 0; round < 20; ++round) {
    std::vector<ExperimentSnapshot> fetched;
    for (int i = 0; i < 4; ++i) fetched.push_back(snapshot("sdk" + std::to_string(i), {{round + 1, {{"f", Value("fetched")}}}}));
    manager->taskManagerDidFinishFetchingExperimentSnapshots(*taskManager, fetched, {});
  }
  for (auto& queue : queues) queue->sync([] {});
  settleBoth();
  EXPECT_EQ(mismatches, 0);
  for (auto& client : clients) {
    (void)client->activateLatestSnapshot();
    EXPECT_EQ(client->valueForFlag("f"), Value("fetched"));
  }

  // A failing block on the manager's queue is logged and goes no further.
  manager->dispatchAsyncOnSerialQueue([](ExperimentsManager&) { throw std::runtime_error("boom"); });
  manager->dispatchSyncOnSerialQueue([](ExperimentsManager&) { throw std::runtime_error("boom"); });
  EXPECT_TRUE(scope.logged(800017));
  EXPECT_TRUE(scope.logged(800018));
}

TEST_F(ExperimentsManagerTest, WhateverABlockThrowsOnEitherQueueIsLoggedAndTheQueuesGoOn) {
  // Not only standard exceptions: anything thrown ends its block, never the process.
  manager->dispatchAsyncOnSerialQueue([](ExperimentsManager&) { throw 42; });
  taskManager->dispatchAsyncOnWorkerQueue([](ExperimentsTaskManager&) { throw 42; });
  settleBoth();
  EXPECT_TRUE(scope.console.contains("Exception on async Experimentation serial queue: unknown exception"));
  EXPECT_TRUE(scope.console.contains("Exception on async worker queue: unknown exception"));

  // The manager's lookups never pass a failure on; the task manager's synchronous form does.
  manager->dispatchSyncOnSerialQueue([](ExperimentsManager&) { throw 42; });
  EXPECT_TRUE(scope.console.contains("Exception on sync Experimentation serial queue: unknown exception"));
  EXPECT_THROW(taskManager->dispatchSyncOnWorkerQueue([](ExperimentsTaskManager&) { throw 42; }), int);
  EXPECT_TRUE(scope.console.contains("Exception on sync worker queue: unknown exception"));

  start({snapshot("sdk", {{1, {{"f", Value("on")}}}})}, {});
  ASSERT_TRUE(manager->registerSDKProperty(property("sdk"), {{"f", Value("default")}}));
  EXPECT_EQ(flag("f"), Value("on"));
}

}  // namespace

}  // namespace sdk::analytics

