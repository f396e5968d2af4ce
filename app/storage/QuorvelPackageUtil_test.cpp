// The package facade against the shipped catalogues in a fresh container.
#include "app/storage/QuorvelPackageUtil.h"

#include <gtest/gtest.h>

#include "app/storage/CatalogueUpdateScenes.h"
#include "app/storage/QuorvelLensAdapterDBHelper.h"
#include "app/storage/StorageTestFixture.h"

namespace {

int count(CatalogueDatabase& database, const std::string& sql) {
  auto statement = database.prepare(sql);
  return statement.step() == CatalogueStatement::Step::Row ? statement.columnInt(0) : -1;
}

int lensCount(const std::string& sql) {
  LensDatabaseHelper helper;
  helper.openDb(false);
  return count(helper.database(), sql);
}

class PackageFacadeTest : public StorageTest {
 protected:
  static bool isFallback(const QuorvelPackage& package) {
    return package.shootingMode && package.shootingMode->containerID == QuorvelPackageUtil::kFallbackFormat &&
           package.lensManufacturer && package.lensManufacturer->manufactorId == 5;
  }
  static std::vector<int> lensIds(const QuorvelPackage& package) {
    std::vector<int> ids;
    for (const auto& lens : package.lensSet) ids.push_back(lens.lensId);
    return ids;
  }
};

TEST_F(PackageFacadeTest, ListingDropsStoredPackagesWhoseLensesAreAllGone) {
  const int keep = scenes::savePackage(5, {16, 14});
  const int noRows = scenes::savePackage(5, {});
  const int vanished = scenes::savePackage(5, {99999});
  const auto listed = QuorvelPackageUtil::getAllPackages();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].packageID, keep);
  EXPECT_EQ(lensIds(listed[0]), (std::vector<int>{14, 16})) << "by focal length";

  PackageDatabaseHelper packages;
  ASSERT_TRUE(packages.openDb(false));
  EXPECT_FALSE(packages.packageIDExists(noRows));
  EXPECT_FALSE(packages.packageIDExists(vanished));
  EXPECT_TRUE(packages.getallLensIdsForPackage(vanished).empty()) << "its lens rows went with it";
}

TEST_F(PackageFacadeTest, CropsBelowTwoLoadAsNativeAndAMissingCropOrFormatGivesTheFallback) {
  for (int crop : {0, 1}) {
    const auto package = QuorvelPackageUtil::loadPackage(scenes::savePackage(5, {16}, 599, crop));
    EXPECT_EQ(package.formatType, "native");
    EXPECT_EQ(package.cropID, 1);
    EXPECT_TRUE(package.cropAspectRatio.empty());
    EXPECT_EQ(package.shootingMode->containerID, 599);
  }
  const auto cropped = QuorvelPackageUtil::loadPackage(scenes::savePackage(5, {16}, 599, 10));
  EXPECT_EQ(cropped.formatType, "crop");
  EXPECT_EQ(cropped.cropAspectRatio, "1.66:1");

  log_.clear();
  EXPECT_TRUE(isFallback(QuorvelPackageUtil::loadPackage(scenes::savePackage(5, {16}, 599, 4242))));
  EXPECT_TRUE(log_.contains("Error in Package - NIL!"));
  log_.clear();
  const auto noFormat = QuorvelPackageUtil::loadPackage(scenes::savePackage(5, {16}, 987654));
  EXPECT_TRUE(isFallback(noFormat));
  EXPECT_TRUE(log_.contains("Error in Package - NIL!"));
  EXPECT_TRUE(log_.contains("Get Fall Back Package!"));
  EXPECT_EQ(noFormat.frameGuideColor, QuorvelColor::blueColor());
  EXPECT_EQ(noFormat.frameGuideShading, 4);
  EXPECT_TRUE(isFallback(QuorvelPackageUtil::loadPackage(777))) << "no such package";
}

TEST_F(PackageFacadeTest, StartPackageTwoSelectsItsSeriesWithOnlyItsZoom) {
  const auto one = QuorvelPackageUtil::getStartPackageOne();
  EXPECT_EQ(one.shootingMode->containerID, 1084);
  EXPECT_EQ(one.lensManufacturer->manufactorId, 5);
  EXPECT_FALSE(one.lensSet.empty());

  LensDatabaseHelper helper;
  ASSERT_TRUE(helper.openDb(false));
  ASSERT_TRUE(helper.updateLensSelection({.lensId = 153, .defaultSelection = 1}));
  helper.closeDb();
  const auto two = QuorvelPackageUtil::getStartPackageTwo();
  EXPECT_EQ(two.shootingMode->containerID, 599);
  EXPECT_EQ(two.lensManufacturer->manufactorId, 192);
  EXPECT_EQ(lensIds(two), std::vector<int>{1246});
  EXPECT_EQ(lensCount("SELECT COUNT(*) FROM Manufacturer WHERE Selected = 1"), 1);
  EXPECT_EQ(lensCount("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 192 AND DefaultSelection = 1"), 1);
  EXPECT_EQ(two.frameGuideColor, QuorvelColor::blueColor());
  EXPECT_EQ(two.frameGuideShading, 4);
}

