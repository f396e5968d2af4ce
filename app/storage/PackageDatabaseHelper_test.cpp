#include "app/storage/PackageDatabaseHelper.h"

#include <gtest/gtest.h>

#include "app/storage/StorageTestSupport.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;

PackageDatabaseObject makePackage(const std::string& name, std::vector<int> lenses, int format = 1084) {
  PackageDatabaseObject package;
  package.packageName = name;
  package.lensSetIDs = std::move(lenses);
  package.lensManufacturerId = 5;
  package.cameraFormatId = format;
  package.adapterId = 1;
  package.frameGuideId = 1;
  package.cropID = 1;
  package.packageID = 77;  // ignored when saving
  return package;
}

std::vector<int> idsOf(const std::vector<PackageDatabaseObject>& packages) {
  std::vector<int> ids;
  for (const auto& package : packages) ids.push_back(package.packageID);
  return ids;
}

class PackageDatabaseHelperTest : public StorageTest {
 protected:
  void SetUp() override { ASSERT_TRUE(helper_.openDb(false)); }
  PackageDatabaseObject load(int id) { return helper_.loadPackage(id).value_or(PackageDatabaseObject()); }
  PackageDatabaseHelper helper_;
};

TEST_F(PackageDatabaseHelperTest, UserPackagesStartAtOneBesideTheStandardPackages) {
  EXPECT_EQ(helper_.getLastPackageID(), 1);
  ASSERT_EQ(helper_.savePackageStandardOne(makePackage("one", {3})), -2);
  ASSERT_EQ(helper_.savePackageStandardTwo(makePackage("two", {4})), -1);
  EXPECT_EQ(helper_.getLastPackageID(), 1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("mine", {5, 6})), 1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("also mine", {7})), 2);
  EXPECT_EQ(helper_.getLastPackageLensID(), 6);
  EXPECT_TRUE(helper_.deletePackage(1));
  EXPECT_TRUE(helper_.deletePackage(2));
  EXPECT_TRUE(helper_.deletePackage(-1));
  EXPECT_EQ(helper_.getLastPackageID(), 1) << "only -2 left: -2 + 1 is not a user id";

  const auto unknown = helper_.loadPackage(42);
  ASSERT_TRUE(unknown.has_value());
  EXPECT_EQ(unknown->packageID, 0);
  EXPECT_TRUE(unknown->lensSetIDs.empty());
}

TEST_F(PackageDatabaseHelperTest, SavingAStandardPackageTwiceKeepsOneRowWithTheLatestLenses) {
  EXPECT_EQ(helper_.savePackageStandardOne(makePackage("first", {10, 11, 12})), -2);
  EXPECT_EQ(helper_.savePackageStandardOne(makePackage("second", {21, 20})), -2);
  const auto loaded = load(-2);
  EXPECT_EQ(loaded.packageID, -2);
  EXPECT_EQ(loaded.packageName, "second");
  EXPECT_EQ(loaded.lensSetIDs, (std::vector<int>{20, 21}));
  EXPECT_EQ(helper_.getAllLensesInPackages().size(), 2u);
}

TEST_F(PackageDatabaseHelperTest, ListingLeavesOutTheStandardPackages) {
  EXPECT_EQ(helper_.savePackageStandardOne(makePackage("one", {1})), -2);
  EXPECT_EQ(helper_.savePackageStandardTwo(makePackage("two", {1})), -1);
  EXPECT_GE(helper_.saveNewPackage(makePackage("b second", {1})), 1);
  EXPECT_GE(helper_.saveNewPackage(makePackage("A first", {2})), 1);
  EXPECT_EQ(idsOf(helper_.getAllPackages()), (std::vector<int>{2, 1}));
  EXPECT_EQ(idsOf(helper_.getAllPackagesSortedByName()), (std::vector<int>{2, 1}));
  EXPECT_TRUE(helper_.changePackageName(2, "c third"));
  EXPECT_EQ(idsOf(helper_.getAllPackagesSortedByName()), (std::vector<int>{1, 2}));
  EXPECT_EQ(helper_.getAllPackages().front().lensSetIDs, (std::vector<int>{2}));
}

TEST_F(PackageDatabaseHelperTest, CleanUpRemovesExactlyTheOrphanedLensRows) {
  EXPECT_GE(helper_.saveNewPackage(makePackage("keeps", {1, 2}, 10)), 1);
  EXPECT_GE(helper_.saveNewPackage(makePackage("goes", {3, 4}, 133)), 1);
  EXPECT_EQ(helper_.savePackageStandardOne(makePackage("standard", {5}, 133)), -2);
  ASSERT_TRUE(helper_.deleteFormat(133));
  EXPECT_EQ(helper_.getAllLensesInPackages().size(), 5u) << "deleting by format leaves the lens rows";
  EXPECT_TRUE(helper_.packageIDExists(-2)) << "a standard package is never deleted with a format";
  helper_.closeDb();

  ASSERT_TRUE(helper_.cleanUp());
  ASSERT_TRUE(helper_.openDb(false));
  const auto rows = helper_.getAllLensesInPackages();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].packageID, 1);
  EXPECT_EQ(rows[1].packageID, 1);
  EXPECT_EQ(rows[2].packageID, -2);
  EXPECT_EQ(helper_.getLensPackageIDForPackageId(2, 3), -1);
}

