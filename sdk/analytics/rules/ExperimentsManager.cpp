#include "sdk/analytics/rules/ExperimentsManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/GuardedDispatch.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/ExperimentRequestBuilder.h"
#include "sdk/analytics/rules/ExperimentFlag.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using sdk::analytics::monitor;

namespace {

using platform::foundation::Value;

}  // namespace

std::shared_ptr<ExperimentsManager> ExperimentsManager::sharedInstance() {
  // Never destroyed: its queues and dictionaries are still in use while the process exits.
  static const auto* instance = new std::shared_ptr<ExperimentsManager>([] {
    auto manager = init();
    manager->taskManager_->startTaskManager();
    return manager;
  }());
  return *instance;
}

void ExperimentsManager::setSharedHost(std::weak_ptr<const sdk::analytics::MeasurementHost> host) {
  sharedInstance()->taskManager_->setHost(std::move(host));
}

std::int64_t ExperimentsManager::version() {
  std::string text = kLibraryVersionString;
  if (text.size() < 4) return 0;
  return std::stoll(text.substr(0, text.size() - 3));
}

std::shared_ptr<ExperimentsManager> ExperimentsManager::init() { return initWithTaskManager(ExperimentsTaskManager::init()); }

std::shared_ptr<ExperimentsManager> ExperimentsManager::initWithTaskManager(std::shared_ptr<ExperimentsTaskManager> taskManager) {
  auto manager = std::make_shared<ExperimentsManager>(Private(), std::move(taskManager));
  manager->taskManager_->setDelegate(manager);
  return manager;
}

ExperimentsManager::ExperimentsManager(Private, std::shared_ptr<ExperimentsTaskManager> taskManager)
    : taskManager_(std::move(taskManager)), queue_(platform::dispatch::Queue::serial(kSerialQueueLabel)) {}

void ExperimentsManager::dispatchAsyncOnSerialQueue(std::function<void(ExperimentsManager&)> block) {
  GuardedDispatch::async(*queue_, weak_from_this(), std::move(block),
                         {messages::kAsyncExperimentsQueueException, "Exception on async Experimentation serial queue"});
}

void ExperimentsManager::dispatchSyncOnSerialQueue(const std::function<void(ExperimentsManager&)>& block) {
  GuardedDispatch::sync(*queue_, [&] { block(*this); },
                        {messages::kSyncExperimentsQueueException, "Exception on sync Experimentation serial queue"});
}

std::shared_ptr<ExperimentsClient> ExperimentsManager::registerSDKProperty(const std::shared_ptr<const ExperimentsSDKProperty>& property,
                                                             const std::map<std::string, Value>& defaultFlags) {
  if (!property) {
    monitor()->logWithLevel(LogLevel::kError, messages::kClientWithoutProperty, "Cannot register client with a nil SDK property");
    return nullptr;
  }
  const std::string sdkName = property->name();
  if (sdkName.empty()) {
    monitor()->logWithLevel(LogLevel::kError, messages::kClientWithoutSDKName, "Cannot register experiment client with no SDK name");
    return nullptr;
  }
  std::vector<std::shared_ptr<ProtoFlag>> flags;
  FlagsByName flagsByName;
  for (const auto& [name, value] : defaultFlags) {
    auto flag = experimentFlagFromNameAndValue(Value(name), value);
    if (!flag) {
      monitor()->logWithLevel(LogLevel::kError, messages::kClientWithInvalidFlags, "Cannot register experiment client invalid flags. Flag name, value",
                             Value(name), value);
      return nullptr;
    }
    flagsByName[name] = ProtoFlag::copyOf(*flag);
    flags.push_back(std::move(flag));
  }
  auto client = ExperimentsClient::initWithSDKProperty(property, std::move(flags), weak_from_this());
  if (!client) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kClientRegistrationFailed, "Cannot register client. SDK name", Value(sdkName));
    return nullptr;
  }
  dispatchAsyncOnSerialQueue([client, property, sdkName, flagsByName = std::move(flagsByName)](ExperimentsManager& self) {
    if (self.registeredClientsBySDKName_.objectForKey(sdkName)) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kClientRegisteredAgain,
                             "Registered an SDK that has already registered. Default flags will be overwritten. SDK name",
                             Value(sdkName));
    }
    self.registeredClientsBySDKName_.setObject(client, sdkName);
    self.defaultFlagsBySDKName_[sdkName] = flagsByName;
    ExperimentRequestBuilder::sharedInstance()->addSDKProperty(property);
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kClientRegistered, "Registered client", Value(sdkName));
  });
  return client;
}