TEST_F(PackageFacadeTest, WritingASelectionLeavesExactlyThePackagesPartsSelected) {
  QuorvelPackage package = QuorvelPackageUtil::loadPackage(scenes::savePackage(5, {16, 20}, 599, 1, 10));
  // Make a mess of every selection first.
  LensDatabaseHelper lenses;
  ASSERT_TRUE(lenses.openDb(false));
  lenses.selectManufacturer(192);
  for (int id : {14, 15, 22}) lenses.updateLensSelection({.lensId = id, .defaultSelection = 1});
  lenses.closeDb();
  QuorvelLensAdapterDBHelper adapters;
  ASSERT_TRUE(adapters.openDb(false));
  adapters.selectAdapter(3);
  adapters.selectAdapter(7);
  package.lensAdapter = adapters.getLensAdapter(5);
  adapters.closeDb();

  QuorvelPackageUtil::setLoadedPackageinDB(package);
  EXPECT_EQ(lensCount("SELECT COUNT(*) FROM Manufacturer WHERE Selected = 1 AND ManufacturerId = 5"), 1);
  EXPECT_EQ(lensCount("SELECT COUNT(*) FROM Manufacturer WHERE Selected = 1"), 1);
  LensDatabaseHelper check;
  ASSERT_TRUE(check.openDb(false));
  std::vector<int> selected;
  for (const auto& lens : check.getSelectedLenses4Manufacturer(5)) selected.push_back(lens.lensId);
  EXPECT_EQ(selected, (std::vector<int>{16, 20}));
  check.closeDb();
  ASSERT_TRUE(adapters.openDb(false));
  EXPECT_EQ(count(adapters.database(), "SELECT COUNT(*) FROM QuorvelLensAdapter WHERE AdapterSelected = 1"), 1);
  EXPECT_EQ(adapters.getSelectedLensAdapter().adapterId, 5);
  adapters.closeDb();
  QuorvelFrameGuidesDatabaseHelper guides;
  ASSERT_TRUE(guides.openDb(false));
  EXPECT_EQ(count(guides.database(), "SELECT COUNT(*) FROM QuorvelFrameGuide WHERE selected = 1"), 1);
  EXPECT_EQ(guides.getSelectedFrameGuide().frameGuideId, 10);
}

TEST_F(PackageFacadeTest, MissingAdapterFrameGuideAndLensesReadAsNoneRatherThanZeros) {
  // Stored without adapter and frame guide, with one lens that is gone from the catalogue.
  QuorvelPackageDatabaseObject row;
  row.cameraFormatId = 599;
  row.cropID = 1;
  row.lensManufacturerId = 5;
  row.lensSetIDs = {16, 88888};
  row.adapterId = 0;
  row.frameGuideId = 0;
  const auto stored = QuorvelPackageUtil::loadPackage(QuorvelPackageUtil::saveNewPackageFromOldPreset(row));
  EXPECT_FALSE(isFallback(stored));
  EXPECT_EQ(stored.lensAdapter->adapterId, 1);
  EXPECT_FLOAT_EQ(stored.lensAdapter->adapterValueWidth, 1.0f);
  EXPECT_EQ(stored.frameGuide->frameGuideId, 1);
  EXPECT_EQ(lensIds(stored), std::vector<int>{16}) << "no 0 mm lens";

  // Nothing selected in the adapter and frame-guide catalogues.
  QuorvelLensAdapterDBHelper adapters;
  ASSERT_TRUE(adapters.openDb(false));
  adapters.deselectAllAdapter();
  adapters.closeDb();
  QuorvelFrameGuidesDatabaseHelper guides;
  ASSERT_TRUE(guides.openDb(false));
  guides.deselectAllFrameGuids();
  guides.closeDb();
  const auto built = QuorvelPackageUtil::getCurrentPackageWithFormatID(1084, 1);
  EXPECT_FALSE(isFallback(built));
  EXPECT_EQ(built.lensAdapter->adapterId, 1);
  EXPECT_EQ(built.frameGuide->frameGuideId, 1);
  EXPECT_EQ(QuorvelPackageUtil::generateDatbaseObject(built).frameGuideId, 1);
}

TEST_F(PackageFacadeTest, APackageComesBackAsItWasSaved) {
  QuorvelPackage package = QuorvelPackageUtil::getCurrentPackageWithFormatID(599, 10);
  package.packageName = "Night \"exterior\"";
  package.frameGuideColor = QuorvelColor::fromColorCode(0x123456);
  package.frameGuideShading = 3;
  const int id = QuorvelPackageUtil::savePackage(package);
  ASSERT_GT(id, 0);
  const auto loaded = QuorvelPackageUtil::loadPackage(id);
  EXPECT_EQ(loaded.packageID, id);
  EXPECT_EQ(loaded.packageName, package.packageName);
  EXPECT_EQ(loaded.frameGuideColor.colorCode(), 0x123456);
  EXPECT_EQ(loaded.frameGuideShading, 3);
  EXPECT_EQ(loaded.cropID, 10);
  EXPECT_EQ(lensIds(loaded), lensIds(package));
  EXPECT_EQ(loaded.mLensSet->lensManufactrer.manufactorId, 5);

  QuorvelPackageUtil::editPackageName(id, "Day");
  QuorvelPackageUtil::deleteLens(package.lensSet.front());
  ASSERT_EQ(QuorvelPackageUtil::getAllPackagesSortedByName().size(), 1u);
  EXPECT_EQ(QuorvelPackageUtil::getAllPackagesSortedByName()[0].packageName, "Day");
  for (const auto& lens : package.lensSet) QuorvelPackageUtil::deleteLens(lens);
  EXPECT_TRUE(QuorvelPackageUtil::getAllPackages().empty());
}

}  // namespace
