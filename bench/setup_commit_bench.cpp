// A setup commit beside its floor: the camera picker's commit (the edited package rebuilt from the
// catalogues' selections, installed and saved with the preferences) next to raw SQLite doing the same
// reads and the same package write, plus writing a preference file of the same size by rename. Each
// round switches the format, so both sides really write. Report the ratio "Ours" / "Raw".
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/pages/PageState.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/state/FramesObject.h"
#include "bench/BenchContainer.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "platform/log/Log.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFormats[] = {1084, 599};

struct Environment {
  Environment() {
    ostrel::bench::container();
    const auto exe = fs::read_symlink("/proc/self/exe").parent_path();
    platform::foundation::Bundle::setMainPath((exe.parent_path() / "cmd/ostrel/bundle").string());
    platform::log::setSink([](const platform::log::Line&) {});
    auto frames = app::pages::framesObject();
    frames->loadPrefs();
    frames->setPackageOneAsCurrentPackage();
    library = platform::foundation::Paths::library();
    preferences = app::state::FramesObject::preferencePath();
  }
  std::string library;
  std::string preferences;
};

Environment& environment() {
  static Environment instance;
  return instance;
}

sqlite3* open(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  return db;
}

// Steps a statement through all its rows, touching each column as a reader would.
void readAll(sqlite3* db, const char* sql, std::initializer_list<int> parameters = {}) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  int index = 1;
  for (int p : parameters) sqlite3_bind_int(statement, index++, p);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    for (int c = 0; c < sqlite3_column_count(statement); ++c) benchmark::DoNotOptimize(sqlite3_column_text(statement, c));
  }
  sqlite3_finalize(statement);
}

void run(sqlite3* db, const char* sql, std::initializer_list<int> parameters = {}) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  int index = 1;
  for (int p : parameters) sqlite3_bind_int(statement, index++, p);
  sqlite3_step(statement);
  sqlite3_finalize(statement);
}

void rawCommit(const Environment& env, int format, const std::string& preferenceBytes) {
  sqlite3* formats = open(env.library + "/QuorvelFormatDatabase.db");
  readAll(formats, "SELECT * FROM FormatContainer WHERE id = ?", {format});
  readAll(formats, "SELECT * FROM ManufactorTable WHERE id = (SELECT manufactorId FROM FormatContainer WHERE id = ?)",
          {format});
  readAll(formats, "SELECT * FROM QuorvelFrameGuide WHERE selected = 1");
  sqlite3_close(formats);
  sqlite3* lenses = open(env.library + "/LensDatabase.db");
  readAll(lenses, "SELECT * FROM Manufacturer WHERE Selected = 1");
  readAll(lenses, "SELECT * FROM Lenses WHERE ManufacturerId = (SELECT ManufacturerId FROM Manufacturer WHERE Selected = 1) "
                  "AND DefaultSelection = 1 ORDER BY FocalLength");
  readAll(lenses, "SELECT * FROM Lenses WHERE ManufacturerId = (SELECT ManufacturerId FROM Manufacturer WHERE Selected = 1) "
                  "ORDER BY FocalLength");
  std::vector<int> lensIds;
  sqlite3_stmt* ids = nullptr;
  sqlite3_prepare_v2(lenses, "SELECT LensId FROM Lenses WHERE DefaultSelection = 1 AND ManufacturerId = "
                             "(SELECT ManufacturerId FROM Manufacturer WHERE Selected = 1)", -1, &ids, nullptr);
  while (sqlite3_step(ids) == SQLITE_ROW) lensIds.push_back(sqlite3_column_int(ids, 0));
  sqlite3_finalize(ids);
  sqlite3_close(lenses);
  sqlite3* adapters = open(env.library + "/QuorvelLensAdapterDb.db");
  readAll(adapters, "SELECT * FROM QuorvelLensAdapter WHERE AdapterSelected = 1");
  sqlite3_close(adapters);
  sqlite3* packages = open(env.library + "/QuorvelPackageDatabase.db");
  run(packages, "BEGIN");
  run(packages, "UPDATE PackageData SET cameraFormatId = ?, cropId = 1 WHERE packageId = -2", {format});
  run(packages, "DELETE FROM PackageLensData WHERE packageId = -2");
  for (int id : lensIds) run(packages, "INSERT INTO PackageLensData (packageId, lensID) VALUES (-2, ?)", {id});
  run(packages, "COMMIT");
  sqlite3_close(packages);
  const std::string aside = env.preferences + ".tmp";
  if (FILE* file = std::fopen(aside.c_str(), "wb")) {
    std::fwrite(preferenceBytes.data(), 1, preferenceBytes.size(), file);
    std::fflush(file);
    std::fclose(file);
    std::rename(aside.c_str(), env.preferences.c_str());
  }
}

void BM_CameraCommit_Ours(benchmark::State& state) {
  environment();
  size_t round = 0;
  for (auto _ : state) app::setup::SetupControllerUtil::setNewCameraSetupWithCamera(0, kFormats[round++ % 2], 1);
}

void BM_CameraCommit_Raw(benchmark::State& state) {
  const auto& env = environment();
  const std::string bytes(fs::file_size(env.preferences), 'x');
  size_t round = 0;
  for (auto _ : state) rawCommit(env, kFormats[round++ % 2], bytes);
}

}  // namespace

BENCHMARK(BM_CameraCommit_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CameraCommit_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
