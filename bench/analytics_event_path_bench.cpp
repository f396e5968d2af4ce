// 10,000 logged events taken to stored raw events (defaults, validation, handling, daily limits and
// the raw-event write, one transaction per event), once from the engine's worker-queue entry and
// once through the whole road an app's call takes (the facade's queues, the engine's entries, its
// worker queue), beside the same number of raw-event inserts made directly with SQLite in one
// transaction each under the same journal and sync settings, in the same run; and the two paths in
// alternating turns, for a ratio of the facade's path to the engine's that the machine's moods leave
// alone.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/RawEventInserts.h"
#include "bench/InTurns.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/EventPipelineTestSupport.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using ostrel::bench::TurnTimes;

constexpr int kEvents = 10000;

platform::foundation::Dictionary sampleParameters(int i) {
  return {{"level", platform::foundation::Value(i)}, {"character", platform::foundation::Value("hero")},
          {"score", platform::foundation::Value(i * 1.5)}};
}

// The engine's worker-queue entry over its own database, as the engine's own event path sees it.
class EngineLane {
 public:
  EngineLane() { host_->handler = &handler_; }

  void logEvents(int count) {
    for (int i = 0; i < count; ++i) {
      sdk::analytics::LoggedEvent logged;
      logged.origin = "app";
      logged.isPublicEvent = true;
      logged.name = "level_up";
      logged.parameters = sampleParameters(i);
      logged.timestamp = 1700000000.0 + i;
      logged.enabled = true;
      host_->scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2166",
                                                      [this, logged] { router_.logEventOnWorkerQueue(logged); });
    }
    host_->scheduler_->dispatchSyncOnWorkerQueueBlockID("bench", [] {});
  }

 private:
  static std::shared_ptr<ostrel::testing::PipelineHost> makeHost() {
    auto host = std::make_shared<ostrel::testing::PipelineHost>();
    host->database_ =
        sdk::analytics::MeasurementDatabase::initWithDatabaseName("bench.sql", host->persisted).valueOr(nullptr);
    return host;
  }

  std::shared_ptr<ostrel::testing::PipelineHost> host_ = makeHost();
  sdk::analytics::EventHandler handler_{*host_, host_->database_, nullptr, host_};
  sdk::analytics::DefaultEventParameters defaults_{host_->persisted};
  sdk::analytics::LoggedEventRouter router_{*host_, handler_, defaults_};
};

// The app's own call, Analytics::logEventWithName, over a started facade and a real engine whose
// components are built before the clock starts.
class FacadeLane {
 public:
  FacadeLane() {
    sdk::analytics::Analytics::resetForTesting();
    sdk::analytics::Analytics::setIdentityForTesting(sdk::analytics::Identity::initWithPersistedConfig(persisted_));
    sdk::analytics::Analytics::setEngineAccess(
        {[this](const std::string& appID, bool enabled, bool deactivated, const std::vector<std::string>& safelist) {
           sdk::analytics::MeasurementEngine::Parts parts;
           parts.persistedConfig = persisted_;
           parts.scheduler =
               std::make_shared<sdk::analytics::Scheduler>(sdk::analytics::MeasurementEngine::kWorkerQueueLabel);
           parts.alarm = std::make_shared<sdk::analytics::Alarm>(parts.scheduler->workerQueue(),
                                                                 sdk::analytics::MeasurementEngine::kAlarmName);
           parts.identity = sdk::analytics::Identity::initWithPersistedConfig(persisted_);
           engine_ = sdk::analytics::MeasurementEngine::initWithParts(parts, appID, enabled, deactivated, safelist);
         },
         [this]() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return engine_; }});
    sdk::analytics::Analytics::startWithAppID("1:100000000001:ios:0123456789abcdef", "fa", {});
    untilStored();
  }
  ~FacadeLane() { sdk::analytics::Analytics::resetForTesting(); }

  bool started() const { return engine_ != nullptr; }

  void logEvents(int count) {
    for (int i = 0; i < count; ++i) sdk::analytics::Analytics::logEventWithName("level_up", sampleParameters(i));
    untilStored();
    logged_ += count;
  }

  // The start's own events (first open, session) are stored beside them.
  bool storedEveryEvent() const {
    auto rows = engine_->database()->store().recordsForQuery(
        "SELECT count(*) AS n FROM raw_events WHERE name = 'level_up'", {});
    return rows && !rows->empty() && rows->front().at("n").toInt64() == logged_;
  }

 private:
  void untilStored() {
    sdk::analytics::Analytics::drainForTesting();
    if (engine_) engine_->scheduler()->dispatchSyncOnWorkerQueueBlockID("bench", [] {});
  }

  ostrel::testing::MainThreadEnvironment environment_;
  std::shared_ptr<sdk::analytics::PersistedConfig> persisted_ = std::make_shared<sdk::analytics::PersistedConfig>();
  std::shared_ptr<sdk::analytics::MeasurementEngine> engine_;
  std::int64_t logged_ = 0;
};

void BM_EngineLogEventsToRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  EngineLane engine;
  for (auto _ : state) engine.logEvents(kEvents);
  state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_FacadeLogEventsToRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  FacadeLane facade;
  if (!facade.started()) return state.SkipWithError("the facade made no engine");
  for (auto _ : state) facade.logEvents(kEvents);
  if (!facade.storedEveryEvent()) state.SkipWithError("not every event was stored");
  state.SetItemsProcessed(state.iterations() * kEvents);
}

// The two paths above in turns of 1,000 events, each turn's order swapped, so both meet the same
// machine: "facade_over_engine" is the median of the turns' ratios of wall time, "cpu_" of process
// CPU time (the facade's work runs on several threads).
void BM_FacadeBesideEngineInTurns(benchmark::State& state) {
  constexpr int kTurn = 1000;
  ostrel::testing::TempContainer container;
  EngineLane engine;
  FacadeLane facade;
  if (!facade.started()) return state.SkipWithError("the facade made no engine");
  std::vector<double> wall, cpu;
  for (auto _ : state) {
    for (const auto& [facadeTimes, engineTimes] :
         TurnTimes::alternate(kEvents / kTurn, [&] { facade.logEvents(kTurn); }, [&] { engine.logEvents(kTurn); })) {
      wall.push_back(facadeTimes.wall / engineTimes.wall);
      cpu.push_back(facadeTimes.cpu / engineTimes.cpu);
    }
  }
  if (!facade.storedEveryEvent()) state.SkipWithError("not every event was stored");
  state.counters["facade_over_engine"] = ostrel::bench::median(wall);
  state.counters["cpu_facade_over_engine"] = ostrel::bench::median(cpu);
  state.SetItemsProcessed(state.iterations() * kEvents * 2);
}

void BM_SqliteInsertRawEvents(benchmark::State& state) {
  std::vector<platform::foundation::Data> encoded;
  for (int i = 0; i < kEvents; ++i) {
    auto event = sdk::analytics::AnalyticsEvent::create("app", true, "level_up", 1700000000.0 + i, 0,
                                  {{"level", sdk::analytics::AnalyticsValue(std::int64_t{i})}, {"character", sdk::analytics::AnalyticsValue("hero")},
                                   {"score", sdk::analytics::AnalyticsValue(i * 1.5)}});
    encoded.push_back(sdk::analytics::makeProtoEvent(*event)->protoBuffer());
  }
  ostrel::bench::insertRawEventsWithSqlite(state, encoded);
}

BENCHMARK(BM_EngineLogEventsToRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FacadeLogEventsToRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FacadeBesideEngineInTurns)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsertRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
