// Raw events stored through the measurement database, one transaction per event as the engine writes
// them, beside the same inserts made directly with SQLite (a statement prepared once, the same
// journal and sync settings), 10,000 events each, in the same run.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/RawEventInserts.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "testing/TempContainer.h"

namespace {

constexpr int kEvents = 10000;

sdk::analytics::AnalyticsEvent sampleEvent(int i) {
  return *sdk::analytics::AnalyticsEvent::create("app", true, "level_up", 1700000000.0 + i, 0,
                           {{"_o", sdk::analytics::AnalyticsValue("app")}, {"level", sdk::analytics::AnalyticsValue(std::int64_t{i})}, {"character", sdk::analytics::AnalyticsValue("hero")},
                            {"score", sdk::analytics::AnalyticsValue(i * 1.5)}});
}

void BM_DatabaseInsertRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  auto database = sdk::analytics::MeasurementDatabase::initWithDatabaseName(
                      "bench.sql", std::make_shared<sdk::analytics::PersistedConfig>())
                      .valueOr(nullptr);
  std::vector<sdk::analytics::AnalyticsEvent> events;
  for (int i = 0; i < kEvents; ++i) events.push_back(sampleEvent(i));
  for (auto _ : state) {
    for (const sdk::analytics::AnalyticsEvent& event : events) {
      bool stored = database->performTransaction([&] { return database->insertRawEvent(event, 42, false).ok(); });
      benchmark::DoNotOptimize(stored);
    }
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_SqliteInsertRawEvents(benchmark::State& state) {
  std::vector<platform::foundation::Data> encoded;
  for (int i = 0; i < kEvents; ++i) encoded.push_back(sdk::analytics::makeProtoEvent(sampleEvent(i))->protoBuffer());
  ostrel::bench::insertRawEventsWithSqlite(state, encoded);
}

BENCHMARK(BM_DatabaseInsertRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsertRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
