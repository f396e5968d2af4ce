// 10,000 logged events taken to stored raw events (defaults, validation, handling, daily limits and
// the raw-event write, one transaction per event), once from the engine's worker-queue entry and
// once through the whole road an app's call takes (the facade's queues, the engine's entries, its
// worker queue), beside the same number of raw-event inserts made directly with SQLite in one
// transaction each under the same journal and sync settings, in the same run.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/RawEventInserts.h"
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

constexpr int kEvents = 10000;

platform::foundation::Dictionary sampleParameters(int i) {
  return {{"level", platform::foundation::Value(i)}, {"character", platform::foundation::Value("hero")},
          {"score", platform::foundation::Value(i * 1.5)}};
}

void BM_EngineLogEventsToRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  auto host = std::make_shared<ostrel::testing::PipelineHost>();
  host->database_ =
      sdk::analytics::MeasurementDatabase::initWithDatabaseName("bench.sql", host->persisted).valueOr(nullptr);
  sdk::analytics::EventHandler handler(*host, host->database_, nullptr);
  host->handler = &handler;
  sdk::analytics::DefaultEventParameters defaults(host->persisted);
  sdk::analytics::LoggedEventRouter router(*host, handler, defaults);
  for (auto _ : state) {
    for (int i = 0; i < kEvents; ++i) {
      sdk::analytics::LoggedEvent logged;
      logged.origin = "app";
      logged.isPublicEvent = true;
      logged.name = "level_up";
      logged.parameters = sampleParameters(i);
      logged.timestamp = 1700000000.0 + i;
      logged.enabled = true;
      host->scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2166",
                                                     [&router, logged] { router.logEventOnWorkerQueue(logged); });
    }
    host->scheduler_->dispatchSyncOnWorkerQueueBlockID("bench", [] {});
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

// The app's own call, Analytics::logEventWithName, over a started facade and a real engine whose
// components are built before the clock starts.
void BM_FacadeLogEventsToRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  auto persisted = std::make_shared<sdk::analytics::PersistedConfig>();
  std::shared_ptr<sdk::analytics::MeasurementEngine> engine;
  sdk::analytics::Analytics::resetForTesting();
  sdk::analytics::Analytics::setIdentityForTesting(sdk::analytics::Identity::initWithPersistedConfig(persisted));
  sdk::analytics::Analytics::setEngineAccess(
      {[&](const std::string& appID, bool enabled, bool deactivated, const std::vector<std::string>& safelist) {
         sdk::analytics::MeasurementEngine::Parts parts;
         parts.persistedConfig = persisted;
         parts.scheduler = std::make_shared<sdk::analytics::Scheduler>(sdk::analytics::MeasurementEngine::kWorkerQueueLabel);
         parts.alarm = std::make_shared<sdk::analytics::Alarm>(parts.scheduler->workerQueue(), sdk::analytics::MeasurementEngine::kAlarmName);
         parts.identity = sdk::analytics::Identity::initWithPersistedConfig(persisted);
         engine = sdk::analytics::MeasurementEngine::initWithParts(parts, appID, enabled, deactivated, safelist);
       },
       [&]() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return engine; }});
  sdk::analytics::Analytics::startWithAppID("1:100000000001:ios:0123456789abcdef", "fa", {});
  sdk::analytics::Analytics::drainForTesting();
  if (!engine) {
    state.SkipWithError("the facade made no engine");
    return;
  }
  auto untilStored = [&] {
    sdk::analytics::Analytics::drainForTesting();
    engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("bench", [] {});
  };
  untilStored();
  for (auto _ : state) {
    for (int i = 0; i < kEvents; ++i) sdk::analytics::Analytics::logEventWithName("level_up", sampleParameters(i));
    untilStored();
  }
  // The start's own events (first open, session) are stored beside them.
  auto rows =
      engine->database()->store().recordsForQuery("SELECT count(*) AS n FROM raw_events WHERE name = 'level_up'", {});
  if (!rows || rows->empty() || rows->front().at("n").toInt64() != kEvents * state.iterations()) {
    state.SkipWithError("not every event was stored");
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
  sdk::analytics::Analytics::resetForTesting();
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
BENCHMARK(BM_SqliteInsertRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
