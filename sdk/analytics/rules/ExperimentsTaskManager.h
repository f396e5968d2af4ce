#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"
#include "platform/net/URLRequest.h"
#include "sdk/analytics/rules/ExperimentResponseReader.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/rules/ExperimentSnapshot.h"

namespace sdk::utilities {
class HTTPClient;
}  // namespace sdk::utilities

namespace sdk::analytics {

class Alarm;
class ExperimentsDatabase;
class ExperimentsTaskManager;
class ProtoExperimentResponse;
 

class MeasurementHost;

// What the task manager tells the experiments manager. Every call arrives on the task manager's
// worker queue.
class ExperimentsTaskManagerDelegate {
 public:
  virtual ~ExperimentsTaskManagerDelegate() = default;
  // Whether any client wants experiments now; without an answer the fetch goes ahead.
  virtual bool taskManagerShouldFetchExperiments(ExperimentsTaskManager& taskManager) {
    (void)taskManager;
    return true;
  }
  virtual void taskManagerDidStartWithActivatedSnapshots(ExperimentsTaskManager& taskManager,
                                                         const std::vector<ExperimentSnapshot>& activated,
                                                         const std::vector<ExperimentSnapshot>& pending,
                                                         const std::vector<ExperimentSnapshot>& launched) = 0;
  virtual void taskManagerDidFinishFetchingExperimentSnapshots(
      ExperimentsTaskManager& taskManager, const std::vector<ExperimentSnapshot>& snapshots,
      const std::map<std::string, platform::foundation::Error>& errors) = 0;
  virtual void taskManagerDidUpsertPendingSnapshots(ExperimentsTaskManager& taskManager,
                                                    const std::vector<ExperimentSnapshot>& snapshots) = 0;
};

// The experiments component's worker: owns the experiments database, decides when to ask the
// experiments service for new snapshots, stores what comes back as pending snapshots and reports to
// its delegate. Its schedule runs on three wall-clock stamps in its own user-defaults suite and one
// alarm. Everything it does runs on its serial worker queue; blocks hold it weakly.
class ExperimentsTaskManager : public std::enable_shared_from_this<ExperimentsTaskManager> {
 public:
  using Data = platform::foundation::Data;
  using Error = platform::foundation::Error;
  template <typename T>
  using ErrorOr = platform::foundation::ErrorOr<T>;
  using QueuePtr = std::shared_ptr<platform::dispatch::Queue>;

  static constexpr const char* kWorkerQueueLabel = "APMExperimentWorkerQueue";
  static constexpr const char* kAlarmName = "APMExperimentAlarm";
  static constexpr const char* kSuiteName = "APMExperimentSuiteName";
  static constexpr const char* kSuccessTimestampKey = "APMExperimentFetchSuccessTimestamp";
  static constexpr const char* kFailureTimestampKey = "APMExperimentFetchFailureTimestamp";
  static constexpr const char* kBackoffTimestampKey = "APMExperimentFetchBackoffTimestamp";
  static constexpr const char* kErrorDomain = "com.vadeze.vmp.measurement.experiment.ErrorDomain";
  static constexpr const char* kRequestPath = "/sdk-exp";

  static constexpr double kFetchInterval = 14400;        // 4 hours after a success
  static constexpr double kFirstFetchDelay = 10;         // never sooner after launch
  static constexpr double kFirstRetryInterval = 1800;    // doubled for each later retry
  static constexpr int kRetryCount = 6;
  static constexpr double kBackoffInterval = 43200;      // 12 hours after a 429 or 503
  static constexpr double kEpsilon = 2.220446049250313e-16;
  static constexpr double kSmallestDelay = 0.001;

  // Its own worker queue, alarm, network client and suite, created now, on the configured analytics
  // service address (see ServiceURL.h).
  static std::shared_ptr<ExperimentsTaskManager> init();
  // `endpoint` is the service's base URL (the request path is added); empty: nothing is configured,
  // and every fetch fails without leaving the device.
  static std::shared_ptr<ExperimentsTaskManager> initWithQueue(QueuePtr queue, std::shared_ptr<Alarm> alarm,
                                                        std::shared_ptr<sdk::utilities::HTTPClient> network,
                                                        std::shared_ptr<UserDefaultsSuite> persistedStorage,
                                                        std::string databasePath, double initTimestamp,
                                                        std::string endpoint);

