#include "app/storage/PackageDatabaseHelper.h"

#include <gtest/gtest.h>

#include "app/storage/StorageTestFixture.h"

namespace {

QuorvelPackageDatabaseObject makePackage(const std::string& name, std::vector<int> lenses, int format = 1084) {
  QuorvelPackageDatabaseObject package;
  package.packageName = name;
  package.lensSetIDs = std::move(lenses);
  package.lensManufacturerId = 5;
  package.cameraFormatId = format;
  package.adapterId = 1;
  package.frameGuideId = 1;
  package.frameGuideShading = 2;
  package.frameGuideColor = 0xFC3E30;
  package.cropID = 1;
  package.pacakgeID = 77;  // ignored when saving
  return package;
}

std::vector<int> idsOf(const std::vector<QuorvelPackageDatabaseObject>& packages) {
  std::vector<int> ids;
  for (const auto& package : packages) ids.push_back(package.pacakgeID);
  return ids;
}

class PackageDatabaseHelperTest : public StorageTest {
 protected:
  void SetUp() override { ASSERT_TRUE(helper_.openDb(false)); }
  PackageDatabaseHelper helper_;
};

TEST_F(PackageDatabaseHelperTest, UserPackagesStartAtOneBesideTheStandardPackages) {
  EXPECT_EQ(helper_.getLastPackageID(), 1);
  EXPECT_EQ(helper_.getLastPackageLensID(), 1);
  ASSERT_EQ(helper_.savePackageStandardOne(makePackage("one", {3})), -2);
  ASSERT_EQ(helper_.savePackageStandardTwo(makePackage("two", {4})), -1);
  EXPECT_EQ(helper_.getLastPackageID(), 1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("mine", {5, 6})), 1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("also mine", {7})), 2);
  EXPECT_EQ(helper_.getLastPackageLensID(), 6);
  helper_.deletePackage(1);
  helper_.deletePackage(2);
  helper_.deletePackage(-1);
  EXPECT_EQ(helper_.getLastPackageID(), 1) << "only -2 left: -2 + 1 is not a user id";
}

TEST_F(PackageDatabaseHelperTest, SavingAStandardPackageTwiceKeepsOneRowWithTheLatestLenses) {
  helper_.savePackageStandardOne(makePackage("first", {10, 11, 12}));
  helper_.savePackageStandardOne(makePackage("second", {21, 20}));
  const auto loaded = helper_.loadPackage(-2);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->pacakgeID, -2);
  EXPECT_EQ(loaded->packageName, "second");
  EXPECT_EQ(loaded->lensSetIDs, (std::vector<int>{20, 21}));
  EXPECT_EQ(helper_.getAllLensesInPackages().size(), 2u);
  EXPECT_EQ(helper_.getAllPackagesWithLensManufacturer(5).size(), 1u);
}

TEST_F(PackageDatabaseHelperTest, LoadsEveryColumnAndGivesIdZeroForAnUnknownPackage) {
  const int id = helper_.saveNewPackage(makePackage("Night exteriors", {8}, 599));
  const auto loaded = helper_.loadPackage(id);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->cameraFormatId, 599);
  EXPECT_EQ(loaded->frameGuideColor, 0xFC3E30);
  EXPECT_EQ(loaded->frameGuideShading, 2);
  EXPECT_EQ(loaded->packageName, "Night exteriors");

  const auto unknown = helper_.loadPackage(42);
  ASSERT_TRUE(unknown.has_value());
  EXPECT_EQ(unknown->pacakgeID, 0);
  EXPECT_TRUE(unknown->lensSetIDs.empty());
}

