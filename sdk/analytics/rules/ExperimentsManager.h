#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/ExperimentsClient.h"
#include "sdk/analytics/rules/ExperimentSnapshot.h"
#include "sdk/analytics/rules/ExperimentsTaskManager.h"
#include "sdk/utilities/MutableDictionary.h"

namespace sdk::analytics {

class MeasurementHost;

// The front of the experiments component. SDKs register with their default flags and get a client;
// lookups answer activated, then launched, then default. The snapshots in force live here, on one
// serial queue; the task manager fetches and stores them on its own queue and reports back as this
// manager's delegate.
//
// Lookups run synchronously on the serial queue from the caller's thread; registration, reset and
// the task manager's reports run asynchronously on it. Nothing calls an SDK's delegate from inside
// the serial queue: every call-back goes out on the delegate's own queue (the main queue by default),
// so a delegate may call straight back in.
class ExperimentsManager : public ExperimentsTaskManagerDelegate, public std::enable_shared_from_this<ExperimentsManager> {
 public:
  using Error = platform::foundation::Error;
  using Value = platform::foundation::Value;

  static constexpr const char* kSerialQueueLabel = "APMEExperimentSerialQueue";
  static constexpr const char* kLibraryVersionString = "10000000";
  static constexpr double kStaleActivatedAge = 259200;  // 3 days

  // Made once, its task manager started at once.
  static std::shared_ptr<ExperimentsManager> sharedInstance();
  // Lends the shared manager's task manager the engine's app instance ID.
  static void setSharedHost(std::weak_ptr<const sdk::analytics::MeasurementHost> host);
  // The library version without its last three digits: 10000.
  static std::int64_t version();

  static std::shared_ptr<ExperimentsManager> init();
  static std::shared_ptr<ExperimentsManager> initWithTaskManager(std::shared_ptr<ExperimentsTaskManager> taskManager);

  // `defaultFlags` maps flag names to numbers or strings. The client comes back at once; the
  // registration lands on the serial queue after.
  std::shared_ptr<ExperimentsClient> registerSDKProperty(const std::shared_ptr<const ExperimentsSDKProperty>& property,
                                                  const std::map<std::string, Value>& defaultFlags);
  std::shared_ptr<ExperimentsClient> clientForSDKName(const std::string& sdkName);
  // The experiments in force for SDKs without a diversion key of their own, ascending.
  std::vector<std::int64_t> experimentIDs();
  Value flagValueForFlagName(const std::string& flagName, const std::string& sdkName);
  // The same without the default: nil unless an activated or launched snapshot sets the flag, so a
  // caller can tell an experiment's value from the one it registered.
  Value snapshotFlagValueForFlagName(const std::string& flagName, const std::string& sdkName);
  // False when there is nothing pending; an error for an empty SDK name.
  platform::foundation::ErrorOr<bool> activateSnapshotOfSDK(const std::string& sdkName);
  // Whether a fetched snapshot waits for the SDK to activate it.
  bool hasPendingSnapshotOfSDK(const std::string& sdkName);
  // -1 unregistered, -2 nothing activated, 1 activated more than three days ago, 0 otherwise.
  std::int64_t activatedSnapshotStatusOfSDKName(const std::string& sdkName);
  void resetToDefaultsOfSDKName(const std::string& sdkName);
  // Forgets every snapshot, here and in the database; clients and defaults stay.
  void reset();

  // ExperimentsTaskManagerDelegate (the task manager's worker queue)
  bool taskManagerShouldFetchExperiments(ExperimentsTaskManager& taskManager) override;
  void taskManagerDidStartWithActivatedSnapshots(ExperimentsTaskManager& taskManager,
                                                 const std::vector<ExperimentSnapshot>& activated,
                                                 const std::vector<ExperimentSnapshot>& pending,
                                                 const std::vector<ExperimentSnapshot>& launched) override;
  void taskManagerDidFinishFetchingExperimentSnapshots(ExperimentsTaskManager& taskManager,
                                                       const std::vector<ExperimentSnapshot>& snapshots,
                                                       const std::map<std::string, Error>& errors) override;
  void taskManagerDidUpsertPendingSnapshots(ExperimentsTaskManager& taskManager,
                                            const std::vector<ExperimentSnapshot>& snapshots) override;

  // An exception thrown by `block` is logged and goes no further.
  void dispatchAsyncOnSerialQueue(std::function<void(ExperimentsManager&)> block);
  void dispatchSyncOnSerialQueue(const std::function<void(ExperimentsManager&)>& block);

  const std::shared_ptr<ExperimentsTaskManager>& taskManager() const { return taskManager_; }

  struct Private {
    explicit Private() = default;
  };
  ExperimentsManager(Private, std::shared_ptr<ExperimentsTaskManager> taskManager);

 private:
  using FlagsByName = std::map<std::string, std::shared_ptr<const ProtoFlag>>;

  Value lookUpFlag(const std::string& flagName, const std::string& sdkName, bool orDefault);
  // Hands `call` to the client's delegate on the delegate's queue.
  static void notifyDelegate(const std::shared_ptr<ExperimentsClient>& client,
                             std::function<void(ExperimentObserverDelegate&, ExperimentsClient&)> call);

  // Serial queue only.
  std::map<std::string, ExperimentSnapshot> activatedSnapshotsBySDKName_;
  std::map<std::string, ExperimentSnapshot> pendingSnapshotsBySDKName_;
  std::map<std::string, ExperimentSnapshot> launchedSnapshotsBySDKName_;
  std::map<std::string, FlagsByName> defaultFlagsBySDKName_;

  const std::shared_ptr<ExperimentsTaskManager> taskManager_;
  // Read from the task manager's queue too.
  sdk::utilities::MutableDictionary<std::string, std::shared_ptr<ExperimentsClient>> registeredClientsBySDKName_;
  const std::shared_ptr<platform::dispatch::Queue> queue_;
};

}  // namespace sdk::analytics

