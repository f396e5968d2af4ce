// Raw events stored through the measurement database, one transaction per event as the engine writes
// them, beside the same inserts made directly with SQLite (a statement prepared once, the same
// journal and sync settings), 10,000 events each, in the same run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>

#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMProtoConversions.h"
#include "testing/TempContainer.h"

namespace {

constexpr int kEvents = 10000;

APMEvent sampleEvent(int i) {
  return *APMEvent::create("app", true, "level_up", 1700000000.0 + i, 0,
                           {{"_o", APMValue("app")}, {"level", APMValue(std::int64_t{i})}, {"character", APMValue("hero")},
                            {"score", APMValue(i * 1.5)}});
}

void BM_DatabaseInsertRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  auto database = APMDatabase::initWithDatabaseName("bench.sql", std::make_shared<APMPersistedConfig>(), nullptr);
  std::vector<APMEvent> events;
  for (int i = 0; i < kEvents; ++i) events.push_back(sampleEvent(i));
  for (auto _ : state) {
    for (const APMEvent& event : events) {
      bool stored = database->performTransaction([&] { return database->insertRawEvent(event, 42, false, nullptr); });
      benchmark::DoNotOptimize(stored);
    }
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_SqliteInsertRawEvents(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  std::string path = container.pathFor("raw.sql");
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
  sqlite3_exec(db,
               "CREATE TABLE raw_events (name TEXT NOT NULL, timestamp REAL NOT NULL, metadata_fingerprint INTEGER NOT "
               "NULL, data BLOB NOT NULL, realtime INTEGER NOT NULL)",
               nullptr, nullptr, nullptr);
  // The same bytes as the database stores, encoded beforehand: only the storage is measured here.
  std::vector<platform::foundation::Data> encoded;
  for (int i = 0; i < kEvents; ++i) encoded.push_back(APMProtoEvent(sampleEvent(i))->protoBuffer());
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO raw_events VALUES ('level_up', ?, 42, ?, 0)", -1, &insert, nullptr);
  for (auto _ : state) {
    for (int i = 0; i < kEvents; ++i) {
      sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr);
      sqlite3_bind_double(insert, 1, 1700000000.0 + i);
      sqlite3_bind_blob(insert, 2, encoded[i].data(), static_cast<int>(encoded[i].size()), SQLITE_STATIC);
      benchmark::DoNotOptimize(sqlite3_step(insert));
      sqlite3_reset(insert);
      sqlite3_exec(db, "END TRANSACTION", nullptr, nullptr, nullptr);
    }
  }
  sqlite3_finalize(insert);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kEvents);
}

BENCHMARK(BM_DatabaseInsertRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsertRawEvents)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