std::shared_ptr<ExperimentsClient> ExperimentsManager::clientForSDKName(const std::string& sdkName) {
  if (sdkName.empty()) {
    monitor()->logWithLevel(LogLevel::kError, messages::kClientLookupWithoutSDKName, "Cannot find the client for empty SDK Name");
    return nullptr;
  }
  std::shared_ptr<ExperimentsClient> client;
  dispatchSyncOnSerialQueue([&](ExperimentsManager& self) { client = self.registeredClientsBySDKName_.objectForKey(sdkName); });
  return client;
}

std::vector<std::int64_t> ExperimentsManager::experimentIDs() {
  std::vector<std::int64_t> ids;
  dispatchSyncOnSerialQueue([&](ExperimentsManager& self) {
    for (const auto& [name, client] : self.registeredClientsBySDKName_.dictionary()) {
      // An SDK that diverts by a key of its own reports its experiments itself.
      if (!client->SDKProperty()->diversionKey.empty()) continue;
      auto activated = self.activatedSnapshotsBySDKName_.find(name);
      if (activated == self.activatedSnapshotsBySDKName_.end()) continue;
      for (const auto& experiment : activated->second.experiments()) ids.push_back(experiment.experimentID());
    }
  });
  std::sort(ids.begin(), ids.end());
  return ids;
}

Value ExperimentsManager::flagValueForFlagName(const std::string& flagName, const std::string& sdkName) {
  return lookUpFlag(flagName, sdkName, true);
}

Value ExperimentsManager::snapshotFlagValueForFlagName(const std::string& flagName, const std::string& sdkName) {
  return lookUpFlag(flagName, sdkName, false);
}

Value ExperimentsManager::lookUpFlag(const std::string& flagName, const std::string& sdkName, bool orDefault) {
  if (sdkName.empty()) {
    monitor()->logWithLevel(LogLevel::kError, messages::kFlagValueWithoutSDKName, "Cannot retrieve flag value for empty SDK name");
    return Value();
  }
  if (flagName.empty()) {
    monitor()->logWithLevel(LogLevel::kError, messages::kFlagValueWithoutFlagName, "Cannot retrieve flag value for empty flag name");
    return Value();
  }
  Value result;
  dispatchSyncOnSerialQueue([&](ExperimentsManager& self) {
    if (!self.registeredClientsBySDKName_.objectForKey(sdkName)) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kSDKNotRegistered, "SDK is not registered yet", Value(sdkName));
      return;
    }
    auto defaults = self.defaultFlagsBySDKName_.find(sdkName);
    if (defaults == self.defaultFlagsBySDKName_.end()) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kFlagOfUnregisteredSDK, "Cannot get flag for unregistered SDK. SDK name, flag name", Value(sdkName),
                             Value(flagName));
      return;
    }
    auto fallback = defaults->second.find(flagName);
    if (fallback == defaults->second.end()) {
      // Only flags registered with a default can be looked up at all.
      monitor()->logWithLevel(LogLevel::kWarning, messages::kUnregisteredFlag, "Cannot get flag for unregistered flag. SDK name, flag name", Value(sdkName),
                             Value(flagName));
      return;
    }
    auto valueIn = [&](const std::map<std::string, ExperimentSnapshot>& snapshots) {
      auto found = snapshots.find(sdkName);
      if (found == snapshots.end()) return Value();
      auto flag = found->second.flagByName(flagName);
      return experimentFlagValue(flag.get());
    };
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kLookingForActivatedFlag, "Looking for activated flag. SDK name, flag name, activated snapshot",
                           Value(sdkName), Value(flagName));
    result = valueIn(self.activatedSnapshotsBySDKName_);
    if (!result.isNil()) return;
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kLookingForLaunchedFlag,
                           "Cannot find activated flag. Looking for launched flag. SDK name, flag name, launched flag",
                           Value(sdkName), Value(flagName));
    result = valueIn(self.launchedSnapshotsBySDKName_);
    if (!result.isNil() || !orDefault) return;
    result = experimentFlagValue(fallback->second.get());
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kDefaultFlagReturned,
                           "Cannot find launched flag. Returned the default flag value. SDK name, flag name, default flag",
                           Value(sdkName), Value(flagName), result);
  });
  return result;
}