  // --- worker queue
  // The next fetch time (seconds since 1970), or 0 to give up.
  double fetchTimeFromLastSuccessfulTimestamp(double lastSuccessfulTimestamp, double lastFailedTimestamp);
  void scheduleFetchingExperimentsOnWorkerQueue();
  void postponeFetchExperiments();
  void fetchExperiments();
  // `data` is the inflated body. A status other than 200 or 204, an error, or a body that is no
  // experiments response counts as a failed fetch.
  void handleFetchingExperimentsResponse(const std::optional<platform::net::HTTPURLResponse>& response,
                                         const std::optional<Data>& data, const std::optional<Error>& error);
  void startTaskManagerOnWorkerQueue();
  void fetchAllSnapshotsOnWorkerQueue();

  // --- any thread; the work lands on the worker queue
  void startTaskManager();
  void activatePendingSnapshot(const std::optional<ExperimentSnapshot>& snapshot, double timestamp);
  void resetToDefaultsForSDKName(const std::string& sdkName);
  void upsertPendingSnapshots(const std::vector<ExperimentSnapshot>& snapshots);
  // Deletes and recreates the database, forgets the stamps and schedules again.
  void reset();

  // The service's answer read (ExperimentResponseReader).
  static std::optional<std::vector<ExperimentSnapshot>> experimentSnapshotsFromExperimentResponse(
      const ProtoExperimentResponse* response) {
    return ExperimentResponseReader::snapshotsFromResponse(response);
  }
  static std::optional<std::map<std::string, Error>> errorsFromExperimentResponse(
      const ProtoExperimentResponse* response) {
    return ExperimentResponseReader::errorsFromResponse(response);
  }
  static std::optional<std::vector<ExperimentSnapshot>> experimentSnapshotsFromData(const Data& data) {
    return ExperimentResponseReader::snapshotsFromData(data);
  }

  // An exception thrown by `block` is logged; the synchronous form passes it on.
  void dispatchAsyncOnWorkerQueue(std::function<void(ExperimentsTaskManager&)> block);
  void dispatchSyncOnWorkerQueue(const std::function<void(ExperimentsTaskManager&)>& block);

  std::shared_ptr<ExperimentsTaskManagerDelegate> delegate() const;
  void setDelegate(std::weak_ptr<ExperimentsTaskManagerDelegate> delegate);
  // Where the app instance ID of requests comes from.
  void setHost(std::weak_ptr<const sdk::analytics::MeasurementHost> host);
  bool hasMadeInitialFetch() const { return hasMadeInitialFetch_; }
  void setHasMadeInitialFetch(bool made) { hasMadeInitialFetch_ = made; }
  double initializationTimestamp() const { return initializationTimestamp_; }
  void setInitializationTimestamp(double timestamp) { initializationTimestamp_ = timestamp; }
  const QueuePtr& workerQueue() const { return workerQueue_; }
  const std::shared_ptr<Alarm>& alarm() const { return alarm_; }
  const std::shared_ptr<UserDefaultsSuite>& persistedStorage() const { return persistedStorage_; }

  struct Private {
    explicit Private() = default;
  };
  ExperimentsTaskManager(Private, QueuePtr queue, std::shared_ptr<Alarm> alarm, std::shared_ptr<sdk::utilities::HTTPClient> network,
                  std::shared_ptr<UserDefaultsSuite> persistedStorage, std::string databasePath, double initTimestamp,
                  std::string endpoint);
  ~ExperimentsTaskManager();

 private:
  void recordFailedFetch(std::int64_t statusCode, const platform::foundation::Value& reason);
  std::optional<std::string> appInstanceID() const;

  QueuePtr workerQueue_;
  std::shared_ptr<Alarm> alarm_;
  std::shared_ptr<sdk::utilities::HTTPClient> network_;
  std::shared_ptr<UserDefaultsSuite> persistedStorage_;
  std::shared_ptr<ExperimentsDatabase> database_;  // worker queue only
  const std::string databasePath_;
  const std::string endpoint_;
  std::atomic<bool> hasMadeInitialFetch_{false};
  std::atomic<double> initializationTimestamp_;

  mutable std::mutex mutex_;
  std::weak_ptr<ExperimentsTaskManagerDelegate> delegate_;
  std::weak_ptr<const sdk::analytics::MeasurementHost> host_;
  // Only workerQueue_ runs the ...OnWorkerQueue functions: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

