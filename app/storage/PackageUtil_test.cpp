// The package facade against the shipped catalogues in a fresh container.
#include "app/storage/PackageUtil.h"

#include <gtest/gtest.h>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/StorageTestSupport.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;

int lensCount(const std::string& sql) { return countIn<LensDatabaseHelper>(sql); }

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
class PackageFacadeTest : public StorageTest {
 protected:
  static bool isFallback(const model::CameraPackage& package) {
    return package.shootingMode && package.shootingMode->containerID == PackageUtil::kFallbackFormat &&
           package.lensManufacturer && package.lensManufacturer->manufacturerId == 5;
  }
  static std::vector<int> lensIds(const model::CameraPackage& package) {
    std::vector<int> ids;
    for (const auto& lens : package.lensSet) ids.push_back(lens.lensId);
    return ids;
  }
  // "599 crop 10 1.66:1 | series 5: 16 20": what a package shows of its format, crop and lenses.
  static std::string summary(const model::CameraPackage& package) {
    std::string text = std::to_string(package.shootingMode ? package.shootingMode->containerID : 0) + " " +
                       package.formatType + " " + std::to_string(package.cropID) +
                       (package.cropAspectRatio.empty() ? "" : " " + package.cropAspectRatio) + " | series " +
                       std::to_string(package.lensManufacturer ? package.lensManufacturer->manufacturerId : 0) + ":";
    for (int id : lensIds(package)) text += " " + std::to_string(id);
    return text;
  }
  // "599 crop 10 1.66:1": the format part of the summary.
  static std::string formatOf(const model::CameraPackage& package) {
    const std::string text = summary(package);
    return text.substr(0, text.find(" |"));
  }
};
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST_F(PackageFacadeTest, ListingDropsStoredPackagesWhoseLensesAreAllGone) {
  seedAsAFirstStart();
  const int keep = scenes::savePackage(5, {16, 14});
  const int noRows = scenes::savePackage(5, {});
  const int vanished = scenes::savePackage(5, {99999});
  const auto listed = PackageUtil::getAllPackages();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].packageID, keep);
  EXPECT_EQ(lensIds(listed[0]), (std::vector<int>{14, 16})) << "by focal length";

  const std::string stored = "SELECT COUNT(*) FROM PackageData WHERE packageId IN (" + std::to_string(noRows) + ", " +
                             std::to_string(vanished) + ")";
  EXPECT_EQ(countIn<PackageDatabaseHelper>(stored), 0);
  EXPECT_EQ(countIn<PackageDatabaseHelper>("SELECT COUNT(*) FROM PackageLensData WHERE lensId = 99999"), 0)
      << "its lens rows went with it";
}

TEST_F(PackageFacadeTest, CropsBelowTwoLoadAsNativeAndAMissingCropOrFormatGivesTheFallback) {
  for (int crop : {0, 1}) {
    EXPECT_EQ(summary(PackageUtil::loadPackage(scenes::savePackage(5, {16}, 599, crop))),
              "599 native 1 | series 5: 16");
  }
  EXPECT_EQ(summary(PackageUtil::loadPackage(scenes::savePackage(5, {16}, 599, 10))),
            "599 crop 10 1.66:1 | series 5: 16");

  log_.clear();
  EXPECT_TRUE(isFallback(PackageUtil::loadPackage(scenes::savePackage(5, {16}, 599, 4242))));
  EXPECT_TRUE(log_.contains("Error in Package - NIL!"));
  log_.clear();
  const auto noFormat = PackageUtil::loadPackage(scenes::savePackage(5, {16}, 987654));
  EXPECT_TRUE(isFallback(noFormat));
  EXPECT_TRUE(log_.contains("Error in Package - NIL!"));
  EXPECT_TRUE(log_.contains("Get Fall Back Package!"));
  EXPECT_TRUE(log_.contains("could not be read from the catalogues; the default package takes its place"));
  EXPECT_EQ(noFormat.frameGuideColor, model::StoredColor::blueColor());
  EXPECT_EQ(noFormat.frameGuideShading, 4);
  EXPECT_TRUE(isFallback(PackageUtil::loadPackage(777))) << "no such package";
}

