#include "sdk/analytics/rules/ExperimentsTaskManager.h"

#include <cmath>

#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/GuardedDispatch.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/rules/ExperimentRequestBuilder.h"
#include "sdk/analytics/rules/ExperimentsDatabase.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/HTTPClient.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Value;

using sdk::analytics::errorText;
using sdk::analytics::monitor;
using sdk::analytics::now;

namespace {

// The statuses of an answer; any other is a failed fetch.
bool isAnswered(std::int64_t status) { return status == 200 || status == 204; }

}  // namespace

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
  GuardedDispatch::async(*workerQueue_, weak_from_this(), std::move(block),
                         {messages::kAsyncWorkerQueueException, "Exception on async worker queue"});
}

void ExperimentsTaskManager::dispatchSyncOnWorkerQueue(const std::function<void(ExperimentsTaskManager&)>& block) {
  GuardedDispatch::sync(*workerQueue_, [&] { block(*this); },
                        {messages::kSyncWorkerQueueException, "Exception on sync worker queue",
                         GuardedDispatch::Thrown::kPassedOn});
}

void ExperimentsTaskManager::startTaskManager() {
  dispatchAsyncOnWorkerQueue([](ExperimentsTaskManager& self) { self.startTaskManagerOnWorkerQueue(); });
}

void ExperimentsTaskManager::startTaskManagerOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "startTaskManagerOnWorkerQueue");
  // Without its database the component stays idle for the process: nothing to load, nowhere to keep
  // what a fetch would bring.
  database_ = ExperimentsDatabase::initWithPath(databasePath_);
  if (!database_) return;
  fetchAllSnapshotsOnWorkerQueue();
  scheduleFetchingExperimentsOnWorkerQueue();
}

void ExperimentsTaskManager::fetchAllSnapshotsOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "fetchAllSnapshotsOnWorkerQueue");
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

// When the task manager fetches, the fetch itself, and what the answer does to the schedule.
//
// The schedule lives in three wall-clock stamps (last success, last failure, last back-off) and one
// alarm. After a success the next fetch is 4 hours later; after failures it retries 1800, 3600, ...
// 57600 seconds apart, counted from the last success (or, with none, from this task manager's
// creation); once the sixth window has passed it gives up for the process. A 429 or 503 answer keeps
// every fetch at least 12 hours away from it.

double ExperimentsTaskManager::fetchTimeFromLastSuccessfulTimestamp(double lastSuccessfulTimestamp,
                                                             double lastFailedTimestamp) {
  double current = now();
  // A success stamp in the future (the wall clock was set back) counts as that far in the past.
  double success = current - std::fabs(lastSuccessfulTimestamp - current);
  double due = success + kFetchInterval;
  if (!hasMadeInitialFetch_.exchange(true)) return std::max(due, current + kFirstFetchDelay);
  if (lastFailedTimestamp <= 0) return due;

  double base = success != 0 ? due : initializationTimestamp_.load();
  double step = kFirstRetryInterval;
  for (int retry = 0; retry < kRetryCount; ++retry, step *= 2) {
    base += step;
    if (base > lastFailedTimestamp) return base;
  }
  return 0;
}

void ExperimentsTaskManager::scheduleFetchingExperimentsOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "scheduleFetchingExperimentsOnWorkerQueue");
  // Without a service address there is nowhere to fetch from: no fetch is armed, so none fails and
  // none is retried. The engine says once at start that nothing is sent.
  if (endpoint_.empty()) return;
  double due = fetchTimeFromLastSuccessfulTimestamp(persistedStorage_->doubleForKey(kSuccessTimestampKey),
                                                    persistedStorage_->doubleForKey(kFailureTimestampKey));
  if (std::fabs(due) < kEpsilon) {
    // Forgetting the success makes the next process start with its short first delay.
    persistedStorage_->removeObjectForKey(kSuccessTimestampKey);
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kTooManyFetchAttempts, "Network attempted too many times. Will not schedule new network.");
    return;
  }
  double current = now();
  if (auto scheduled = alarm_->scheduledTimestamp(); scheduled && *scheduled != 0 && *scheduled <= due) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kFetchAlreadyScheduled, "Do not schedule a fetch task. Task already exists. Will be executed in seconds",
                           Value(*scheduled - current));
    return;
  }
  double backoff = persistedStorage_->doubleForKey(kBackoffTimestampKey);
  if (backoff != 0 && current - backoff < kBackoffInterval) due = std::max(due, backoff + kBackoffInterval);
  double delay = due - current;
  if (delay < 0 || std::fabs(delay) < kEpsilon) delay = kSmallestDelay;

  auto delegate = this->delegate();
  bool shouldFetch = delegate ? delegate->taskManagerShouldFetchExperiments(*this) : true;
  std::weak_ptr<ExperimentsTaskManager> weak = weak_from_this();
  alarm_->runAfterDelay(delay, [weak, shouldFetch] {
    auto self = weak.lock();
    if (!self) return;
    if (shouldFetch) {
      self->fetchExperiments();
    } else {
      self->postponeFetchExperiments();
    }
  });
}

