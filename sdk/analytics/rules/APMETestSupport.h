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
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMFiles.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "sdk/analytics/foundation/APMUserDefaults.h"
#include "sdk/analytics/rules/APMEDatabase.h"
#include "sdk/analytics/rules/APMEFlag.h"
#include "sdk/analytics/rules/APMETaskManager.h"
#include "sdk/utilities/VDUGzip.h"
#include "sdk/utilities/ZURAridire.h"
#include "testing/LoopbackServer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {}

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

inline std::shared_ptr<APMPBSnapshot> snapshotMessage(
    const std::string& sdkName, const std::vector<std::pair<std::int32_t, std::map<std::string, platform::foundation::Value>>>& experiments) {
  auto snapshot = APMPBSnapshot::make();
  if (!sdkName.empty()) APMNanoSetString(*snapshot, 0, sdkName);
  for (const auto& [id, flags] : experiments) {
    auto experiment = APMPBExperiment::make();
    APMNanoSetInt32(*experiment, 0, id);
    for (const auto& [name, value] : flags) {
      APMNanoAddMessage(*experiment, 1, *APMEFlagFromNameAndValue(platform::foundation::Value(name), value));
    }
    APMNanoAddMessage(*snapshot, 1, *experiment);
  }
  return snapshot;
}

inline std::shared_ptr<APMPBSdkResponse> sdkResponse(const std::string& sdkName, std::int32_t code,
                                                     std::shared_ptr<APMPBSnapshot> snapshot = nullptr) {
  auto part = APMPBSdkResponse::make();
  APMNanoSetString(*part, 0, sdkName);
  APMNanoSetInt32(*part, 1, code);
  if (snapshot) APMNanoSetMessage(*part, 2, snapshot.get());
  return part;
}

// The body the experiments service sends: the encoded answer, gzip-compressed.
inline std::string gzippedBody(const APMNanoMessage& message) {
  auto bytes = message.protoBuffer();
  auto gzipped = VDUGzip::vdu_dataByGzippingData(bytes, nullptr);
  return gzipped ? std::string(gzipped->begin(), gzipped->end()) : std::string();
}

// Records what the task manager reports; every report wakes the main loop.
class RecordingTaskManagerDelegate : public APMETaskManagerDelegate {
 public:
  bool taskManagerShouldFetchExperiments(APMETaskManager&) override {
    ++questions;
    platform::dispatch::MainLoop::wakeUp();
    return shouldFetch;
  }
  void taskManagerDidStartWithActivatedSnapshots(APMETaskManager&, const std::vector<APMESnapshot>& a,
                                                 const std::vector<APMESnapshot>& p,
                                                 const std::vector<APMESnapshot>& l) override {
    std::lock_guard lock(mutex);
    activated = a, pending = p, launched = l;
    ++starts;
    platform::dispatch::MainLoop::wakeUp();
  }
  void taskManagerDidFinishFetchingExperimentSnapshots(
      APMETaskManager&, const std::vector<APMESnapshot>& snapshots,
      const std::map<std::string, platform::foundation::Error>& errors) override {
    std::lock_guard lock(mutex);
    fetched = snapshots, fetchErrors = errors;
    ++finishes;
    platform::dispatch::MainLoop::wakeUp();
  }
  void taskManagerDidUpsertPendingSnapshots(APMETaskManager&, const std::vector<APMESnapshot>& snapshots) override {
    std::lock_guard lock(mutex);
    upserted = snapshots;
    platform::dispatch::MainLoop::wakeUp();
  }

  std::atomic<bool> shouldFetch{true};
  std::atomic<int> questions{0}, starts{0}, finishes{0};
  std::mutex mutex;
  std::vector<APMESnapshot> activated, pending, launched, fetched, upserted;
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

  std::shared_ptr<APMETaskManager> makeTaskManager(const std::string& databasePath = {},
                                                  std::optional<std::string> endpoint = std::nullopt) {
    auto queue = platform::dispatch::Queue::serial(APMETaskManager::kWorkerQueueLabel);
    taskManager = APMETaskManager::initWithQueue(
        queue, std::make_shared<APMAlarm>(queue, APMETaskManager::kAlarmName),
        ZURAridire::initWithReachabilityHost("127.0.0.1"),
        std::make_shared<APMUserDefaults>(APMETaskManager::kSuiteName),
        databasePath.empty() ? APMMeasurementDirectoryFilePath(APMEDatabase::kDatabaseName) : databasePath,
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
  std::shared_ptr<APMETaskManager> taskManager;
};

}  // namespace ostrel::testing