TEST_F(PackageFacadeTest, AFormatsCropThatIsGoneKeepsTheFormatAsACropWithoutARatio) {
  const auto gone = PackageUtil::getCurrentPackageWithFormatID(599, 4242);
  EXPECT_FALSE(isFallback(gone));
  EXPECT_EQ(formatOf(gone), "599 crop 4242");
  // Without a ratio the crop frames nothing away.
  const auto native = PackageUtil::getCurrentPackageWithFormatID(599, 1);
  EXPECT_EQ(formatOf(native), "599 native 1");
  EXPECT_FLOAT_EQ(gone.getFinalSimulationFormatWidth(), native.getFinalSimulationFormatWidth());
  EXPECT_FLOAT_EQ(gone.getFinalSimulationFormatHeight(), native.getFinalSimulationFormatHeight());

  EXPECT_EQ(formatOf(PackageUtil::getCurrentPackageWithFormatID(599, 10)), "599 crop 10 1.66:1");
  for (int crop : {0, -3}) EXPECT_TRUE(isFallback(PackageUtil::getCurrentPackageWithFormatID(599, crop))) << crop;
  EXPECT_TRUE(isFallback(PackageUtil::getCurrentPackageWithFormatID(987654, 1)));
}

TEST_F(PackageFacadeTest, TheFallbackPackageSelectsTheFirstLensOfItsSeriesWhenNoneIsSelected) {
  const auto all = withOpen<LensDatabaseHelper>([](auto& lenses) { return lenses.getAllLensesForManufacturer(5); });
  ASSERT_GE(all.size(), 2u);
  ASSERT_TRUE(withOpen<LensDatabaseHelper>([](auto& lenses) { return lenses.deselectLensesForManufacturer(5); }));

  const auto fallback = PackageUtil::getFallBackPackage();
  EXPECT_EQ(fallback.lensSet.size(), all.size()) << "the whole series";
  const std::string selected = "SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 5 AND DefaultSelection = 1";
  EXPECT_EQ(lensCount(selected), 1);
  EXPECT_EQ(lensCount(selected + " AND LensId = " + std::to_string(all.front().lensId)), 1);
  ASSERT_FALSE(fallback.lensSet.empty());
  EXPECT_EQ(fallback.lensSet.front().selected, 1);
  EXPECT_EQ(selectedSeries(), 5);

  // Once a lens is selected, the fallback package carries the selected lenses only.
  EXPECT_EQ(lensIds(PackageUtil::getFallBackPackage()), std::vector<int>{all.front().lensId});
}

TEST_F(PackageFacadeTest, StartPackageTwoSelectsItsSeriesWithOnlyItsZoom) {
  const auto one = PackageUtil::getStartPackageOne();
  EXPECT_EQ(one.shootingMode->containerID, 1084);
  EXPECT_EQ(one.lensManufacturer->manufacturerId, 5);
  EXPECT_FALSE(one.lensSet.empty());

  ASSERT_TRUE(withOpen<LensDatabaseHelper>(
      [](auto& lenses) { return lenses.updateLensSelection({.lensId = 153, .defaultSelection = 1}); }));
  const auto two = PackageUtil::getStartPackageTwo();
  EXPECT_EQ(summary(two), "599 native 1 | series 192: 1246");
  EXPECT_EQ(selectedSeries(), 192);
  EXPECT_EQ(lensCount("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 192 AND DefaultSelection = 1"), 1);
  EXPECT_EQ(two.frameGuideColor, model::StoredColor::blueColor());
  EXPECT_EQ(two.frameGuideShading, 4);
}

TEST_F(PackageFacadeTest, WritingASelectionLeavesExactlyThePackagesPartsSelected) {
  model::CameraPackage package = PackageUtil::loadPackage(scenes::savePackage(5, {16, 20}, 599, 1, 10));
  // Make a mess of every selection first.
  withOpen<LensDatabaseHelper>([](auto& lenses) {
    EXPECT_TRUE(lenses.selectManufacturer(192));
    for (int id : {14, 15, 22}) EXPECT_TRUE(lenses.updateLensSelection({.lensId = id, .defaultSelection = 1}));
  });
  package.lensAdapter = withOpen<LensAdapterCatalogue>([](auto& adapters) {
    EXPECT_TRUE(adapters.selectAdapter(3));
    EXPECT_TRUE(adapters.selectAdapter(7));
    return adapters.getLensAdapter(5);
  });

  PackageUtil::setLoadedPackageinDB(package);
  EXPECT_EQ(selectedSeries(), 5);
  EXPECT_EQ(lensCount("SELECT COUNT(*) FROM Lenses WHERE DefaultSelection = 1 AND ManufacturerId = 5"), 2);
  EXPECT_EQ(lensCount("SELECT COUNT(*) FROM Lenses WHERE DefaultSelection = 1 AND LensId IN (16, 20)"), 2);
  EXPECT_EQ(selectedAdapter(), 5);
  EXPECT_EQ(selectedGuide(), 10);
}

