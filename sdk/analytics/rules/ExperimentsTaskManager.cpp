#include "sdk/analytics/rules/ExperimentsTaskManager.h"

#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/rules/ExperimentsDatabase.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/utilities/HTTPClient.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Value;

using sdk::analytics::errorText;
using sdk::analytics::monitor;

std::shared_ptr<ExperimentsTaskManager> ExperimentsTaskManager::init() {
  auto queue = platform::dispatch::Queue::serial(kWorkerQueueLabel);
  std::string endpoint = sdk::analytics::serviceBaseURL();
  std::string host = sdk::analytics::serviceHost();
  return initWithQueue(queue, std::make_shared<Alarm>(queue, kAlarmName),
                       host.empty() ? nullptr : sdk::utilities::HTTPClient::initWithReachabilityHost(host),
                       std::make_shared<UserDefaultsSuite>(kSuiteName),
                       measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName),
                       platform::foundation::Clock::current()->now(), endpoint);
}

std::shared_ptr<ExperimentsTaskManager> ExperimentsTaskManager::initWithQueue(QueuePtr queue, std::shared_ptr<Alarm> alarm,
                                                                std::shared_ptr<sdk::utilities::HTTPClient> network,
                                                                std::shared_ptr<UserDefaultsSuite> persistedStorage,
                                                                std::string databasePath, double initTimestamp,
                                                                std::string endpoint) {
  return std::make_shared<ExperimentsTaskManager>(Private(), std::move(queue), std::move(alarm), std::move(network),
                                           std::move(persistedStorage), std::move(databasePath), initTimestamp,
                                           std::move(endpoint));
}

ExperimentsTaskManager::ExperimentsTaskManager(Private, QueuePtr queue, std::shared_ptr<Alarm> alarm,
                                 std::shared_ptr<sdk::utilities::HTTPClient> network, std::shared_ptr<UserDefaultsSuite> persistedStorage,
                                 std::string databasePath, double initTimestamp, std::string endpoint)
    : workerQueue_(std::move(queue)),
      alarm_(std::move(alarm)),
      network_(std::move(network)),
      persistedStorage_(std::move(persistedStorage)),
      databasePath_(std::move(databasePath)),
      endpoint_(std::move(endpoint)),
      initializationTimestamp_(initTimestamp) {}

ExperimentsTaskManager::~ExperimentsTaskManager() {
  if (alarm_) alarm_->cancel();
}

std::shared_ptr<ExperimentsTaskManagerDelegate> ExperimentsTaskManager::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void ExperimentsTaskManager::setDelegate(std::weak_ptr<ExperimentsTaskManagerDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

void ExperimentsTaskManager::setHost(std::weak_ptr<const sdk::analytics::MeasurementHost> host) {
  std::lock_guard lock(mutex_);
  host_ = std::move(host);
}

std::optional<std::string> ExperimentsTaskManager::appInstanceID() const {
  std::shared_ptr<const sdk::analytics::MeasurementHost> host;
  {
    std::lock_guard lock(mutex_);
    host = host_.lock();
  }
  return host ? host->appInstanceID() : std::nullopt;
}

void ExperimentsTaskManager::dispatchAsyncOnWorkerQueue(std::function<void(ExperimentsTaskManager&)> block) {
  std::weak_ptr<ExperimentsTaskManager> weak = weak_from_this();
  workerQueue_->async([weak, block = std::move(block)] {
    auto self = weak.lock();
    if (!self) return;
    try {
      block(*self);
    } catch (const std::exception& exception) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAsyncWorkerQueueException, "Exception on async worker queue", Value(exception.what()));
    }
  });
}

void ExperimentsTaskManager::dispatchSyncOnWorkerQueue(const std::function<void(ExperimentsTaskManager&)>& block) {
  workerQueue_->sync([this, &block] {
    try {
      block(*this);
    } catch (const std::exception& exception) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kSyncWorkerQueueException, "Exception on sync worker queue", Value(exception.what()));
      throw;
    }
  });
}

void ExperimentsTaskManager::startTaskManager() {
  dispatchAsyncOnWorkerQueue([](ExperimentsTaskManager& self) { self.startTaskManagerOnWorkerQueue(); });
}

void ExperimentsTaskManager::startTaskManagerOnWorkerQueue() {
  DCHECK(workerQueue_->isCurrent());
  // Without its database the component stays idle for the process: nothing to load, nowhere to keep
  // what a fetch would bring.
  database_ = ExperimentsDatabase::initWithPath(databasePath_);
  if (!database_) return;
  fetchAllSnapshotsOnWorkerQueue();
  scheduleFetchingExperimentsOnWorkerQueue();
}

