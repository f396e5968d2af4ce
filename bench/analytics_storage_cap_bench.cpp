// Logged events at the raw-event store's cap (100,000 stored events, the default) beside events below
// it, through the engine's worker-queue entry (defaults, validation, handling, daily limits, the cap
// and the raw-event write, one transaction per event), and the same pair done directly with SQLite:
// an insert, and at the cap an insert that first deletes the oldest row, one exclusive transaction
// each under the store's journal and sync settings.
//
// The two stores are filled before the clock starts (90,000 and 100,000 events) and then take turns
// of 200 events, each turn's order swapped, so both meet the same machine. Counters: the medians of
// the turns' ratios, past the cap over below it, in wall time and in process CPU time ("cpu_"), for
// the engine and for SQLite, and the median wall time of one event below and past the cap ("_us").
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "bench/InTurns.h"
#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/EventPipelineTestSupport.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Value;

constexpr int kCap = 100000;
constexpr int kBelowCap = 90000;
constexpr int kTurns = 10;
constexpr int kTurnEvents = 200;

platform::foundation::Data sampleEventBytes() {
  auto event = sdk::analytics::AnalyticsEvent::create(
      "app", true, "level_up", 1700000000.0, 0,
      {{"level", sdk::analytics::AnalyticsValue(std::int64_t{7})}, {"character", sdk::analytics::AnalyticsValue("hero")},
       {"score", sdk::analytics::AnalyticsValue(10.5)}});
  return sdk::analytics::makeProtoEvent(*event)->protoBuffer();
}

using ostrel::bench::TurnTimes;

// Runs `below` and `past` in alternating turns (the first turn of each unmeasured) and reports the
// median ratios of past over below under `name`, and the median wall time of an event of each.
void reportTurns(benchmark::State& state, const std::string& name, const std::function<void()>& below,
                 const std::function<void()>& past) {
  below();
  past();
  std::vector<double> wall, cpu, belowMicroseconds, pastMicroseconds;
  for (const auto& [pastTimes, belowTimes] : TurnTimes::alternate(kTurns, past, below)) {
    wall.push_back(pastTimes.wall / belowTimes.wall);
    cpu.push_back(pastTimes.cpu / belowTimes.cpu);
    belowMicroseconds.push_back(belowTimes.wall * 1e6 / kTurnEvents);
    pastMicroseconds.push_back(pastTimes.wall * 1e6 / kTurnEvents);
  }
  state.counters[name + "below_us"] = ostrel::bench::median(belowMicroseconds);
  state.counters[name + "past_us"] = ostrel::bench::median(pastMicroseconds);
  state.counters[name + "past_over_below"] = ostrel::bench::median(wall);
  state.counters["cpu_" + name + "past_over_below"] = ostrel::bench::median(cpu);
}

// The engine's event path over its own store, filled with `stored` events before it starts.
class EngineLane {
 public:
  EngineLane(const std::string& name, int stored) {
    host_->database_ =
        sdk::analytics::MeasurementDatabase::initWithDatabaseName(name, host_->persisted).valueOr(nullptr);
    host_->maxEvents = 1000000;  // the daily limits stay out of the way
    host_->maxPublicEvents = 1000000;
    handler_ = std::make_unique<sdk::analytics::EventHandler>(*host_, host_->database_, nullptr, host_);
    host_->handler = handler_.get();
    router_ = std::make_unique<sdk::analytics::LoggedEventRouter>(*host_, *handler_, defaults_);
    const auto bytes = sampleEventBytes();
    (void)host_->database_->performTransaction([&] {
      return host_->database_->store()
          .executeStatement("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                            "INSERT INTO raw_events (name, timestamp, metadata_fingerprint, data, realtime) "
                            "SELECT 'level_up', 1690000000 + i, 42, ?, 0 FROM n",
                            {Value(std::int64_t{stored}), Value::data(bytes)})
          .ok();
    });
  }

