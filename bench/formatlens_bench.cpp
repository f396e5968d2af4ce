// Catalogue updates beside raw SQLite moving the same rows: the lens catalogue carrying 1,000 user
// lenses (500 in 10 user series, 500 added to shipped series) with 200 packages on them, and the
// format catalogue carrying 200 user formats and 20 user crops with 200 packages. "Raw" copies the
// same user rows into a copy of the bundle's catalogue with INSERT ... SELECT and renames it into
// place; "Ours" also renumbers, checks for shipped twins and re-points the packages. Report the ratio
// of each pair ("Ours" / "Raw").
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/FrameGuideCatalogue.h"
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

namespace fs = std::filesystem;

std::string library(const char* name) { return CatalogueDatabase::libraryPath(name); }

void savePackages(const std::vector<app::storage::PackageDatabaseObject>& packages) {
  app::storage::PackageDatabaseHelper helper;
  require(helper.openDb(false));
  CatalogueDatabase::Transaction transaction(helper.database());
  for (const auto& package : packages) require(helper.saveNewPackage(package) >= 0);
  require(transaction.commit());
}

struct Environment {
  Environment() {
    char folder[] = "/tmp/ostrel-formatlens-bench-XXXXXX";
    root = mkdtemp(folder);
    platform::foundation::Paths::setRoot(root);
    const auto exe = fs::read_symlink("/proc/self/exe").parent_path();
    platform::foundation::Bundle::setMainPath((exe.parent_path() / "cmd/ostrel/bundle").string());
    fillLenses();
    fillFormats();
  }
  ~Environment() { fs::remove_all(root); }

  void fillLenses() {
    app::storage::LensDatabaseHelper helper;
    require(helper.openDb(false));
    std::vector<app::storage::PackageDatabaseObject> packages(200);
    std::vector<int> lensIds;
    {
      CatalogueDatabase::Transaction transaction(helper.database());
      for (int s = 0; s < 10; ++s) {
        app::model::LensManufacturer series(0, "Bench", "Series " + std::to_string(s), "Prime Lens", 0, 1.0f, 1);
        require(helper.insertManufacturer(series) >= 0);
        for (int i = 0; i < 50; ++i) {
          app::model::LensObject lens;
          lens.manufacturerId = series.manufacturerId;
          lens.focalLength = 10.0f + static_cast<float>(i);
          lens.lensType = "Prime Lens";
          lensIds.push_back(helper.insertNewLensWithSelection(lens));
        }
      }
      for (int i = 0; i < 500; ++i) {
        app::model::LensObject lens;
        lens.manufacturerId = 3 + i % 34;
        lens.focalLength = 300.0f + static_cast<float>(i);
        lens.lensType = "Prime Lens";
        lensIds.push_back(helper.insertOldCustomLens(lens));
      }
      require(transaction.commit());
    }
    helper.closeDb();
    for (size_t p = 0; p < packages.size(); ++p) {
      for (size_t k = 0; k < 5; ++k) packages[p].lensSetIDs.push_back(lensIds[(p * 5 + k) % lensIds.size()]);
      packages[p].lensManufacturerId = 254 + static_cast<int>(p % 10);
    }
    savePackages(packages);
    fs::copy_file(library("LensDatabase.db"), root + "/LensTemplate.db");
    fs::copy_file(library("QuorvelPackageDatabase.db"), root + "/LensPackages.db");
  }

  void fillFormats() {
    fs::remove(library("QuorvelPackageDatabase.db"));
    std::vector<app::storage::PackageDatabaseObject> packages(200);
    app::storage::CameraFormatCatalogue formats;
    require(formats.openDb(false));
    {
      CatalogueDatabase::Transaction transaction(formats.database());
      for (int i = 0; i < 200; ++i) {
        app::model::Camera camera(0, "Bench rig " + std::to_string(i), "", "", 0);
        app::model::CameraShootingMode mode;
        mode.width = 20.0f + static_cast<float>(i) / 10.0f;
        mode.height = 10.0f;
        mode.anamorphotic = 1.0f;
        mode.aspectRatio = "2:1";
        packages[static_cast<size_t>(i)].cameraFormatId = formats.insertNewCameraManufacturer(camera, mode)->containerID;
      }
      require(transaction.commit());
    }
    formats.closeDb();
    app::storage::FrameGuideCatalogue guides;
    require(guides.openDb(false));
    for (int i = 0; i < 20; ++i) {
      app::model::FrameGuide guide{.width = 3.0f + static_cast<float>(i) / 10.0f, .height = 1.0f};
      benchmark::DoNotOptimize(guides.insertFrameGuideFromCameraSetup(guide));
      packages[static_cast<size_t>(i)].cropID = guide.frameGuideId;
      packages[static_cast<size_t>(i)].frameGuideId = guide.frameGuideId;
    }
    guides.closeDb();
    savePackages(packages);
    fs::copy_file(library("QuorvelFormatDatabase.db"), root + "/FormatTemplate.db");
    fs::copy_file(library("QuorvelPackageDatabase.db"), root + "/FormatPackages.db");
  }

