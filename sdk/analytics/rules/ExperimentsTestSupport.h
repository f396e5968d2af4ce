#pragma once

// Shared by the experiments tests: a task manager wired to a loopback experiments service on the
// manual clock, and builders for the service's answers.

#include <atomic>
#include <chrono>
#include <thread>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/rules/ExperimentsDatabase.h"
#include "sdk/analytics/rules/ExperimentFlag.h"
#include "sdk/analytics/rules/ExperimentsTaskManager.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/HTTPClient.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

inline std::shared_ptr<sdk::analytics::ProtoSnapshot> snapshotMessage(
    const std::string& sdkName, const std::vector<std::pair<std::int32_t, std::map<std::string, platform::foundation::Value>>>& experiments) {
  auto snapshot = sdk::analytics::ProtoSnapshot::make();
  if (!sdkName.empty()) sdk::analytics::nanoSetString(*snapshot, 0, sdkName);
  for (const auto& [id, flags] : experiments) {
    auto experiment = sdk::analytics::ProtoExperiment::make();
    sdk::analytics::nanoSetInt32(*experiment, 0, id);
    for (const auto& [name, value] : flags) {
      sdk::analytics::nanoAddMessage(*experiment, 1, *sdk::analytics::experimentFlagFromNameAndValue(platform::foundation::Value(name), value));
    }
    sdk::analytics::nanoAddMessage(*snapshot, 1, *experiment);
  }
  return snapshot;
}

inline std::shared_ptr<sdk::analytics::ProtoSDKResponse> sdkResponse(const std::string& sdkName, std::int32_t code,
                                                     std::shared_ptr<sdk::analytics::ProtoSnapshot> snapshot = nullptr) {
  auto part = sdk::analytics::ProtoSDKResponse::make();
  sdk::analytics::nanoSetString(*part, 0, sdkName);
  sdk::analytics::nanoSetInt32(*part, 1, code);
  if (snapshot) sdk::analytics::nanoSetMessage(*part, 2, snapshot.get());
  return part;
}

// The body the experiments service sends: the encoded answer, gzip-compressed.
inline std::string gzippedBody(const sdk::analytics::NanoMessage& message) {
  auto bytes = message.protoBuffer();
  auto gzipped = sdk::utilities::Gzip::dataByGzippingData(bytes);
  return gzipped.ok() ? std::string(gzipped->begin(), gzipped->end()) : std::string();
}

// Records what the task manager reports; every report wakes the main loop.
class RecordingTaskManagerDelegate : public sdk::analytics::ExperimentsTaskManagerDelegate {
 public:
  bool taskManagerShouldFetchExperiments(sdk::analytics::ExperimentsTaskManager&) override {
    ++questions;
    platform::dispatch::MainLoop::wakeUp();
    return shouldFetch;
  }
  void taskManagerDidStartWithActivatedSnapshots(sdk::analytics::ExperimentsTaskManager&, const std::vector<sdk::analytics::ExperimentSnapshot>& a,
                                                 const std::vector<sdk::analytics::ExperimentSnapshot>& p,
                                                 const std::vector<sdk::analytics::ExperimentSnapshot>& l) override {
    std::lock_guard lock(mutex);
    activated = a, pending = p, launched = l;
    ++starts;
    platform::dispatch::MainLoop::wakeUp();
  }
  void taskManagerDidFinishFetchingExperimentSnapshots(
      sdk::analytics::ExperimentsTaskManager&, const std::vector<sdk::analytics::ExperimentSnapshot>& snapshots,
      const std::map<std::string, platform::foundation::Error>& errors) override {
    std::lock_guard lock(mutex);
    fetched = snapshots, fetchErrors = errors;
    ++finishes;
    platform::dispatch::MainLoop::wakeUp();
  }
  void taskManagerDidUpsertPendingSnapshots(sdk::analytics::ExperimentsTaskManager&, const std::vector<sdk::analytics::ExperimentSnapshot>& snapshots) override {
    std::lock_guard lock(mutex);
    upserted = snapshots;
    platform::dispatch::MainLoop::wakeUp();
  }

  std::atomic<bool> shouldFetch{true};
  std::atomic<int> questions{0}, starts{0}, finishes{0};
  std::mutex mutex;
  std::vector<sdk::analytics::ExperimentSnapshot> activated, pending, launched, fetched, upserted;
  std::map<std::string, platform::foundation::Error> fetchErrors;
};

// A task manager over a real database in a temporary container, the manual clock and a loopback
// experiments service.
class TaskManagerEnvironment {
 public:
  explicit TaskManagerEnvironment(const std::vector<std::string>& launchArguments = {"-APMAnalyticsVerboseLoggingEnabled"})
      : scope(launchArguments) {}
  ~TaskManagerEnvironment() {
    if (taskManager) taskManager->workerQueue()->sync([] {});
  }

  std::shared_ptr<sdk::analytics::ExperimentsTaskManager> makeTaskManager(const std::string& databasePath = {},
                                                  std::optional<std::string> endpoint = std::nullopt) {
    auto queue = platform::dispatch::Queue::serial(sdk::analytics::ExperimentsTaskManager::kWorkerQueueLabel);
    taskManager = sdk::analytics::ExperimentsTaskManager::initWithQueue(
        queue, std::make_shared<sdk::analytics::Alarm>(queue, sdk::analytics::ExperimentsTaskManager::kAlarmName),
        sdk::utilities::HTTPClient::initWithReachabilityHost("127.0.0.1"),
        std::make_shared<sdk::analytics::UserDefaultsSuite>(sdk::analytics::ExperimentsTaskManager::kSuiteName),
        databasePath.empty() ? sdk::analytics::measurementDirectoryFilePath(sdk::analytics::ExperimentsDatabase::kDatabaseName) : databasePath,
        environment.clock()->now(), endpoint.value_or("http://127.0.0.1:" + std::to_string(server.port())));
    return taskManager;
  }

  double now() const { return environment.clock()->now(); }
  double stamp(const char* key) const { return taskManager->persistedStorage()->doubleForKey(key); }
  std::optional<double> alarmTime() const { return taskManager->alarm()->scheduledTimestamp(); }
  // Lets the worker queue finish what it was given.
  void settle() const { taskManager->workerQueue()->sync([] {}); }
  // Runs the main loop until `predicate` holds (with a generous safety net on the steady clock).
  static bool until(const std::function<bool()>& predicate) {
    return platform::dispatch::MainLoop::runUntil(predicate, 20);
  }
  // For what nothing reports: checks `predicate` until it holds, running the main queue in between
  // (the network's session reports through it; the safety net is the steady clock again).
  static bool spinUntil(const std::function<bool()>& predicate) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!predicate()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      if (!platform::dispatch::MainLoop::runOnce()) std::this_thread::yield();
    }
    return true;
  }

  MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::LoopbackServer server;
  std::shared_ptr<sdk::analytics::ExperimentsTaskManager> taskManager;
};

}  // namespace ostrel::testing