TEST_F(PackageDatabaseHelperTest, DeletedCatalogueRowsTakeOrFallBackEveryPackageOnThem) {
  auto package = makePackage("p", {7, 8});
  package.adapterId = 9;
  package.frameGuideId = 12;
  EXPECT_GE(helper_.saveNewPackage(package), 1);
  EXPECT_GE(helper_.saveNewPackage(makePackage("q", {7})), 1);
  package.lensManufacturerId = 192;
  EXPECT_GE(helper_.saveNewPackage(package), 1);
  EXPECT_TRUE(helper_.deleteAdapter(9));
  EXPECT_TRUE(helper_.deleteFrameGuide(12));
  EXPECT_TRUE(helper_.deleteLenses(7));
  const auto loaded = load(1);
  EXPECT_EQ(std::pair(loaded.adapterId, loaded.frameGuideId), std::pair(1, 1));
  EXPECT_EQ(loaded.lensSetIDs, (std::vector<int>{8}));
  EXPECT_TRUE(helper_.getallLensIdsForPackage(2).empty());
  ASSERT_TRUE(helper_.deleteLensManufacturer(5));
  EXPECT_EQ(idsOf(helper_.getAllPackages()), std::vector<int>{3});
  EXPECT_EQ(helper_.getAllLensesInPackages().size(), 1u) << "the lens rows went with their packages";
}

// A deleted format, crop or series takes the saved packages on it and never a standard package, which
// loses only the part that went when it is next loaded.
TEST_F(PackageDatabaseHelperTest, ADeletedRowTakesOnlyTheSavedPackagesOnIt) {
  auto package = makePackage("on them", {7}, 133);
  package.cropID = 12;
  package.lensManufacturerId = 40;
  ASSERT_EQ(helper_.savePackageStandardOne(package), -2);
  ASSERT_EQ(helper_.savePackageStandardTwo(package), -1);
  for (int i = 0; i < 3; ++i) ASSERT_GE(helper_.saveNewPackage(package), 1);
  ASSERT_TRUE(helper_.deleteFormat(133));
  ASSERT_TRUE(helper_.saveNewPackage(package) >= 1 && helper_.saveNewPackage(package) >= 1);
  ASSERT_TRUE(helper_.deleteCropFormat(12));
  ASSERT_GE(helper_.saveNewPackage(package), 1);
  ASSERT_TRUE(helper_.deleteLensManufacturer(40));
  EXPECT_TRUE(helper_.getAllPackages().empty());
  for (int id : {-2, -1}) {
    EXPECT_EQ(load(id).packageID, id);
    EXPECT_EQ(load(id).lensSetIDs, std::vector<int>{7}) << id;
  }
}

// A saved package deleted with its format leaves its lens rows to the clean-up; a package saved next under
// the freed id holds only its own lenses.
TEST_F(PackageDatabaseHelperTest, ANewPackageHoldsOnlyItsOwnLenses) {
  EXPECT_EQ(helper_.saveNewPackage(makePackage("kept", {1})), 1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("goes", {2, 3}, 133)), 2);
  ASSERT_TRUE(helper_.deleteFormat(133));
  EXPECT_EQ(helper_.saveNewPackage(makePackage("new", {4})), 2);
  EXPECT_EQ(load(2).lensSetIDs, std::vector<int>{4});
  EXPECT_EQ(load(1).lensSetIDs, std::vector<int>{1});
}

TEST_F(PackageDatabaseHelperTest, AFailedWriteStoresNothingAndKeepsTheOldStandardPackage) {
  EXPECT_EQ(helper_.savePackageStandardOne(makePackage("kept", {1, 2})), -2);
  ASSERT_TRUE(
      helper_.database().execute("CREATE TRIGGER refuse BEFORE INSERT ON PackageLensData "
                                 "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  EXPECT_EQ(helper_.savePackageStandardOne(makePackage("lost", {3})), -1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("user", {4})), -1);
  EXPECT_EQ(helper_.savePackageLensID(5, -2), -1);
  const auto kept = load(-2);
  EXPECT_EQ(kept.packageName, "kept");
  EXPECT_EQ(kept.lensSetIDs, (std::vector<int>{1, 2}));
  EXPECT_FALSE(helper_.packageIDExists(1));
  EXPECT_FALSE(helper_.packageIDExists(-1)) << "nothing may be stored under the failure id -1";
}

TEST_F(PackageDatabaseHelperTest, ClosedCatalogueYieldsEmptyValues) {
  helper_.closeDb();
  EXPECT_EQ(helper_.getLastPackageID(), -1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("x", {1})), -1);
  EXPECT_FALSE(helper_.loadPackage(1).has_value());
  EXPECT_TRUE(helper_.getAllPackages().empty());
  EXPECT_FALSE(helper_.packageIDExists(-2));
  EXPECT_FALSE(helper_.remapFormatIds({{1, 2}}));
  EXPECT_TRUE(log_.contains("Eror fetching the lat id..."));
}

}  // namespace

}  // namespace app::storage

