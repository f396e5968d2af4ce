// Catalogue access beside raw SQLite doing the same work: a listing query, and one id remap over
// 10,000 stored packages. Report the ratio of each pair ("Ours" / "Raw").
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"

using app::storage::CatalogueDatabase;

namespace {

// A set-up step of a benchmark that failed makes its figures meaningless.
void require(bool done) {
  if (!done) {
    std::fprintf(stderr, "benchmark set-up failed\n");
    std::abort();
  }
}

constexpr int kPackages = 10000;

// A container of its own and the bundle the build lays out beside the app.
struct Environment {
  Environment() {
    char folder[] = "/tmp/ostrel-catalogue-bench-XXXXXX";
    root = mkdtemp(folder);
    platform::foundation::Paths::setRoot(root);
    const auto exe = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    platform::foundation::Bundle::setMainPath((exe.parent_path() / "cmd/ostrel/bundle").string());
    fillPackages();
  }
  ~Environment() { std::filesystem::remove_all(root); }

  // 10,000 user packages, each on its own format id 1..10000.
  void fillPackages() {
    app::storage::PackageDatabaseHelper helper;
    require(helper.openDb(false));
    auto& db = helper.database();
    CatalogueDatabase::Transaction transaction(db);
    for (int id = 1; id <= kPackages; ++id) {
      require(db.execute("INSERT INTO PackageData (packageId, cameraFormatId, adapterId) VALUES (?, ?, 1)", {id, id}));
    }
    require(transaction.commit());
  }

  std::string root;
};

Environment& environment() {
  static Environment instance;
  return instance;
}

// Two mappings that move every package to a format id another entry had, and back again.
std::vector<app::model::UpdateFormatIDObject> shiftMapping(int from) {
  std::vector<app::model::UpdateFormatIDObject> mapping;
  for (int i = 0; i < kPackages; ++i) mapping.push_back({.oldID = from + i, .newID = from == 1 ? i + 2 : i + 1});
  // Moving 1..n to 2..n+1 chains if applied entry by entry; the way back maps 2..n+1 to 1..n.
  return mapping;
}

void BM_ListAdapters_Ours(benchmark::State& state) {
  environment();
  app::storage::LensAdapterCatalogue helper;
  require(helper.openDb(false));
  for (auto _ : state) benchmark::DoNotOptimize(helper.getAllAdapters());
}

void BM_ListAdapters_Raw(benchmark::State& state) {
  environment();
  sqlite3* db = nullptr;
  sqlite3_open_v2(CatalogueDatabase::libraryPath("QuorvelLensAdapterDb.db").c_str(), &db, SQLITE_OPEN_READWRITE,
                  nullptr);
  for (auto _ : state) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM QuorvelLensAdapter ORDER BY LOWER (LensAdapterName)", -1, &statement,
                       nullptr);
    std::vector<app::model::LensAdapterRecord> adapters;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      app::model::LensAdapterRecord adapter;
      adapter.adapterId = sqlite3_column_int(statement, 0);
      const auto* name = sqlite3_column_text(statement, 1);
      adapter.adapterName = name ? reinterpret_cast<const char*>(name) : "";
      adapter.adapterValueWidth = static_cast<float>(sqlite3_column_double(statement, 2));
      adapter.adapterValueHeight = static_cast<float>(sqlite3_column_double(statement, 3));
      const auto* comment = sqlite3_column_text(statement, 4);
      adapter.comment = comment ? reinterpret_cast<const char*>(comment) : "";
      adapter.adapterType = sqlite3_column_int(statement, 5);
      adapter.selected = sqlite3_column_int(statement, 6);
      if (adapter.adapterName.rfind("aaaa", 0) == 0) adapter.adapterName = "None";
      adapters.push_back(std::move(adapter));
    }
    sqlite3_finalize(statement);
    benchmark::DoNotOptimize(adapters);
  }
  sqlite3_close(db);
}

void BM_RemapFormats10k_Ours(benchmark::State& state) {
  environment();
  const auto forth = shiftMapping(1), back = shiftMapping(2);
  app::storage::PackageDatabaseHelper helper;
  require(helper.openDb(false));
  bool forward = true;
  for (auto _ : state) {
    require(helper.remapFormatIds(forward ? forth : back));
    forward = !forward;
  }
}

bool rawRemap(sqlite3* db, const std::vector<app::model::UpdateFormatIDObject>& mapping) {
  sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "CREATE TEMP TABLE IF NOT EXISTS raw_map (oldId INTEGER PRIMARY KEY, newId INTEGER)", nullptr,
               nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO raw_map VALUES (?, ?)", -1, &insert, nullptr);
  for (const auto& entry : mapping) {
    sqlite3_bind_int(insert, 1, entry.oldID);
    sqlite3_bind_int(insert, 2, entry.newID);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db,
               "UPDATE PackageData SET cameraFormatId = (SELECT newId FROM raw_map WHERE oldId = "
               "PackageData.cameraFormatId) WHERE cameraFormatId IN (SELECT oldId FROM raw_map)",
               nullptr, nullptr, nullptr);
  sqlite3_exec(db, "DELETE FROM raw_map", nullptr, nullptr, nullptr);
  return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void BM_RemapFormats10k_Raw(benchmark::State& state) {
  environment();
  const auto forth = shiftMapping(1), back = shiftMapping(2);
  sqlite3* db = nullptr;
  sqlite3_open_v2(CatalogueDatabase::libraryPath("QuorvelPackageDatabase.db").c_str(), &db, SQLITE_OPEN_READWRITE,
                  nullptr);
  bool forward = true;
  for (auto _ : state) {
    rawRemap(db, forward ? forth : back);
    forward = !forward;
  }
  sqlite3_close(db);
}

}  // namespace

BENCHMARK(BM_ListAdapters_Ours);
BENCHMARK(BM_ListAdapters_Raw);
BENCHMARK(BM_RemapFormats10k_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemapFormats10k_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
