// 10,000 and 100,000 stored raw events of one app turned into compressed bundles in the upload queue by the
// raw-event bundler, one transaction per bundle, beside the same work done directly with SQLite,
// nanopb and zlib: read the oldest group of rows under the same grouping rules, decode each event
// and the group's metadata, count each event in its name's row, number the bundle, encode and gzip
// it, queue it and delete what it took, in one transaction under the same journal and sync
// settings, in the same run.
#include <benchmark/benchmark.h>
#include <pb_decode.h>
#include <pb_encode.h>
#include <sqlite3.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analytics_bundle.pb.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/RawEventBundler.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Data;

constexpr const char* kAppID = "1:100000000001:ios:0123456789abcdef";
// The first second of a clock hour, as bundles group events by hour; an event every 0.3 s follows.
constexpr double kFirstTimestamp = 1699999200.0;
constexpr std::int64_t kMaxEventsPerBundle = 1000;
constexpr std::int64_t kMaxBundleBytes = 65536;

sdk::analytics::AnalyticsEvent sampleEvent(int i) {
  return *sdk::analytics::AnalyticsEvent::create("app", true, "level_" + std::to_string(i % 5), kFirstTimestamp + i * 0.3, 0,
                           {{"_o", sdk::analytics::AnalyticsValue("app")},
                            {"level", sdk::analytics::AnalyticsValue(std::int64_t{i})},
                            {"character", sdk::analytics::AnalyticsValue("hero")},
                            {"score", sdk::analytics::AnalyticsValue(i * 1.5)}});
}

std::shared_ptr<sdk::analytics::ProtoMeasurementBundle> sampleMetadata() {
  using namespace sdk::analytics::measurement_fields;
  auto bundle = sdk::analytics::ProtoMeasurementBundle::make();
  sdk::analytics::nanoSetInt32(*bundle, kBundleProtocolVersion, 1);
  sdk::analytics::nanoSetString(*bundle, kBundlePlatform, std::string("ios"));
  sdk::analytics::nanoSetString(*bundle, kBundleAppID, std::string(kAppID));
  return bundle;
}

class BenchHost final : public sdk::analytics::MeasurementHost {
 public:
  std::shared_ptr<sdk::analytics::Monitor> monitor() const override { return monitor_; }
  std::optional<std::string> remoteConfigValue(const std::string&) const override { return std::nullopt; }
  bool boolSetting(const std::string&, bool defaultValue) const override { return defaultValue; }

 private:
  std::shared_ptr<sdk::analytics::Monitor> monitor_ = std::make_shared<sdk::analytics::Monitor>(1, std::vector<std::string>{});
};