void ExperimentsTaskManager::fetchAllSnapshotsOnWorkerQueue() {
  DCHECK(workerQueue_->isCurrent());
  if (!database_) return;
  bool committed = database_->performTransaction([this] {
    if (auto deleted = database_->deleteStaleActivatedSnapshots(); !deleted.ok()) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kStaleSnapshotsDeleteFailed,
                             "Cannot delete stale activated snapshots. Error", errorText(deleted.error()));
      return false;
    }
    if (auto activated = database_->activatePendingSnapshotsAutomatically(); !activated.ok()) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAutomaticActivationFailed,
                             "Cannot activate pending snapshots automatically. Error", errorText(activated.error()));
      return false;
    }
    return true;
  });
  if (!committed) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kTaskManagerStartFailed, "Failed to start the task manager");
    return;
  }
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kTaskManagerStarted, "Successfully start the task manager");

  auto delegate = this->delegate();
  if (!delegate) return;
  // A table that cannot be read starts empty; the failure is logged unless it carries no code.
  auto read = [](ErrorOr<std::vector<ExperimentSnapshot>> snapshots, std::int64_t code, const char* message) {
    if (!snapshots.ok() && snapshots.error().code != 0) {
      monitor()->logWithLevel(LogLevel::kSilentError, code, message, errorText(snapshots.error()));
    }
    return snapshots.valueOr(std::vector<ExperimentSnapshot>{});
  };
  auto activated = read(database_->fetchAllActivatedSnapshots(), messages::kActivatedSnapshotsFetchFailed,
                        "Error in fetching all activated snapshots. Error");
  auto pending = read(database_->fetchAllPendingSnapshots(), messages::kPendingSnapshotsFetchFailed,
                      "Error in fetching all pending snapshots. Error");
  auto launched = read(database_->fetchAllLaunchedSnapshots(), messages::kLaunchedSnapshotsFetchFailed,
                       "Error in fetching all launched snapshots. Error");
  delegate->taskManagerDidStartWithActivatedSnapshots(*this, activated, pending, launched);
}

void ExperimentsTaskManager::activatePendingSnapshot(const std::optional<ExperimentSnapshot>& snapshot, double timestamp) {
  if (!snapshot) {
    monitor()->logWithLevel(LogLevel::kError, messages::kEmptySnapshotActivation, "Cannot activate an empty snapshot");
    return;
  }
  dispatchAsyncOnWorkerQueue([snapshot = *snapshot, timestamp](ExperimentsTaskManager& self) {
    if (!self.database_) return;
    // A transaction that fails to commit after the activation worked has no error of its own.
    ErrorOr<void> activation;
    bool done = self.database_->performTransaction([&] {
      activation = self.database_->activateSnapshot(snapshot, timestamp);
      return activation.ok();
    });
    if (!done) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kSDKSnapshotActivationFailed,
                             "Cannot activate snapshot for SDK Name. Error", Value(snapshot.SDKName()),
                             errorText(activation.errorIfAny().value_or(Error())));
    }
  });
}

void ExperimentsTaskManager::resetToDefaultsForSDKName(const std::string& sdkName) {
  if (sdkName.empty()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTaskResetWithoutSDKName, "Cannot reset to defaults for empty SDK name");
    return;
  }
  dispatchAsyncOnWorkerQueue([sdkName](ExperimentsTaskManager& self) {
    // Without a database the reset fails with no reason to give.
    auto deleted = self.database_ ? self.database_->deleteActivatedExperimentsOfSDKName(sdkName) : ErrorOr<void>(Error());
    if (!deleted.ok()) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsResetInDatabaseFailed,
                             "Cannot reset to defaults in the database. SDK Name, error", Value(sdkName),
                             errorText(deleted.error()));
    }
  });
}

void ExperimentsTaskManager::upsertPendingSnapshots(const std::vector<ExperimentSnapshot>& snapshots) {
  if (snapshots.empty()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kEmptyPendingSnapshotList, "Cannot upsert empty pending snapshot list");
    return;
  }
  dispatchAsyncOnWorkerQueue([snapshots](ExperimentsTaskManager& self) {
    // Without a database the write fails with no reason to give.
    auto stored = self.database_ ? self.database_->upsertPendingExperimentSnapshots(snapshots) : ErrorOr<void>(Error());
    if (!stored.ok()) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kPendingSnapshotsSaveFailed,
                             "Cannot upsert pending snapshots into the database. Error", errorText(stored.error()));
      return;
    }
    if (auto delegate = self.delegate()) delegate->taskManagerDidUpsertPendingSnapshots(self, snapshots);
  });
}

void ExperimentsTaskManager::reset() {
  dispatchAsyncOnWorkerQueue([](ExperimentsTaskManager& self) {
    if (self.database_) (void)self.database_->reset();
    for (const char* key : {kSuccessTimestampKey, kFailureTimestampKey, kBackoffTimestampKey}) {
      self.persistedStorage_->removeObjectForKey(key);
    }
    self.scheduleFetchingExperimentsOnWorkerQueue();
  });
}

}  // namespace sdk::analytics

