#include "sdk/analytics/rules/APMETaskManager.h"

#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMFiles.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMServiceURL.h"
#include "sdk/analytics/foundation/APMUserDefaults.h"
#include "sdk/analytics/rules/APMEDatabase.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/utilities/ZURAridire.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

using platform::foundation::Value;

using sdk::analytics::errorText;
using sdk::analytics::monitor;

std::shared_ptr<APMETaskManager> APMETaskManager::init() {
  auto queue = platform::dispatch::Queue::serial(kWorkerQueueLabel);
  std::string endpoint = sdk::analytics::APMServiceBaseURL();
  std::string host = sdk::analytics::APMServiceHost();
  return initWithQueue(queue, std::make_shared<APMAlarm>(queue, kAlarmName),
                       host.empty() ? nullptr : ZURAridire::initWithReachabilityHost(host),
                       std::make_shared<APMUserDefaults>(kSuiteName),
                       APMMeasurementDirectoryFilePath(APMEDatabase::kDatabaseName),
                       platform::foundation::Clock::current()->now(), endpoint);
}

std::shared_ptr<APMETaskManager> APMETaskManager::initWithQueue(QueuePtr queue, std::shared_ptr<APMAlarm> alarm,
                                                                std::shared_ptr<ZURAridire> network,
                                                                std::shared_ptr<APMUserDefaults> persistedStorage,
                                                                std::string databasePath, double initTimestamp,
                                                                std::string endpoint) {
  return std::make_shared<APMETaskManager>(Private(), std::move(queue), std::move(alarm), std::move(network),
                                           std::move(persistedStorage), std::move(databasePath), initTimestamp,
                                           std::move(endpoint));
}

APMETaskManager::APMETaskManager(Private, QueuePtr queue, std::shared_ptr<APMAlarm> alarm,
                                 std::shared_ptr<ZURAridire> network, std::shared_ptr<APMUserDefaults> persistedStorage,
                                 std::string databasePath, double initTimestamp, std::string endpoint)
    : workerQueue_(std::move(queue)),
      alarm_(std::move(alarm)),
      network_(std::move(network)),
      persistedStorage_(std::move(persistedStorage)),
      databasePath_(std::move(databasePath)),
      endpoint_(std::move(endpoint)),
      initializationTimestamp_(initTimestamp) {}

APMETaskManager::~APMETaskManager() {
  if (alarm_) alarm_->cancel();
}

