// The experiments manager as its task manager's delegate: what a start, a fetch and a rewrite of
// pending rows change in memory, and which SDKs hear of it.

#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/rules/ExperimentsManager.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Value;

using sdk::analytics::monitor;

bool ExperimentsManager::taskManagerShouldFetchExperiments(ExperimentsTaskManager& taskManager) {
  (void)taskManager;
  // Read from the task manager's queue without a hop onto the serial queue: the clients' answers
  // may wait on their own SDKs' queues, which may be waiting on this manager.
  for (const auto& [name, client] : registeredClientsBySDKName_.dictionary()) {
    auto delegate = client->delegate();
    if (!delegate) return true;
    std::optional<bool> answer = delegate->shouldFetchExperimentsForClient(*client);
    if (!answer || *answer) return true;
  }
  return false;
}

void ExperimentsManager::taskManagerDidStartWithActivatedSnapshots(ExperimentsTaskManager& taskManager,
                                                            const std::vector<ExperimentSnapshot>& activated,
                                                            const std::vector<ExperimentSnapshot>& pending,
                                                            const std::vector<ExperimentSnapshot>& launched) {
  (void)taskManager;
  dispatchAsyncOnSerialQueue([activated, pending, launched](ExperimentsManager& self) {
    auto store = [](const std::vector<ExperimentSnapshot>& snapshots, std::map<std::string, ExperimentSnapshot>& into) {
      for (const ExperimentSnapshot& snapshot : snapshots) into.insert_or_assign(snapshot.SDKName(), snapshot.copy());
    };
    store(activated, self.activatedSnapshotsBySDKName_);
    store(pending, self.pendingSnapshotsBySDKName_);
    store(launched, self.launchedSnapshotsBySDKName_);
  });
}

void ExperimentsManager::taskManagerDidFinishFetchingExperimentSnapshots(ExperimentsTaskManager& taskManager,
                                                                  const std::vector<ExperimentSnapshot>& snapshots,
                                                                  const std::map<std::string, Error>& errors) {
  (void)taskManager;
  if (snapshots.empty() && errors.empty()) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kNoPendingSnapshotsToNotify, "No pending snapshots to notify the clients");
    return;
  }
  dispatchAsyncOnSerialQueue([snapshots, errors](ExperimentsManager& self) {
    std::vector<ExperimentSnapshot> selfActivating;
    for (const ExperimentSnapshot& snapshot : snapshots) {
      ExperimentSnapshot pending = snapshot.copy();
      auto client = self.registeredClientsBySDKName_.objectForKey(pending.SDKName());
      auto delegate = client ? client->delegate() : nullptr;
      if (delegate && delegate->implementsClientDidReceiveNewSnapshot()) {
        pending.setManuallyActivated(true);
        selfActivating.push_back(pending);
      }
      self.pendingSnapshotsBySDKName_.insert_or_assign(pending.SDKName(), pending);
    }
    for (const auto& [sdkName, error] : errors) {
      auto client = self.registeredClientsBySDKName_.objectForKey(sdkName);
      if (!client) continue;
      notifyDelegate(client, [error](ExperimentObserverDelegate& delegate, ExperimentsClient& client) {
        delegate.clientDidReceiveFetchError(client, error);
      });
    }
    if (!selfActivating.empty()) self.taskManager_->upsertPendingSnapshots(selfActivating);
  });
}

void ExperimentsManager::taskManagerDidUpsertPendingSnapshots(ExperimentsTaskManager& taskManager,
                                                       const std::vector<ExperimentSnapshot>& snapshots) {
  (void)taskManager;
  for (const ExperimentSnapshot& snapshot : snapshots) {
    auto client = registeredClientsBySDKName_.objectForKey(snapshot.SDKName());
    auto delegate = client ? client->delegate() : nullptr;
    if (!delegate || !delegate->implementsClientDidReceiveNewSnapshot()) {
      monitor()->logWithLevel(LogLevel::kError, messages::kClientIgnoresNewSnapshots,
          "Cannot notify new snapshot for SDK because the delegate does not implement -clientDidReceiveNewSnapshot:",
          Value(snapshot.SDKName()));
      continue;
    }
    notifyDelegate(client, [](ExperimentObserverDelegate& delegate, ExperimentsClient& client) {
      delegate.clientDidReceiveNewSnapshot(client);
    });
  }
}

void ExperimentsManager::notifyDelegate(const std::shared_ptr<ExperimentsClient>& client,
                                 std::function<void(ExperimentObserverDelegate&, ExperimentsClient&)> call) {
  auto delegate = client->delegate();
  if (!delegate) return;
  auto queue = delegate->queue();
  if (!queue) queue = platform::dispatch::Queue::main();
  std::weak_ptr<ExperimentObserverDelegate> weak = delegate;
  queue->async([weak, client, call = std::move(call)] {
    if (auto delegate = weak.lock()) call(*delegate, *client);
  });
}

}  // namespace sdk::analytics