TEST_F(PackageDatabaseHelperTest, ListingLeavesOutTheStandardPackages) {
  helper_.savePackageStandardOne(makePackage("one", {1}));
  helper_.savePackageStandardTwo(makePackage("two", {1}));
  helper_.saveNewPackage(makePackage("b second", {1}));
  helper_.saveNewPackage(makePackage("A first", {2}));
  EXPECT_EQ(idsOf(helper_.getAllPacakges()), (std::vector<int>{2, 1}));
  EXPECT_EQ(idsOf(helper_.getAllPacakgesSortedByName()), (std::vector<int>{2, 1}));
  helper_.changePackageName(2, "c third");
  EXPECT_EQ(idsOf(helper_.getAllPacakgesSortedByName()), (std::vector<int>{1, 2}));
  EXPECT_EQ(helper_.getAllPacakges().front().lensSetIDs, (std::vector<int>{2}));
  EXPECT_EQ(helper_.getAllPackagesWithLensManufacturer(5).size(), 4u);
}

TEST_F(PackageDatabaseHelperTest, CleanUpRemovesExactlyTheOrphanedLensRows) {
  helper_.saveNewPackage(makePackage("keeps", {1, 2}, 10));
  helper_.saveNewPackage(makePackage("goes", {3, 4}, 133));
  helper_.savePackageStandardOne(makePackage("standard", {5}, 133));
  ASSERT_TRUE(helper_.deleteFormat(133));
  EXPECT_EQ(helper_.getAllLensesInPackages().size(), 5u) << "deleting by format leaves the lens rows";
  helper_.closeDb();

  ASSERT_TRUE(helper_.cleanUp());
  ASSERT_TRUE(helper_.openDb(false));
  const auto rows = helper_.getAllLensesInPackages();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].packageID, 1);
  EXPECT_EQ(rows[1].packageID, 1);
  EXPECT_EQ(helper_.getLensPackageIDForPackageId(1, 2), rows[1].plID);
  EXPECT_EQ(helper_.getLensPackageIDForPackageId(2, 3), -1);
}

TEST_F(PackageDatabaseHelperTest, DeletingASeriesTakesStandardPackagesAndTheirLenses) {
  helper_.savePackageStandardOne(makePackage("standard", {1, 2}));
  auto other = makePackage("other series", {3});
  other.lensManufacturerId = 192;
  helper_.saveNewPackage(other);
  ASSERT_TRUE(helper_.deleteLensManufacturer(5));
  EXPECT_FALSE(helper_.packageIDExists(-2));
  EXPECT_TRUE(helper_.packageIDExists(1));
  EXPECT_EQ(helper_.getAllLensesInPackages().size(), 1u);
}

TEST_F(PackageDatabaseHelperTest, DeletedRowsFallBackAndLensesLeaveEveryPackage) {
  auto package = makePackage("p", {7, 8});
  package.adapterId = 9;
  package.frameGuideId = 12;
  helper_.saveNewPackage(package);
  helper_.saveNewPackage(makePackage("q", {7}));
  helper_.deleteAdapter(9);
  helper_.deleteFrameGuide(12);
  helper_.deleteLenses(7);
  const auto loaded = helper_.loadPackage(1);
  EXPECT_EQ(loaded->adapterId, 1);
  EXPECT_EQ(loaded->frameGuideId, 1);
  EXPECT_EQ(loaded->lensSetIDs, (std::vector<int>{8}));
  EXPECT_TRUE(helper_.getallLensIdsForPackage(2).empty());
}

TEST_F(PackageDatabaseHelperTest, RemappingIsOneMappingForEveryKindOfId) {
  for (int format : {5, 7, 9}) {
    auto package = makePackage("f", {format * 10}, format);
    package.cropID = format;
    package.frameGuideId = format;
    package.adapterId = format;
    package.lensManufacturerId = format;
    helper_.saveNewPackage(package);
  }
  const std::vector<UpdateFormatIDObject> chain = {{5, 7}, {7, 9}};
  ASSERT_TRUE(helper_.remapFormatIds(chain));
  ASSERT_TRUE(helper_.remapCropIds(chain));
  ASSERT_TRUE(helper_.remapFrameGuideIds(chain));
  ASSERT_TRUE(helper_.remapAdapterIds(chain));
  ASSERT_TRUE(helper_.remapLensManufacturerIds(chain));
  ASSERT_TRUE(helper_.remapLensIds({{50, 70}, {70, 90}}));
  const int expected[] = {7, 9, 9};  // packages 1, 2, 3 were on 5, 7, 9
  for (int id = 1; id <= 3; ++id) {
    const auto p = helper_.loadPackage(id);
    EXPECT_EQ(p->cameraFormatId, expected[id - 1]) << id;
    EXPECT_EQ(p->cropID, expected[id - 1]) << id;
    EXPECT_EQ(p->frameGuideId, expected[id - 1]) << id;
    EXPECT_EQ(p->adapterId, expected[id - 1]) << id;
    EXPECT_EQ(p->lensManufacturerId, expected[id - 1]) << id;
    EXPECT_EQ(p->lensSetIDs, std::vector<int>{expected[id - 1] * 10}) << id;
  }
}