  void logEvents() {
    for (int i = 0; i < kTurnEvents; ++i) {
      sdk::analytics::LoggedEvent logged;
      logged.origin = "app";
      logged.isPublicEvent = true;
      logged.name = "level_up";
      logged.parameters = {{"level", Value(i)}, {"character", Value("hero")}, {"score", Value(i * 1.5)}};
      logged.timestamp = 1700000000.0 + logged_++;
      logged.enabled = true;
      host_->scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2166",
                                                      [this, logged] { router_->logEventOnWorkerQueue(logged); });
    }
    host_->scheduler_->dispatchSyncOnWorkerQueueBlockID("bench", [] {});
  }

  std::int64_t storedEvents() {
    auto rows = host_->database_->store().recordsForQuery("SELECT count(*) AS n FROM raw_events", {});
    return rows && !rows->empty() ? rows->front().at("n").toInt64() : -1;
  }

 private:
  std::shared_ptr<ostrel::testing::PipelineHost> host_ = std::make_shared<ostrel::testing::PipelineHost>();
  sdk::analytics::DefaultEventParameters defaults_{host_->persisted};
  std::unique_ptr<sdk::analytics::EventHandler> handler_;
  std::unique_ptr<sdk::analytics::LoggedEventRouter> router_;
  int logged_ = 0;
};

void BM_EngineEventsPastTheCapBesideBelowIt(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  EngineLane below("below.sql", kBelowCap), past("past.sql", kCap);
  for (auto _ : state) reportTurns(state, "engine_", [&] { below.logEvents(); }, [&] { past.logEvents(); });
  if (past.storedEvents() != kCap + 1 || below.storedEvents() >= kCap) state.SkipWithError("the cap was not kept");
}

// SQLite alone: the same row, an insert per transaction, and at the cap the oldest row deleted first.
class SqliteLane {
 public:
  SqliteLane(const std::string& path, int stored, bool atTheCap) : atTheCap_(atTheCap) {
    sqlite3_open(path.c_str(), &db_);
    sqlite3_exec(db_,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; CREATE TABLE raw_events (name TEXT NOT NULL, "
                 "timestamp REAL NOT NULL, metadata_fingerprint INTEGER NOT NULL, data BLOB NOT NULL, realtime "
                 "INTEGER NOT NULL)",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db_, "INSERT INTO raw_events VALUES ('level_up', ?, 42, ?, 0)", -1, &insert_, nullptr);
    sqlite3_prepare_v2(db_, "DELETE FROM raw_events WHERE rowid = (SELECT MIN(rowid) FROM raw_events)", -1, &oldest_,
                       nullptr);
    sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < stored; ++i) insertOne();
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  }
  ~SqliteLane() {
    sqlite3_finalize(insert_);
    sqlite3_finalize(oldest_);
    sqlite3_close(db_);
  }

  void logEvents() {
    for (int i = 0; i < kTurnEvents; ++i) {
      sqlite3_exec(db_, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr);
      if (atTheCap_) {
        benchmark::DoNotOptimize(sqlite3_step(oldest_));
        sqlite3_reset(oldest_);
      }
      insertOne();
      sqlite3_exec(db_, "END TRANSACTION", nullptr, nullptr, nullptr);
    }
  }

 private:
  void insertOne() {
    sqlite3_bind_double(insert_, 1, 1700000000.0 + inserted_++);
    sqlite3_bind_blob(insert_, 2, bytes_.data(), static_cast<int>(bytes_.size()), SQLITE_STATIC);
    benchmark::DoNotOptimize(sqlite3_step(insert_));
    sqlite3_reset(insert_);
  }

  bool atTheCap_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* oldest_ = nullptr;
  platform::foundation::Data bytes_ = sampleEventBytes();
  int inserted_ = 0;
};

void BM_SqliteInsertsAtTheCapBesideBelowIt(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  SqliteLane below(container.pathFor("below-raw.sql"), kBelowCap, false),
      past(container.pathFor("past-raw.sql"), kCap, true);
  for (auto _ : state) reportTurns(state, "sqlite_", [&] { below.logEvents(); }, [&] { past.logEvents(); });
}

BENCHMARK(BM_EngineEventsPastTheCapBesideBelowIt)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsertsAtTheCapBesideBelowIt)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