bool ExperimentsManager::hasPendingSnapshotOfSDK(const std::string& sdkName) {
  bool pending = false;
  dispatchSyncOnSerialQueue([&](ExperimentsManager& self) { pending = self.pendingSnapshotsBySDKName_.contains(sdkName); });
  return pending;
}

platform::foundation::ErrorOr<bool> ExperimentsManager::activateSnapshotOfSDK(const std::string& sdkName) {
  if (sdkName.empty()) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kActivationWithoutSDKName, "Cannot activate a pending snapshot for an empty SDK name");
    return measurementErrorWithCode(1, "SDK name cannot be empty");
  }
  bool activated = false;
  dispatchSyncOnSerialQueue([&](ExperimentsManager& self) {
    auto pending = self.pendingSnapshotsBySDKName_.find(sdkName);
    if (pending == self.pendingSnapshotsBySDKName_.end()) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kNoPendingSnapshotToActivate, "No pending snapshot to activate. SDK name", Value(sdkName));
      return;
    }
    // The same split the database makes: experiment 0 is the launched one, the rest are in force.
    // Experiments without flags are kept, so the IDs in force match what the next start reads back.
    std::vector<Experiment> inForce;
    for (const Experiment& experiment : pending->second.experiments()) {
      if (experiment.experimentID() == 0) {
        if (auto launched = ExperimentSnapshot::initWithSDKName(sdkName, {experiment})) {
          self.launchedSnapshotsBySDKName_.insert_or_assign(sdkName, *launched);
        }
      } else {
        inForce.push_back(experiment);
      }
    }
    auto snapshot = ExperimentSnapshot::initWithSDKName(sdkName, inForce);
    if (!snapshot) return;
    self.activatedSnapshotsBySDKName_.insert_or_assign(sdkName, *snapshot);
    ExperimentSnapshot written = pending->second;
    self.pendingSnapshotsBySDKName_.erase(pending);
    self.taskManager_->activatePendingSnapshot(written, snapshot->timestamp());
    activated = true;
  });
  if (activated) monitor()->logWithLevel(LogLevel::kVerbose, messages::kSnapshotActivated, "Successfully activated a snapshot of SDK", Value(sdkName));
  return activated;
}

std::int64_t ExperimentsManager::activatedSnapshotStatusOfSDKName(const std::string& sdkName) {
  if (sdkName.empty()) {
    monitor()->logWithLevel(LogLevel::kError, messages::kActivationCheckWithoutSDKName, "Cannot check activated snapshot for empty SDK Name");
    return -1;
  }
  std::int64_t status = -1;
  dispatchSyncOnSerialQueue([&](ExperimentsManager& self) {
    if (!self.registeredClientsBySDKName_.objectForKey(sdkName)) return;
    auto activated = self.activatedSnapshotsBySDKName_.find(sdkName);
    if (activated == self.activatedSnapshotsBySDKName_.end() ||
        activated->second.timestamp() <= ExperimentsTaskManager::kEpsilon) {
      status = -2;
      return;
    }
    double age = std::fabs(activated->second.timestamp() - platform::foundation::Clock::current()->now());
    status = age > kStaleActivatedAge ? 1 : 0;
  });
  return status;
}

void ExperimentsManager::resetToDefaultsOfSDKName(const std::string& sdkName) {
  if (sdkName.empty()) {
    monitor()->logWithLevel(LogLevel::kError, messages::kResetWithoutSDKName, "Cannot reset to defaults for empty SDK Name");
    return;
  }
  dispatchSyncOnSerialQueue([&](ExperimentsManager& self) {
    if (self.activatedSnapshotsBySDKName_.erase(sdkName) == 0) {
      monitor()->logWithLevel(LogLevel::kError, messages::kResetOfUnregisteredSDK, "Cannot reset to defaults for unregistered SDK name", Value(sdkName));
      return;
    }
    self.taskManager_->resetToDefaultsForSDKName(sdkName);
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kExperimentsResetToDefault, "Reset all experiments to default. SDK name", Value(sdkName));
  });
}

void ExperimentsManager::reset() {
  dispatchAsyncOnSerialQueue([](ExperimentsManager& self) {
    self.taskManager_->reset();
    self.activatedSnapshotsBySDKName_.clear();
    self.pendingSnapshotsBySDKName_.clear();
    self.launchedSnapshotsBySDKName_.clear();
  });
}

// The experiments manager as its task manager's delegate: what a start, a fetch and a rewrite of
// pending rows change in memory, and which SDKs hear of it.

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