std::shared_ptr<APMETaskManagerDelegate> APMETaskManager::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void APMETaskManager::setDelegate(std::weak_ptr<APMETaskManagerDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

void APMETaskManager::setHost(std::weak_ptr<const sdk::analytics::MeasurementHost> host) {
  std::lock_guard lock(mutex_);
  host_ = std::move(host);
}

std::optional<std::string> APMETaskManager::appInstanceID() const {
  std::shared_ptr<const sdk::analytics::MeasurementHost> host;
  {
    std::lock_guard lock(mutex_);
    host = host_.lock();
  }
  return host ? host->appInstanceID() : std::nullopt;
}

void APMETaskManager::dispatchAsyncOnWorkerQueue(std::function<void(APMETaskManager&)> block) {
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  workerQueue_->async([weak, block = std::move(block)] {
    auto self = weak.lock();
    if (!self) return;
    try {
      block(*self);
    } catch (const std::exception& exception) {
      monitor().logWithLevel(1, 820026, "Exception on async worker queue", Value(exception.what()));
    }
  });
}

void APMETaskManager::dispatchSyncOnWorkerQueue(const std::function<void(APMETaskManager&)>& block) {
  workerQueue_->sync([this, &block] {
    try {
      block(*this);
    } catch (const std::exception& exception) {
      monitor().logWithLevel(1, 820027, "Exception on sync worker queue", Value(exception.what()));
      throw;
    }
  });
}

void APMETaskManager::startTaskManager() {
  dispatchAsyncOnWorkerQueue([](APMETaskManager& self) { self.startTaskManagerOnWorkerQueue(); });
}

void APMETaskManager::startTaskManagerOnWorkerQueue() {
  DCHECK(workerQueue_->isCurrent());
  // Without its database the component stays idle for the process: nothing to load, nowhere to keep
  // what a fetch would bring.
  database_ = APMEDatabase::initWithPath(databasePath_);
  if (!database_) return;
  fetchAllSnapshotsOnWorkerQueue();
  scheduleFetchingExperimentsOnWorkerQueue();
}

void APMETaskManager::fetchAllSnapshotsOnWorkerQueue() {
  DCHECK(workerQueue_->isCurrent());
  if (!database_) return;
  bool committed = database_->performTransaction([this] {
    Error error;
    if (!database_->deleteStaleActivatedSnapshots(&error)) {
      monitor().logWithLevel(1, 820006, "Cannot delete stale activated snapshots. Error", errorText(error));
      return false;
    }
    if (!database_->activatePendingSnapshotsAutomatically(&error)) {
      monitor().logWithLevel(1, 820007, "Cannot activate pending snapshots automatically. Error", errorText(error));
      return false;
    }
    return true;
  });
  if (!committed) {
    monitor().logWithLevel(2, 820008, "Failed to start the task manager");
    return;
  }
  monitor().logWithLevel(8, 820009, "Successfully start the task manager");

  auto delegate = this->delegate();
  if (!delegate) return;
  auto read = [](std::optional<std::vector<APMESnapshot>> snapshots, const Error& error, std::int64_t code,
                 const char* message) {
    if (!snapshots && error.code != 0) monitor().logWithLevel(2, code, message, errorText(error));
    return snapshots.value_or(std::vector<APMESnapshot>{});
  };
  Error activatedError, pendingError, launchedError;
  auto activated = read(database_->fetchAllActivatedSnapshots(&activatedError), activatedError, 820010,
                        "Error in fetching all activated snapshots. Error");
  auto pending = read(database_->fetchAllPendingSnapshots(&pendingError), pendingError, 820011,
                      "Error in fetching all pending snapshots. Error");
  auto launched = read(database_->fetchAllLaunchedSnapshots(&launchedError), launchedError, 820012,
                       "Error in fetching all launched snapshots. Error");
  delegate->taskManagerDidStartWithActivatedSnapshots(*this, activated, pending, launched);
}

void APMETaskManager::activatePendingSnapshot(const std::optional<APMESnapshot>& snapshot, double timestamp) {
  if (!snapshot) {
    monitor().logWithLevel(0, 820013, "Cannot activate an empty snapshot");
    return;
  }
  dispatchAsyncOnWorkerQueue([snapshot = *snapshot, timestamp](APMETaskManager& self) {
    if (!self.database_) return;
    Error error;
    bool done = self.database_->performTransaction([&] { return self.database_->activateSnapshot(snapshot, timestamp, &error); });
    if (!done) {
      monitor().logWithLevel(1, 820014, "Cannot activate snapshot for SDK Name. Error", Value(snapshot.SDKName()),
                             errorText(error));
    }
  });
}

void APMETaskManager::resetToDefaultsForSDKName(const std::string& sdkName) {
  if (sdkName.empty()) {
    monitor().logWithLevel(1, 820018, "Cannot reset to defaults for empty SDK name");
    return;
  }
  dispatchAsyncOnWorkerQueue([sdkName](APMETaskManager& self) {
    Error error;
    if (!self.database_ || !self.database_->deleteActivatedExperimentsOfSDKName(sdkName, &error)) {
      monitor().logWithLevel(1, 820019, "Cannot reset to defaults in the database. SDK Name, error", Value(sdkName),
                             errorText(error));
    }
  });
}

void APMETaskManager::upsertPendingSnapshots(const std::vector<APMESnapshot>& snapshots) {
  if (snapshots.empty()) {
    monitor().logWithLevel(2, 820020, "Cannot upsert empty pending snapshot list");
    return;
  }
  dispatchAsyncOnWorkerQueue([snapshots](APMETaskManager& self) {
    Error error;
    if (!self.database_ || !self.database_->upsertPendingExperimentSnapshots(snapshots, &error)) {
      monitor().logWithLevel(1, 820021, "Cannot upsert pending snapshots into the database. Error", errorText(error));
      return;
    }
    if (auto delegate = self.delegate()) delegate->taskManagerDidUpsertPendingSnapshots(self, snapshots);
  });
}

void APMETaskManager::reset() {
  dispatchAsyncOnWorkerQueue([](APMETaskManager& self) {
    if (self.database_) (void)self.database_->reset();
    for (const char* key : {kSuccessTimestampKey, kFailureTimestampKey, kBackoffTimestampKey}) {
      self.persistedStorage_->removeObjectForKey(key);
    }
    self.scheduleFetchingExperimentsOnWorkerQueue();
  });
}