  // Puts the installed catalogue and packages back as they were before an update.
  void restore(const char* catalogue, const char* templateName, const char* packages) {
    fs::copy_file(root + "/" + templateName, library(catalogue), fs::copy_options::overwrite_existing);
    fs::copy_file(root + "/" + packages, library("QuorvelPackageDatabase.db"), fs::copy_options::overwrite_existing);
  }

  std::string root;
};

Environment& environment() {
  static Environment instance;
  return instance;
}

// The same user rows, copied with plain SQL into a copy of the bundle's catalogue swapped into place.
void rawCopy(const char* fileName, const char* resource, const std::vector<const char*>& copies) {
  const std::string path = library(fileName), staging = path + ".raw";
  fs::copy_file(CatalogueDatabase::bundlePath(resource), staging, fs::copy_options::overwrite_existing);
  sqlite3* db = nullptr;
  sqlite3_open_v2(staging.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_exec(db, ("ATTACH DATABASE '" + path + "' AS installed").c_str(), nullptr, nullptr, nullptr);
  sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  for (const char* sql : copies) sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "DETACH DATABASE installed", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  std::rename(staging.c_str(), path.c_str());
}

void BM_LensUpdate1000_Ours(benchmark::State& state) {
  auto& env = environment();
  for (auto _ : state) {
    state.PauseTiming();
    env.restore("LensDatabase.db", "LensTemplate.db", "LensPackages.db");
    state.ResumeTiming();
    app::storage::LensDatabaseHelper helper;
    require(helper.openDb(true));
    helper.closeDb();
  }
}

void BM_LensUpdate1000_Raw(benchmark::State& state) {
  auto& env = environment();
  for (auto _ : state) {
    state.PauseTiming();
    env.restore("LensDatabase.db", "LensTemplate.db", "LensPackages.db");
    state.ResumeTiming();
    rawCopy("LensDatabase.db", "LensDatabase",
            {"INSERT INTO Manufacturer (Manufacturer, LensSeries, Type, Selected, Anamorphotic, Origin) "
             "SELECT Manufacturer, LensSeries, Type, 0, Anamorphotic, 1 FROM installed.Manufacturer WHERE Origin = 1",
             "INSERT INTO Lenses (ManufacturerId, FocalLength, Aperture, LensMount, Category, LensType, Anamorphotic, "
             "SizeCategory, DefaultSelection, Custom, FocalLengthMax, Comment) SELECT ManufacturerId, FocalLength, "
             "Aperture, LensMount, Category, LensType, Anamorphotic, SizeCategory, DefaultSelection, Custom, "
             "FocalLengthMax, Comment FROM installed.Lenses WHERE Custom = 1"});
  }
}

void BM_FormatUpdate200_Ours(benchmark::State& state) {
  auto& env = environment();
  for (auto _ : state) {
    state.PauseTiming();
    env.restore("QuorvelFormatDatabase.db", "FormatTemplate.db", "FormatPackages.db");
    state.ResumeTiming();
    app::storage::CameraFormatCatalogue helper;
    require(helper.openDb(true));
    helper.closeDb();
  }
}

void BM_FormatUpdate200_Raw(benchmark::State& state) {
  auto& env = environment();
  for (auto _ : state) {
    state.PauseTiming();
    env.restore("QuorvelFormatDatabase.db", "FormatTemplate.db", "FormatPackages.db");
    state.ResumeTiming();
    rawCopy("QuorvelFormatDatabase.db", "QuorvelFormatDatabase",
            {"INSERT INTO ManufactorTable (manufactor, model, type, origin) SELECT manufactor, model, type, origin "
             "FROM installed.ManufactorTable WHERE origin = 1",
             "INSERT INTO FormatContainer (manufactorId, shootingMode, anamorphic, width, height, category, origin, "
             "aspectratio, orderNumber) SELECT manufactorId, shootingMode, anamorphic, width, height, category, "
             "origin, aspectratio, orderNumber FROM installed.FormatContainer WHERE origin = 1",
             "INSERT INTO QuorvelFrameGuide (width, height, selected, type, sortValue) SELECT width, height, 0, type, "
             "sortValue FROM installed.QuorvelFrameGuide WHERE type = 1"});
  }
}

}  // namespace

BENCHMARK(BM_LensUpdate1000_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LensUpdate1000_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatUpdate200_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatUpdate200_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