void ExperimentsTaskManager::postponeFetchExperiments() {
  // Nobody wants experiments now: a pretend success asks again in 4 hours.
  persistedStorage_->setDouble(now(), kSuccessTimestampKey);
  persistedStorage_->removeObjectForKey(kFailureTimestampKey);
  persistedStorage_->removeObjectForKey(kBackoffTimestampKey);
  scheduleFetchingExperimentsOnWorkerQueue();
}

void ExperimentsTaskManager::fetchExperiments() {
  auto request = ExperimentRequestBuilder::sharedInstance()->request(appInstanceID());
  Data payload = request->protoBuffer();
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kFetchingExperiments, "Fetching new experiments. Request", Value(std::to_string(payload.size()) + " bytes"));
  if (!network_ || endpoint_.empty()) {
    handleFetchingExperimentsResponse(
        std::nullopt, std::nullopt,
        Error::make(kErrorDomain, -1, endpoint_.empty() ? "No experiments service is configured" : "No network client"));
    return;
  }
  std::weak_ptr<ExperimentsTaskManager> weak = weak_from_this();
  network_->postURL(
      endpoint_ + kRequestPath, payload, workerQueue_, false,
      [weak](std::optional<platform::net::HTTPURLResponse> response, std::optional<Data> data,
             std::optional<Error> error) {
        auto self = weak.lock();
        if (!self) return;
        const std::int64_t status = response ? response->statusCode : 0;
        std::optional<Data> body;
        if (data && !data->empty()) {
          // The answer may be no bigger than a message the decoder accepts.
          auto inflated = sdk::utilities::Gzip::inflateWithLimit(*data, NanoMessage::kMaxEncodedBytes);
          if (inflated.ok()) {
            body = std::move(inflated).value();
          } else {
            monitor()->logWithLevel(LogLevel::kSilentError, messages::kDownloadInflateFailed, "Cannot inflate downloaded experiment data. Error",
                                   Value(inflated.error().localizedDescription()));
            // An answer that cannot be read failed for that reason; a refusal (a 503's page, never
            // compressed) is told by its status, not by what expanding it said.
            if (!error && isAnswered(status)) error = inflated.error();
          }
        }
        self->handleFetchingExperimentsResponse(response, body, error);
      });
}

void ExperimentsTaskManager::handleFetchingExperimentsResponse(const std::optional<platform::net::HTTPURLResponse>& response,
                                                        const std::optional<Data>& data,
                                                        const std::optional<Error>& error) {
  std::int64_t status = response ? response->statusCode : 0;
  if (!isAnswered(status) || error) {
    std::string reason = error ? error->localizedDescription()
                               : response ? "the service answered HTTP status " + std::to_string(status)
                                          : std::string("no answer");
    recordFailedFetch(status, Value(reason));
    return;
  }
  // The body comes from the network: one that is not an experiments response is a failed fetch,
  // never a success with nothing in it.
  auto answer = data ? ProtoExperimentResponse::initWithBuffer(*data) : ProtoExperimentResponse::make();
  if (!answer) {
    recordFailedFetch(status, Value("The experiments response could not be read"));
    return;
  }
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kFetchSucceeded, "Successful fetch. Got network response. Code, data", Value(status),
                         Value(std::to_string(data ? data->size() : 0) + " bytes"));
  persistedStorage_->setDouble(now(), kSuccessTimestampKey);
  persistedStorage_->removeObjectForKey(kFailureTimestampKey);
  persistedStorage_->removeObjectForKey(kBackoffTimestampKey);

  auto snapshots = experimentSnapshotsFromExperimentResponse(answer.get()).value_or(std::vector<ExperimentSnapshot>{});
  auto errors = errorsFromExperimentResponse(answer.get()).value_or(std::map<std::string, Error>{});
  if (!snapshots.empty()) {
    // Without a database the write fails with no reason to give.
    auto stored = database_ ? database_->upsertPendingExperimentSnapshots(snapshots) : ErrorOr<void>(Error());
    if (!stored.ok()) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kFetchedSnapshotsSaveFailed,
                             "Cannot upsert pending snapshots. Error, snapshots", Value(stored.error().localizedDescription()),
                             Value(static_cast<std::int64_t>(snapshots.size())));
    }
  }
  if (auto delegate = this->delegate()) {
    delegate->taskManagerDidFinishFetchingExperimentSnapshots(*this, snapshots, errors);
  }
  scheduleFetchingExperimentsOnWorkerQueue();
}

void ExperimentsTaskManager::recordFailedFetch(std::int64_t statusCode, const Value& reason) {
  double current = now();
  persistedStorage_->setDouble(current, kFailureTimestampKey);
  if (statusCode == 503 || statusCode == 429) persistedStorage_->setDouble(current, kBackoffTimestampKey);
  monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kFetchFailedWillRetry,
                          "Network fetch failed. Will retry later. Code, error", Value(statusCode), reason);
  scheduleFetchingExperimentsOnWorkerQueue();
}

}  // namespace sdk::analytics

