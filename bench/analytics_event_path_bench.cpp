// 10,000 logged events taken to stored raw events (defaults, validation, handling, daily limits and
// the raw-event write, one transaction per event), once from the engine's worker-queue entry and
// once through the whole road an app's call takes (the facade's queues, the engine's entries, its
// worker queue), beside the same number of raw-event inserts made directly with SQLite in one
// transaction each under the same journal and sync settings, in the same run.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/RawEventInserts.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/EventPipelineTestHost.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMProtoConversions.h"
#include "sdk/analytics/foundation/APMScheduler.h"
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
  host->database_ = APMDatabase::initWithDatabaseName("bench.sql", host->persisted, nullptr);
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

// The app's own call, APMAnalytics::logEventWithName, over a started facade and a real engine whose
// components are built before the clock starts.
void BM_FacadeLogEventsToRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  auto persisted = std::make_shared<APMPersistedConfig>();
  std::shared_ptr<APMMeasurement> engine;
  APMAnalytics::resetForTesting();
  APMAnalytics::setIdentityForTesting(APMIdentity::initWithPersistedConfig(persisted));
  APMAnalytics::setEngineAccess(
      {[&](const std::string& appID, bool enabled, bool deactivated, const std::vector<std::string>& safelist) {
         APMMeasurement::Parts parts;
         parts.persistedConfig = persisted;
         parts.scheduler = std::make_shared<APMScheduler>(APMMeasurement::kWorkerQueueLabel);
         parts.alarm = std::make_shared<APMAlarm>(parts.scheduler->workerQueue(), APMMeasurement::kAlarmName);
         parts.identity = APMIdentity::initWithPersistedConfig(persisted);
         engine = APMMeasurement::initWithParts(parts, appID, enabled, deactivated, safelist);
       },
       [&]() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return engine; }});
  APMAnalytics::startWithAppID("1:100000000001:ios:0123456789abcdef", "fa", {});
  APMAnalytics::drainForTesting();
  if (!engine) {
    state.SkipWithError("the facade made no engine");
    return;
  }
  auto untilStored = [&] {
    APMAnalytics::drainForTesting();
    engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("bench", [] {});
  };
  untilStored();
  for (auto _ : state) {
    for (int i = 0; i < kEvents; ++i) APMAnalytics::logEventWithName("level_up", sampleParameters(i));
    untilStored();
  }
  platform::foundation::Error error;
  // The start's own events (first open, session) are stored beside them.
  auto rows = engine->database()->store().recordsForQuery(
      "SELECT count(*) AS n FROM raw_events WHERE name = 'level_up'", {}, &error);
  if (!rows || rows->empty() || rows->front().at("n").toInt64() != kEvents * state.iterations()) {
    state.SkipWithError("not every event was stored");
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
  APMAnalytics::resetForTesting();
}

void BM_SqliteInsertRawEvents(benchmark::State& state) {
  std::vector<platform::foundation::Data> encoded;
  for (int i = 0; i < kEvents; ++i) {
    auto event = APMEvent::create("app", true, "level_up", 1700000000.0 + i, 0,
                                  {{"level", APMValue(std::int64_t{i})}, {"character", APMValue("hero")},
                                   {"score", APMValue(i * 1.5)}});
    encoded.push_back(APMProtoEvent(*event)->protoBuffer());
  }
  ostrel::bench::insertRawEventsWithSqlite(state, encoded);
}

BENCHMARK(BM_EngineLogEventsToRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FacadeLogEventsToRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsertRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