TEST_F(PackageFacadeTest, MissingAdapterFrameGuideAndLensesReadAsNoneRatherThanZeros) {
  // Stored without adapter and frame guide, with one lens that is gone from the catalogue.
  PackageDatabaseObject row;
  row.cameraFormatId = 599;
  row.cropID = 1;
  row.lensManufacturerId = 5;
  row.lensSetIDs = {16, 88888};
  row.adapterId = 0;
  row.frameGuideId = 0;
  const auto stored = PackageUtil::loadPackage(PackageUtil::saveNewPackageFromOldPreset(row));
  EXPECT_FALSE(isFallback(stored));
  EXPECT_EQ(stored.lensAdapter->adapterId, 1);
  EXPECT_FLOAT_EQ(stored.lensAdapter->adapterValueWidth, 1.0f);
  EXPECT_EQ(stored.frameGuide->frameGuideId, 1);
  EXPECT_EQ(lensIds(stored), std::vector<int>{16}) << "no 0 mm lens";

  // Nothing selected in the adapter and frame-guide catalogues.
  withOpen<LensAdapterCatalogue>([](auto& adapters) { return adapters.deselectAllAdapter(); });
  withOpen<FrameGuideCatalogue>([](auto& guides) { return guides.deselectAllFrameGuids(); });
  const auto built = PackageUtil::getCurrentPackageWithFormatID(1084, 1);
  EXPECT_FALSE(isFallback(built));
  EXPECT_EQ(built.lensAdapter->adapterId, 1);
  EXPECT_EQ(built.frameGuide->frameGuideId, 1);
  EXPECT_EQ(PackageUtil::generateDatabaseObject(built).frameGuideId, 1);
}

TEST_F(PackageFacadeTest, APackageComesBackAsItWasSaved) {
  model::CameraPackage package = PackageUtil::getCurrentPackageWithFormatID(599, 10);
  package.packageName = "Night \"exterior\"";
  package.frameGuideColor = model::StoredColor::fromColorCode(0x123456);
  package.frameGuideShading = 3;
  const int id = PackageUtil::savePackage(package);
  ASSERT_GT(id, 0);
  const auto loaded = PackageUtil::loadPackage(id);
  EXPECT_EQ(loaded.packageID, id);
  EXPECT_EQ(summary(loaded), summary(package));
  EXPECT_EQ(loaded.packageName, package.packageName);
  EXPECT_EQ(loaded.frameGuideColor.colorCode(), 0x123456);
  EXPECT_EQ(loaded.frameGuideShading, 3);
}

TEST_F(PackageFacadeTest, BothStandardPackagesAreStoredWithoutAFailureReported) {
  // Standard package two lives under -1, the value that otherwise means "nothing stored".
  platform::log::CapturedLines log;
  model::CameraPackage one = PackageUtil::getCurrentPackageWithFormatID(599, 10);
  model::CameraPackage two = PackageUtil::getCurrentPackageWithFormatID(599, 10);
  one.packageName = "first";
  two.packageName = "second";
  PackageUtil::saveStandardPackageOne(one);
  PackageUtil::saveStandardPackageTwo(two);
  PackageUtil::saveStandardPackageTwo(two);  // unchanged: nothing written, still no failure
  EXPECT_FALSE(log.contains("could not store")) << "a stored package reported as lost";
  EXPECT_EQ(PackageUtil::loadPackage(-2).packageName, "first");
  EXPECT_EQ(PackageUtil::loadPackage(-1).packageName, "second");
}

}  // namespace

}  // namespace app::storage