TEST_F(PackageDatabaseHelperTest, SingleUpdatesTouchOnlyTheirRows) {
  helper_.saveNewPackage(makePackage("a", {1, 2}));
  helper_.saveNewPackage(makePackage("b", {1}));
  ASSERT_TRUE(helper_.updateLensManufacturer(5, 250, 2));
  EXPECT_EQ(helper_.loadPackage(1)->lensManufacturerId, 5);
  EXPECT_EQ(helper_.loadPackage(2)->lensManufacturerId, 250);
  ASSERT_TRUE(helper_.updateLensManufacturerID(251, 1));
  EXPECT_EQ(helper_.loadPackage(1)->lensManufacturerId, 251);
  const int row = helper_.getLensPackageIDForPackageId(2, 1);
  ASSERT_TRUE(helper_.updateLensID(1, 300, row));
  EXPECT_EQ(helper_.getallLensIdsForPackage(1), (std::vector<int>{1, 2}));
  EXPECT_EQ(helper_.getallLensIdsForPackage(2), (std::vector<int>{300}));
  ASSERT_TRUE(helper_.updateFormatIdold(1084, 10));
  EXPECT_EQ(helper_.loadPackage(2)->cameraFormatId, 10);
}

TEST_F(PackageDatabaseHelperTest, AFailedWriteStoresNothingAndKeepsTheOldStandardPackage) {
  helper_.savePackageStandardOne(makePackage("kept", {1, 2}));
  // Break lens-row inserts: every new lens row now collides with an existing id.
  ASSERT_TRUE(helper_.database().execute("CREATE TRIGGER refuse BEFORE INSERT ON PackageLensData "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  EXPECT_EQ(helper_.savePackageStandardOne(makePackage("lost", {3})), -1);
  EXPECT_EQ(helper_.saveNewPackage(makePackage("user", {4})), -1);
  EXPECT_EQ(helper_.savePackageLensID(5, -2), -1);
  const auto kept = helper_.loadPackage(-2);
  EXPECT_EQ(kept->packageName, "kept");
  EXPECT_EQ(kept->lensSetIDs, (std::vector<int>{1, 2}));
  EXPECT_FALSE(helper_.packageIDExists(1));
  EXPECT_FALSE(helper_.packageIDExists(-1)) << "nothing may be stored under the failure id -1";
}

TEST_F(PackageDatabaseHelperTest, ClosedCatalogueYieldsEmptyValues) {
  helper_.closeDb();
  useEmptyBundle();
  PackageDatabaseHelper helper;
  EXPECT_TRUE(helper.openDb(false)) << "the seeded file from SetUp is still there";
  helper.closeDb();
  EXPECT_EQ(helper.getLastPackageID(), -1);
  EXPECT_EQ(helper.saveNewPackage(makePackage("x", {1})), -1);
  EXPECT_FALSE(helper.loadPackage(1).has_value());
  EXPECT_TRUE(helper.getAllPacakges().empty());
  EXPECT_FALSE(helper.packageIDExists(-2));
  EXPECT_FALSE(helper.remapFormatIds({{1, 2}}));
  EXPECT_TRUE(log_.contains("Eror fetching the lat id..."));
}

}  // namespace
