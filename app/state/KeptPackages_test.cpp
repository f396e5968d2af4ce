// A start over a catalogue it cannot read (a folder in its place, locked by another program for the
// whole run, emptied) or over a preference file it cannot read (damaged, or not a file): the person's standard and saved packages are
// shown as well as can be, never written over or deleted, and the log says what could not be read.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "app/state/StartUpTestSupport.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "testing/FileContents.h"
#include "testing/ScopedClock.h"

namespace app::state {

namespace {

using namespace ostrel::testing;
using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;
using app::storage::PackageUtil;
using platform::foundation::AtomicFile;
namespace fs = std::filesystem;

enum class Condition { Folder, Locked, Emptied };
const char* nameOf(Condition condition) {
  return condition == Condition::Folder ? "a folder in its place" : condition == Condition::Locked ? "locked" : "emptied";
}

class KeptPackagesTest : public StartUpTest {
 protected:
  // As the setup and lens screens leave a container: a custom adapter and a series of the person's own
  // with one lens, both in package one; and package one saved as "Night Exterior".
  void makeTheirOwn() {
    auto state = launch();
    model::LensAdapterRecord adapter;
    adapter.adapterName = "Scope 1.5x";
    adapter.adapterValueWidth = 1.5f;
    adapter.adapterValueHeight = 1.0f;
    model::LensManufacturer series(0, "Me", "Night primes", "Prime Lens", 0, 1.0f, 1);
    model::LensObject lens;
    lens.focalLength = 27.0f;
    lens.lensType = "Prime Lens";
    lens.anamorphic = 1.0f;
    lens.selected = 1;
    {
      storage::LensAdapterCatalogue adapters;
      ASSERT_TRUE(adapters.openDb(false));
      adapter = adapters.getLensAdapter(adapters.insertCustomAdapter(adapter));
      storage::LensDatabaseHelper lenses;
      ASSERT_TRUE(lenses.openDb(false));
      ASSERT_GE(lenses.insertManufacturer(series), 1);
      lens.manufacturerId = series.manufacturerId;
      ASSERT_GE(lenses.insertNewLens(lens), 1);
    }
    model::CameraPackage one = *state->packageOne;
    one.lensManufacturer = series;
    one.lensSet = {lens};
    one.lensAdapter = adapter;
    state->currentPackageModus = 0;
    state->loadPackage(one, PersonsPackage::kWhole);
    state->savePrefs();
    one.packageName = "Night Exterior";
    ASSERT_GE(PackageUtil::savePackage(one), 1);
  }

  // Every stored package with its lenses, as text.
  static std::string packageRows() {
    CatalogueDatabase database;
    EXPECT_TRUE(database.openPath(CatalogueDatabase::libraryPath(storage::PackageDatabaseHelper::kFileName), false));
    std::string rows;
    for (const char* sql : {"SELECT packageId, lensManufacturerId, cameraFormatId, adapterId, frameGuideId, "
                            "frameGuideShading, frameGuideColor, packageName, cropId FROM PackageData ORDER BY packageId",
                            "SELECT packageId, lensID, 0, 0, 0, 0, 0, '', 0 FROM PackageLensData ORDER BY packageId, lensID"}) {
      auto statement = database.prepare(sql);
      while (statement.step() == CatalogueStatement::Step::Row) {
        for (int i = 0; i < 9; ++i) rows += statement.columnText(i) + "|";
        rows += "\n";
      }
    }
    return rows;
  }

  // A start, a look at the saved packages and the save a phone makes when the app leaves the screen,
  // all with `fileName` unreadable as `condition` makes it; then the catalogue as it was.
  void runWith(const char* fileName, Condition condition) {
    const std::string path = CatalogueDatabase::libraryPath(fileName);
    const std::string bytes = AtomicFile::readText(path).valueOr("");
    sqlite3* holder = nullptr;
    if (condition == Condition::Locked) {
      ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else {
      fs::remove(path);
      condition == Condition::Folder ? static_cast<void>(fs::create_directory(path))
                                     : static_cast<void>(AtomicFile::writeAtomically(path, std::string_view()));
    }
    log_.clear();
    {
      auto state = launch();
      static_cast<void>(PackageUtil::getAllPackages());
      state->savePrefs();
    }
    if (holder) {
      sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
      sqlite3_close(holder);
      clock_->advance(60);  // a catalogue found in use is tried again after a while
    } else {
      fs::remove_all(path);
      ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view(bytes)).ok());
    }
  }

