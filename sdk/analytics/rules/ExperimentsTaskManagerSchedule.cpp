// When the task manager fetches, the fetch itself, and what the answer does to the schedule.
//
// The schedule lives in three wall-clock stamps (last success, last failure, last back-off) and one
// alarm. After a success the next fetch is 4 hours later; after failures it retries 1800, 3600, ...
// 57600 seconds apart, counted from the last success (or, with none, from this task manager's
// creation); once the sixth window has passed it gives up for the process. A 429 or 503 answer keeps
// every fetch at least 12 hours away from it.

#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Check.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/rules/ExperimentsDatabase.h"
#include "sdk/analytics/rules/ExperimentRequestBuilder.h"
#include "sdk/analytics/rules/ExperimentsTaskManager.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/HTTPClient.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Value;

using sdk::analytics::monitor;
using sdk::analytics::now;

namespace {

// The statuses of an answer; any other is a failed fetch.
bool isAnswered(std::int64_t status) { return status == 200 || status == 204; }

}  // namespace

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
  DCHECK(workerQueue_->isCurrent());
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