void BM_BundlerBundlesRawEvents(benchmark::State& state) {
  const auto kEvents = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    {
      ostrel::testing::TempContainer container;
      ostrel::testing::MainThreadEnvironment environment;
      auto persisted = std::make_shared<sdk::analytics::PersistedConfig>();
      auto database = sdk::analytics::MeasurementDatabase::initWithDatabaseName(
                          sdk::analytics::MeasurementDatabase::kDatabaseName, persisted)
                          .valueOr(nullptr);
      auto metadata = sampleMetadata();
      std::int64_t fingerprint = sdk::analytics::MeasurementDatabase::metadataFingerprint(*metadata);
      (void)database->performTransaction([&] {
        bool stored = database->insertIfNotExistsRawEventMetadata(*metadata).ok();
        for (int i = 0; i < kEvents && stored; ++i)
          stored = database->insertRawEvent(sampleEvent(i), fingerprint, false).ok();
        return stored;
      });
      sdk::analytics::RawEventBundler bundler(
          {database, sdk::analytics::RemoteConfig::initWithAppID(kAppID, database),
           std::make_shared<sdk::analytics::Audiences>(database, std::make_shared<BenchHost>()), persisted, nullptr});
      state.ResumeTiming();
      int bundles = 0;
      while (bundler.bundleRawEvents()) ++bundles;
      state.PauseTiming();
      state.counters["bundles"] = bundles;
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

// The baseline's one prepared statement per question, bound and stepped by hand.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* operator*() const { return statement_; }
  int step() { return sqlite3_step(statement_); }
  void reset() { sqlite3_reset(statement_); }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

bool encodeEvents(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  for (const BenchEvent& event : *static_cast<const std::vector<BenchEvent>*>(*arg)) {
    if (!pb_encode_tag_for_field(stream, field) || !pb_encode_submessage(stream, BenchEvent_fields, &event)) {
      return false;
    }
  }
  return true;
}

Data gzip(const std::vector<pb_byte_t>& bytes) {
  z_stream stream{};
  deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  Data out(deflateBound(&stream, bytes.size()) + 32);
  stream.next_in = const_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

struct RawDatabase {
  explicit RawDatabase(const std::string& path) {
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                 "CREATE TABLE raw_events (name TEXT NOT NULL, timestamp REAL NOT NULL, metadata_fingerprint INTEGER "
                 "NOT NULL, data BLOB NOT NULL, realtime INTEGER NOT NULL);"
                 "CREATE INDEX raw_events_fingerprint ON raw_events (metadata_fingerprint);"
                 "CREATE TABLE raw_events_metadata (metadata_fingerprint INTEGER PRIMARY KEY NOT NULL, metadata BLOB "
                 "NOT NULL);"
                 "CREATE TABLE queue (data BLOB NOT NULL, bundle_end_timestamp INTEGER NOT NULL, realtime INTEGER NOT "
                 "NULL, retry_count INTEGER NOT NULL DEFAULT 0);"
                 "CREATE TABLE events (name TEXT PRIMARY KEY NOT NULL, lifetime_count INTEGER NOT NULL, "
                 "last_fire_timestamp REAL NOT NULL);"
                 "CREATE TABLE app_metadata (id INTEGER PRIMARY KEY CHECK (id = 1), last_bundle_index INTEGER);"
                 "INSERT INTO app_metadata VALUES (1, 0);",
                 nullptr, nullptr, nullptr);
  }
  ~RawDatabase() { sqlite3_close(db); }
  sqlite3* db = nullptr;
};

// One bundle of the oldest group, as the bundler makes it; false when nothing is left.
bool bundleWithSqlite(sqlite3* db, Statement& oldest, Statement& group, Statement& metadata, Statement& count,
                      Statement& number, Statement& queue, Statement& erase, Statement& remaining) {
  sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr);
  bool found = oldest.step() == SQLITE_ROW;
  std::int64_t fingerprint = found ? sqlite3_column_int64(*oldest, 0) : 0;
  oldest.reset();
  if (!found) {
    sqlite3_exec(db, "END TRANSACTION", nullptr, nullptr, nullptr);
    return false;
  }
  std::vector<BenchEvent> events;
  std::int64_t lastRowID = 0, groupHour = 0, size = 0;
  double start = 0, end = 0;
  sqlite3_bind_int64(*group, 1, fingerprint);
  while (group.step() == SQLITE_ROW && static_cast<std::int64_t>(events.size()) < kMaxEventsPerBundle) {
    std::int64_t rowID = sqlite3_column_int64(*group, 0);
    double timestamp = sqlite3_column_double(*group, 1);
    auto hour = static_cast<std::int64_t>(std::floor(timestamp)) / 3600;
    std::int64_t length = sqlite3_column_bytes(*group, 2);
    if (!events.empty() && (hour != groupHour || rowID != lastRowID + 1 || size + length >= kMaxBundleBytes)) break;
    if (events.empty()) groupHour = hour, start = timestamp;
    end = timestamp;
    size += length;
    lastRowID = rowID;
    events.push_back(BenchEvent_init_zero);
    pb_istream_t input = pb_istream_from_buffer(static_cast<const pb_byte_t*>(sqlite3_column_blob(*group, 2)),
                                                static_cast<std::size_t>(length));
    if (!pb_decode(&input, BenchEvent_fields, &events.back())) std::abort();
  }
  group.reset();

  BenchBundle bundle = BenchBundle_init_zero;
  sqlite3_bind_int64(*metadata, 1, fingerprint);
  if (metadata.step() == SQLITE_ROW) {
    pb_istream_t input = pb_istream_from_buffer(static_cast<const pb_byte_t*>(sqlite3_column_blob(*metadata, 0)),
                                                static_cast<std::size_t>(sqlite3_column_bytes(*metadata, 0)));
    if (!pb_decode(&input, BenchBundle_fields, &bundle)) std::abort();
  }
  metadata.reset();
  for (const BenchEvent& event : events) {
    sqlite3_bind_text(*count, 1, event.name, -1, SQLITE_STATIC);
    sqlite3_bind_double(*count, 2, static_cast<double>(event.timestamp) / 1000.0);
    count.step();
    count.reset();
  }
  number.step();
  number.reset();

  bundle.has_start_timestamp = bundle.has_end_timestamp = true;
  bundle.start_timestamp = static_cast<std::int64_t>(start * 1000);
  bundle.end_timestamp = static_cast<std::int64_t>(end * 1000);
  bundle.events.funcs.encode = &encodeEvents;
  bundle.events.arg = &events;
  std::size_t encodedSize = 0;
  pb_get_encoded_size(&encodedSize, BenchBundle_fields, &bundle);
  std::vector<pb_byte_t> encoded(encodedSize);
  pb_ostream_t output = pb_ostream_from_buffer(encoded.data(), encoded.size());
  if (!pb_encode(&output, BenchBundle_fields, &bundle)) std::abort();
  Data compressed = gzip(encoded);

  sqlite3_bind_blob(*queue, 1, compressed.data(), static_cast<int>(compressed.size()), SQLITE_STATIC);
  sqlite3_bind_int64(*queue, 2, bundle.end_timestamp);
  queue.step();
  queue.reset();
  sqlite3_bind_int64(*erase, 1, lastRowID);
  erase.step();
  erase.reset();
  sqlite3_bind_int64(*remaining, 1, fingerprint);
  remaining.step();
  benchmark::DoNotOptimize(sqlite3_column_int(*remaining, 0));
  remaining.reset();
  sqlite3_exec(db, "END TRANSACTION", nullptr, nullptr, nullptr);
  return true;
}

void BM_SqliteBundlesRawEvents(benchmark::State& state) {
  const auto kEvents = static_cast<int>(state.range(0));
  auto metadata = sampleMetadata();
  std::int64_t fingerprint = sdk::analytics::MeasurementDatabase::metadataFingerprint(*metadata);
  Data metadataBytes = metadata->protoBuffer();
  std::vector<Data> encoded;
  for (int i = 0; i < kEvents; ++i) encoded.push_back(sampleEvent(i).protoEvent()->protoBuffer());
  for (auto _ : state) {
    state.PauseTiming();
    {
      ostrel::testing::TempContainer container;
      RawDatabase raw(container.pathFor("raw.sql"));
      sqlite3* db = raw.db;
      sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
      {
        Statement meta(db, "INSERT INTO raw_events_metadata VALUES (?, ?)");
        sqlite3_bind_int64(*meta, 1, fingerprint);
        sqlite3_bind_blob(*meta, 2, metadataBytes.data(), static_cast<int>(metadataBytes.size()), SQLITE_STATIC);
        meta.step();
        Statement insert(db, "INSERT INTO raw_events VALUES ('level', ?, ?, ?, 0)");
        for (int i = 0; i < kEvents; ++i) {
          sqlite3_bind_double(*insert, 1, kFirstTimestamp + i * 0.3);
          sqlite3_bind_int64(*insert, 2, fingerprint);
          sqlite3_bind_blob(*insert, 3, encoded[i].data(), static_cast<int>(encoded[i].size()), SQLITE_STATIC);
          insert.step();
          insert.reset();
        }
      }
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      state.ResumeTiming();
      Statement oldest(db, "SELECT metadata_fingerprint FROM raw_events ORDER BY rowid LIMIT 1");
      Statement group(db,
                      "SELECT rowid, timestamp, data FROM raw_events WHERE metadata_fingerprint = ? ORDER BY rowid "
                      "LIMIT 1000");
      Statement metadataRow(db, "SELECT metadata FROM raw_events_metadata WHERE metadata_fingerprint = ?");
      Statement count(db,
                      "INSERT INTO events VALUES (?1, 1, ?2) ON CONFLICT(name) DO UPDATE SET lifetime_count = "
                      "lifetime_count + 1, last_fire_timestamp = ?2");
      Statement number(db, "UPDATE app_metadata SET last_bundle_index = last_bundle_index + 1 WHERE id = 1");
      Statement queue(db, "INSERT INTO queue (data, bundle_end_timestamp, realtime) VALUES (?, ?, 0)");
      Statement erase(db, "DELETE FROM raw_events WHERE rowid <= ?");
      Statement remaining(db, "SELECT EXISTS (SELECT 1 FROM raw_events WHERE metadata_fingerprint = ?)");
      int bundles = 0;
      while (bundleWithSqlite(db, oldest, group, metadataRow, count, number, queue, erase, remaining)) ++bundles;
      state.PauseTiming();
      state.counters["bundles"] = bundles;
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

BENCHMARK(BM_BundlerBundlesRawEvents)->Arg(10000)->Arg(100000)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteBundlesRawEvents)->Arg(10000)->Arg(100000)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