  std::shared_ptr<platform::foundation::ManualClock> clock_ = std::make_shared<platform::foundation::ManualClock>();
  ScopedClock scopedClock_{clock_};
};

TEST_F(KeptPackagesTest, AnUnreadableCatalogueCostsNoPackage) {
  for (const char* fileName : {storage::LensDatabaseHelper::kFileName, storage::CameraFormatCatalogue::kFileName,
                               storage::LensAdapterCatalogue::kFileName, storage::PackageDatabaseHelper::kFileName}) {
    for (Condition condition : {Condition::Folder, Condition::Locked, Condition::Emptied}) {
      TempContainer fresh;
      makeTheirOwn();
      const std::string before = packageRows();
      runWith(fileName, condition);
      const std::string what = std::string(fileName) + ", " + nameOf(condition);
      EXPECT_EQ(packageRows(), before) << what;
      // An emptied format catalogue is replaced by the bundle's, which holds package one's format; an
      // emptied package catalogue by one without packages, where the default one is simply stored.
      const bool packageOneShown = condition == Condition::Emptied &&
                                   (std::string(fileName) == storage::PackageDatabaseHelper::kFileName ||
                                    std::string(fileName) == storage::CameraFormatCatalogue::kFileName);
      EXPECT_NE(logged("Standard package one could not be read"), packageOneShown) << what;
      if (std::string(fileName) == storage::LensDatabaseHelper::kFileName) {
        EXPECT_TRUE(logged("The saved package \"Night Exterior\" is not listed: its lenses could not be read; it stays stored"))
            << what;
      }
      const auto state = launch();
      ASSERT_TRUE(state->packageOne && state->packageOne->lensManufacturer) << what;
      EXPECT_EQ(state->packageOne->lensManufacturer->series, "Night primes") << what;
    }
  }
}

TEST_F(KeptPackagesTest, ADamagedPreferenceFileMakesNoStartPackages) {
  makeTheirOwn();
  const std::string before = packageRows();
  ASSERT_TRUE(AtomicFile::writeAtomically(FramesObject::preferencePath(), std::string_view("<plist><dict><key>")).ok());
  launch()->savePrefs();
  EXPECT_EQ(packageRows(), before);
  EXPECT_EQ(damagedCopiesOf(FramesObject::preferencePath()).size(), 1u);
  EXPECT_EQ(launch()->packageOne->lensManufacturer->series, "Night primes");
}

// What a person or a broken backup leaves in the preference file's place that cannot be read: the start
// ends, makes no start packages over the standard ones, and names it; a file (an endless one) is kept
// aside, anything else stays as it was and no save of the run writes over it.
TEST_F(KeptPackagesTest, WhatStandsInThePreferenceFilesPlaceCostsNoPackage) {
  struct Stranger {
    const char* kind;
    std::function<void(const std::string& path)> place;
  };
  const Stranger strangers[] = {
      {"a link that leads nowhere", [](const std::string& path) { fs::create_symlink(path + ".unmounted/p", path); }},
      {"a link in a loop", [](const std::string& path) { fs::create_symlink(path, path); }},
      {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
      {"a link to a device", [](const std::string& path) { fs::create_symlink("/dev/zero", path); }},
      {"a regular file",
       [](const std::string& path) {
         ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view("<?xml")).ok());
         fs::resize_file(path, std::uintmax_t{1} << 40);
       }},
  };
  for (const Stranger& stranger : strangers) {
    TempContainer fresh;
    makeTheirOwn();
    const std::string before = packageRows();
    const std::string path = FramesObject::preferencePath();
    fs::remove(path);
    stranger.place(path);
    log_.clear();
    launch()->savePrefs();
    EXPECT_EQ(packageRows(), before) << stranger.kind;
    const auto kept = damagedCopiesOf(path);
    if (std::string(stranger.kind) == "a regular file") {
      ASSERT_EQ(kept.size(), 1u);
      EXPECT_TRUE(logged("kept as " + kept[0]));
    } else {
      EXPECT_TRUE(kept.empty()) << stranger.kind;
      EXPECT_EQ(AtomicFile::whatStandsAt(path).words(), stranger.kind);
      EXPECT_TRUE(logged(path + " is " + stranger.kind + ", not a regular file; it is left in place")) << stranger.kind;
      EXPECT_TRUE(logged("are not saved over " + path)) << stranger.kind;
    }
    EXPECT_EQ(launch()->packageOne->lensManufacturer->series, "Night primes") << stranger.kind;
  }
}

// The preference file deleted, or Documents emptied or removed by another program, while the catalogues
// hold the person's packages: the start is not a first one, makes no start packages over the standard
// ones, says so, and writes the file again.
TEST_F(KeptPackagesTest, APreferenceFileLostBesideStoredPackagesIsNoFirstStart) {
  const std::pair<const char*, std::function<void(const std::string& path)>> losses[] = {
      {"the file deleted", [](const std::string& path) { fs::remove(path); }},
      {"Documents emptied",
       [](const std::string& path) {
         for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) fs::remove_all(entry.path());
       }},
      {"Documents removed", [](const std::string& path) { fs::remove_all(fs::path(path).parent_path()); }},
  };
  for (const auto& [loss, lose] : losses) {
    TempContainer fresh;
    const std::string path = FramesObject::preferencePath();
    makeTheirOwn();
    const std::string before = packageRows();
    lose(path);
    log_.clear();
    launch()->savePrefs();
    EXPECT_EQ(packageRows(), before) << loss;
    EXPECT_TRUE(logged("The preference file " + path +
                       " is missing, but the catalogues hold the standard packages stored before: they are kept and "
                       "the settings start from their defaults"))
        << loss;
    EXPECT_TRUE(AtomicFile::fileExists(path)) << loss;
    const auto state = launch();
    EXPECT_EQ(state->packageOne->lensManufacturer->series, "Night primes") << loss;
    EXPECT_EQ(state->formatOneId, state->packageOne->shootingMode->containerID) << loss;
  }
}

TEST_F(KeptPackagesTest, APackageWhoseLensesAreKnownGoneIsStillDeleted) {
  makeTheirOwn();
  {
    storage::LensDatabaseHelper lenses;
    ASSERT_TRUE(lenses.openDb(false));
    ASSERT_TRUE(lenses.database().execute("DELETE FROM Lenses WHERE FocalLength = 27"));
  }
  EXPECT_TRUE(PackageUtil::getAllPackages().empty());
  EXPECT_EQ(packageRows().find("Night Exterior"), std::string::npos);
}

}  // namespace

}  // namespace app::state
