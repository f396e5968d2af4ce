#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "testing/TempContainer.h"

namespace ostrel::bench {

// The baseline of the raw-event benchmarks: the encoded events inserted straight into a raw_events
// table with SQLite, a statement prepared once, one exclusive transaction per event and the
// measurement database's journal and sync settings.
inline void insertRawEventsWithSqlite(benchmark::State& state, const std::vector<platform::foundation::Data>& encoded) {
  ostrel::testing::TempContainer container;
  std::string path = container.pathFor("raw.sql");
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
  sqlite3_exec(db,
               "CREATE TABLE raw_events (name TEXT NOT NULL, timestamp REAL NOT NULL, metadata_fingerprint INTEGER NOT "
               "NULL, data BLOB NOT NULL, realtime INTEGER NOT NULL)",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO raw_events VALUES ('level_up', ?, 42, ?, 0)", -1, &insert, nullptr);
  for (auto _ : state) {
    for (std::size_t i = 0; i < encoded.size(); ++i) {
      sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr);
      sqlite3_bind_double(insert, 1, 1700000000.0 + static_cast<double>(i));
      sqlite3_bind_blob(insert, 2, encoded[i].data(), static_cast<int>(encoded[i].size()), SQLITE_STATIC);
      benchmark::DoNotOptimize(sqlite3_step(insert));
      sqlite3_reset(insert);
      sqlite3_exec(db, "END TRANSACTION", nullptr, nullptr, nullptr);
    }
  }
  sqlite3_finalize(insert);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(encoded.size()));
}

}  // namespace ostrel::bench
