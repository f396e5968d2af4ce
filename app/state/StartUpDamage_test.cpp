// Start-up over damaged files: whatever the user's files hold, the start works, says what it found,
// and keeps the damaged file beside the fresh one. And a start that changes nothing writes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/state/StartUpTestSupport.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "testing/FileContents.h"

namespace app::state {

namespace {

using namespace ostrel::testing;
using app::storage::CatalogueDatabase;
using app::storage::CatalogueSeeding;
using platform::foundation::AtomicFile;

struct Damage {
  const char* name;
  std::string bytes;
};

const Damage kDamages[] = {
    {"Garbage", std::string("\x01\xff not a file of ours \x7f", 22)},
    {"Empty", ""},
    {"Truncated", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n<key>Vers"},
};

TEST_F(StartUpTest, ADamagedPreferenceFileIsKeptAsideAndTheStartGoesOn) {
  const Damage wrongRoot{"WrongRootType", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1"
                                          "</integer></array></plist>"};
  for (const Damage& damage : {kDamages[0], kDamages[2], wrongRoot}) {
    ostrel::testing::TempContainer fresh;
    launch();
    const std::string path = FramesObject::preferencePath();
    ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view(damage.bytes)).ok());
    log_.clear();
    const auto state = launch();
    EXPECT_TRUE(state->packageOne && state->packageTwo) << damage.name;
    EXPECT_TRUE(stored().isDictionary()) << damage.name << ": the defaults were written";
    const auto kept = ostrel::testing::damagedCopiesOf(path);
    ASSERT_EQ(kept.size(), 1u) << damage.name;
    EXPECT_EQ(AtomicFile::readText(kept[0]).valueOr("?"), damage.bytes) << damage.name;
    EXPECT_TRUE(log_.contains("kept as " + kept[0])) << damage.name;
  }
}

struct Catalogue {
  const char* fileName;
  const char* anyTable;
};

const Catalogue kCatalogues[] = {{storage::LensDatabaseHelper::kFileName, "Lenses"},
                                 {storage::CameraFormatCatalogue::kFileName, "FormatContainer"},
                                 {storage::LensAdapterCatalogue::kFileName, "QuorvelLensAdapter"},
                                 {storage::PackageDatabaseHelper::kFileName, "PackageData"}};

// A database that is not the catalogue: SQLite reads it, but the catalogue's tables are missing.
std::string foreignDatabase(const std::string& scratch) {
  EXPECT_TRUE(CatalogueSeeding::seedIfMissing(scratch, "QuorvelLensAdapterDb"));
  CatalogueDatabase database;
  EXPECT_TRUE(database.openPath(scratch));
  EXPECT_TRUE(database.execute("ALTER TABLE QuorvelLensAdapter RENAME TO SomethingElse"));
  database.close();
  return AtomicFile::readText(scratch).valueOr("");
}

TEST_F(StartUpTest, ADamagedCatalogueIsKeptAsideAndReplacedByTheBundlesCopy) {
  for (const Catalogue& catalogue : kCatalogues) {
    for (const Damage& damage : {kDamages[0], kDamages[1], Damage{"NoTables", ""}}) {
      ostrel::testing::TempContainer fresh;
      launch();
      const std::string path = CatalogueDatabase::libraryPath(catalogue.fileName);
      const std::string bytes =
          std::string(damage.name) == "NoTables" ? foreignDatabase(fresh.pathFor("foreign.db")) : damage.bytes;
      ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view(bytes)).ok());
      log_.clear();
      const auto state = launch();
      const std::string what = std::string(catalogue.fileName) + " " + damage.name;
      EXPECT_TRUE(state->packageOne && state->packageTwo) << what;
      const auto kept = ostrel::testing::damagedCopiesOf(path);
      ASSERT_EQ(kept.size(), 1u) << what;
      EXPECT_EQ(AtomicFile::readText(kept[0]).valueOr("?"), bytes) << what;
      EXPECT_TRUE(log_.contains("kept as " + kept[0])) << what;
      CatalogueDatabase reopened;
      ASSERT_TRUE(reopened.openPath(path)) << what;
      EXPECT_TRUE(reopened.prepare(std::string("SELECT * FROM ") + catalogue.anyTable).ok()) << what;
    }
  }
}

TEST_F(StartUpTest, TheUsersSavedPackageSurvivesADamagedLensCatalogue) {
  const auto first = launch();
  ASSERT_GE(storage::PackageUtil::savePackage(*first->packageOne), 1);
  ASSERT_TRUE(AtomicFile::writeAtomically(CatalogueDatabase::libraryPath(storage::LensDatabaseHelper::kFileName),
                                          std::string_view("broken")).ok());
  launch();
  storage::PackageDatabaseHelper packages;
  ASSERT_TRUE(packages.openDb(false));
  const auto saved = packages.getAllPackages();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].lensManufacturerId, first->packageOne->lensManufacturer->manufacturerId);
}

struct Stamp {
  std::string bytes;
  timespec modified{};
  bool operator==(const Stamp& other) const {
    return bytes == other.bytes && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
  }
};

Stamp stampOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return {AtomicFile::readText(path).valueOr(""), info.st_mtim};
}

TEST_F(StartUpTest, AStartThatChangesNothingWritesNoCatalogueAndASecondSaveNoFile) {
  launch();
  launch();
  std::vector<Stamp> before;
  for (const Catalogue& catalogue : kCatalogues) before.push_back(stampOf(CatalogueDatabase::libraryPath(catalogue.fileName)));
  const auto state = launch();
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_TRUE(stampOf(CatalogueDatabase::libraryPath(kCatalogues[i].fileName)) == before[i])
        << kCatalogues[i].fileName << " was written";
  }
  const Stamp preferences = stampOf(FramesObject::preferencePath());
  state->savePrefs();
  EXPECT_TRUE(stampOf(FramesObject::preferencePath()) == preferences) << "an unchanged save rewrote the file";
}

}  // namespace

}  // namespace app::state

