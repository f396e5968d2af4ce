// A row of the person's deleted together with the stored packages that follow it: both in one step, or,
// where the package catalogue cannot take part (held by another program, missing, refusing), neither.
#include "app/storage/CatalogueRowDeletion.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/PendingPackageRemap.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
namespace fs = std::filesystem;

class CatalogueRowDeletionTest : public StorageTest {
 protected:
  void SetUp() override {
    seedAsAFirstStart();
    LensDatabaseHelper lenses;
    ASSERT_TRUE(lenses.openDb(false));
    model::LensManufacturer mine(0, "Me", "Mine", "Prime Lens", 0, 1.0f, 1);
    series_ = lenses.insertManufacturer(mine);
    model::LensObject first = scenes::lens(series_, 24, 1), second = scenes::lens(series_, 50, 1);
    only_ = lenses.insertNewLensWithSelection(first);
    other_ = lenses.insertNewLensWithSelection(second);
    lenses.closeDb();
    LensAdapterCatalogue adapters;
    ASSERT_TRUE(adapters.openDb(false));
    adapter_.adapterName = "Spare";
    adapter_.adapterValueWidth = 0.7f;
    adapter_.adapterValueHeight = 1.0f;
    adapter_.adapterId = adapters.insertCustomAdapter(adapter_);
    adapters.closeDb();
    alone_ = scenes::savePackage(series_, {only_}, 1084, 1, 1, adapter_.adapterId);
    both_ = scenes::savePackage(series_, {only_, other_}, 599, 1, 1, adapter_.adapterId);
    PackageDatabaseObject standard = scenes::loadPackage(alone_);
    ASSERT_TRUE(withOpen<PackageDatabaseHelper>([&](auto& packages) { return packages.storeStandardPackage(standard, -2); }));
  }
  static std::string packagesPath() { return CatalogueDatabase::libraryPath(PackageDatabaseHelper::kFileName); }
  static int lensRows(int lensId) {
    return countIn<PackageDatabaseHelper>("SELECT COUNT(*) FROM PackageLensData WHERE lensID = " + std::to_string(lensId));
  }
  static int adapterRows(int adapterId) {
    return countIn<PackageDatabaseHelper>("SELECT COUNT(*) FROM PackageData WHERE adapterId = " + std::to_string(adapterId));
  }
  static bool lensListed(int lensId) {
    return withOpen<LensDatabaseHelper>([&](auto& lenses) { return lenses.getLens(lensId).lensId != 0; });
  }

  int series_ = 0, only_ = 0, other_ = 0, alone_ = 0, both_ = 0;
  model::LensAdapterRecord adapter_;
};

// The saved package whose only lens it was goes; the one with another lens keeps that one; the standard
// package loses only the lens.
TEST_F(CatalogueRowDeletionTest, ALensTakesTheSavedPackagesWhoseOnlyLensItWas) {
  model::LensObject lens;
  lens.lensId = only_;
  ASSERT_TRUE(CatalogueRowDeletion::lens(lens));
  EXPECT_FALSE(lensListed(only_));
  EXPECT_EQ(scenes::loadPackage(alone_).packageID, 0);
  EXPECT_EQ(scenes::loadPackage(both_).lensSetIDs, std::vector<int>{other_});
  const auto standard = scenes::loadPackage(-2);
  EXPECT_EQ(standard.packageID, -2);
  EXPECT_TRUE(standard.lensSetIDs.empty());
  EXPECT_EQ(lensRows(only_), 0);
}

// Another program holding the package catalogue, the package catalogue gone missing, or one that refuses
// the change: the row and every package stay, nothing is seeded, and the log says the delete waits.
TEST_F(CatalogueRowDeletionTest, ADeleteThePackagesCannotFollowChangesNothing) {
  const auto unchanged = [&](const char* why) {
    SCOPED_TRACE(why);
    EXPECT_FALSE(CatalogueRowDeletion::adapter(adapter_));
    EXPECT_FALSE(CatalogueRowDeletion::series(series_));
    EXPECT_TRUE(withOpen<LensAdapterCatalogue>([&](auto& adapters) { return adapters.getLensAdapter(adapter_.adapterId).adapterId != 0; }));
    EXPECT_TRUE(lensListed(only_));
  };
  {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(packagesPath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    unchanged("held by another program");
    sqlite3_close(other);
  }
  EXPECT_TRUE(log_.contains("and the stored packages that follow it wait"));
  EXPECT_EQ(adapterRows(adapter_.adapterId), 3);

  ASSERT_TRUE(withOpen<PackageDatabaseHelper>([](auto& packages) {
    return packages.database().execute("CREATE TRIGGER refused BEFORE UPDATE ON PackageData BEGIN SELECT RAISE(ABORT, 'refused'); END");
  }));
  EXPECT_FALSE(CatalogueRowDeletion::adapter(adapter_));
  EXPECT_EQ(adapterRows(adapter_.adapterId), 3);

  const std::string away = container_.pathFor("away.db");
  fs::rename(packagesPath(), away);
  unchanged("missing");
  EXPECT_FALSE(fs::exists(packagesPath())) << "not seeded for a change the person's file would not see";
  fs::rename(away, packagesPath());
  EXPECT_EQ(adapterRows(adapter_.adapterId), 3);
  EXPECT_EQ(lensRows(only_), 3);
}

// A list of renumbered ids left in a catalogue: until the packages follow it, the catalogue may lack the
// rows they name, and nothing is deleted from it by id. It is never applied to a fresh package catalogue
// seeded over the person's missing one; once their own is back it is.
TEST_F(CatalogueRowDeletionTest, ARenumberingNotYetFollowedWaitsForThePersonsPackages) {
  const std::string lenses = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  EXPECT_FALSE(CataloguePlace::mayLackPersonsRows(LensDatabaseHelper::kFileName));
  {
    CatalogueDatabase catalogue;
    ASSERT_TRUE(catalogue.openPath(lenses, false));
    ASSERT_TRUE(catalogue.execute("CREATE TABLE PendingPackageRemap (kind INTEGER, oldId INTEGER, newId INTEGER)"));
    ASSERT_TRUE(catalogue.execute("INSERT INTO PendingPackageRemap VALUES (0, ?, ?)", {other_, other_ + 1000}));
  }
  EXPECT_TRUE(CataloguePlace::mayLackPersonsRows(LensDatabaseHelper::kFileName));

  const std::string away = container_.pathFor("away.db");
  fs::rename(packagesPath(), away);
  ASSERT_TRUE(CatalogueSeeding::seedMissing(PackageDatabaseHelper::kKind));
  EXPECT_FALSE(PendingPackageRemap::apply(lenses));
  model::LensObject lens;
  lens.lensId = only_;
  EXPECT_FALSE(CatalogueRowDeletion::lens(lens));
  EXPECT_TRUE(lensListed(only_));
  EXPECT_TRUE(CataloguePlace::mayLackPersonsRows(LensDatabaseHelper::kFileName));

  fs::rename(away, packagesPath());
  EXPECT_TRUE(PendingPackageRemap::apply(lenses));
  EXPECT_FALSE(CataloguePlace::mayLackPersonsRows(LensDatabaseHelper::kFileName));
  EXPECT_FALSE(fs::exists(packagesPath() + ".was-missing"));
  EXPECT_EQ(lensRows(other_ + 1000), 1) << "the person's package followed";
}

}  // namespace

}  // namespace app::storage
