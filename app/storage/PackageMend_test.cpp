// Stored packages naming rows that are gone from the catalogues, loaded by the package facade: mended part
// by part where the catalogue answers for the row, never where it may lack rows of the person's.
#include "app/storage/PackageMend.h"

#include <gtest/gtest.h>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/recovery/CataloguePlace.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
using Found = PackageUtil::Found;

// "599 crop 10 | series 5: 16 20 | adapter 5 | guide 10": what a loaded package holds.
std::string holdings(const model::CameraPackage& package) {
  std::string text = std::to_string(package.shootingMode ? package.shootingMode->containerID : 0) + " crop " +
                     std::to_string(package.cropID) + " | series " +
                     std::to_string(package.lensManufacturer ? package.lensManufacturer->manufacturerId : 0) + ":";
  for (const auto& lens : package.lensSet) text += " " + std::to_string(lens.lensId);
  return text + " | adapter " + std::to_string(package.lensAdapter ? package.lensAdapter->adapterId : 0) + " | guide " +
         std::to_string(package.frameGuide ? package.frameGuide->frameGuideId : 0);
}

class PackageMendTest : public StorageTest {
 protected:
  void SetUp() override { seedAsAFirstStart(); }
  // The package stored with the given parts, as loaded, and what was found.
  static std::pair<std::string, Found> load(int series, std::vector<int> lenses, int format, int crop, int guide,
                                            int adapter) {
    Found found = Found::Nothing;
    const auto package =
        PackageUtil::loadPackage(scenes::savePackage(series, std::move(lenses), format, crop, guide, adapter), &found);
    return {holdings(package), found};
  }
};

TEST_F(PackageMendTest, OnlyThePartsWhoseRowsAreGoneFallBack) {
  const std::string series250 = [] {
    std::string ids;
    for (const auto& lens : PackageMend::lensesOfSeries(PackageMend::kSeries)) ids += " " + std::to_string(lens.lensId);
    return ids;
  }();
  ASSERT_FALSE(series250.empty());
  EXPECT_EQ(load(5, {16, 20}, 599, 10, 10, 5), std::pair(std::string("599 crop 10 | series 5: 16 20 | adapter 5 | guide 10"), Found::Stored));
  const struct {
    std::pair<std::string, Found> loaded;
    std::string expected;
    std::string part;
  } cases[] = {
      {load(5, {16, 20}, 987654, 10, 10, 5), "1084 crop 1 | series 5: 16 20 | adapter 5 | guide 10", "its camera"},
      {load(5, {16, 20}, 599, 4242, 10, 5), "599 crop 1 | series 5: 16 20 | adapter 5 | guide 10", "its aspect ratio"},
      {load(9999, {16}, 599, 10, 10, 5), "599 crop 10 | series 250:" + series250 + " | adapter 5 | guide 10",
       "its lens series"},
      {load(5, {16, 88888}, 599, 10, 10, 5), "599 crop 10 | series 5: 16 | adapter 5 | guide 10", "its lens"},
      {load(5, {16, 20}, 599, 10, 10, 4242), "599 crop 10 | series 5: 16 20 | adapter 1 | guide 10", "its adapter"},
      {load(5, {16, 20}, 599, 10, 4242, 5), "599 crop 10 | series 5: 16 20 | adapter 5 | guide 1", "its frame guide"},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(each.loaded.first, each.expected) << each.part;
    EXPECT_EQ(each.loaded.second, Found::Mended) << each.part;
    EXPECT_TRUE(log_.contains("no longer in the catalogues (" + each.part + ")")) << each.part;
  }
  // Every lens gone: the series' chosen lenses, or its first.
  const auto [holds, found] = load(5, {88888}, 599, 10, 10, 5);
  EXPECT_EQ(found, Found::Mended);
  EXPECT_EQ(holds.find("series 5: 88888"), std::string::npos) << holds;
  EXPECT_NE(holds.find("series 5: "), std::string::npos) << holds;
}

// A lens catalogue seeded over a missing one may lack the person's rows: what it does not hold is
// unknown, never gone, and the package stands in; the adapter catalogue still answers for its own rows.
TEST_F(PackageMendTest, NothingIsMendedWhereTheCatalogueMayLackThePersonsRows) {
  CataloguePlace::seededOverMissing(LensDatabaseHelper::kFileName);
  ASSERT_TRUE(CataloguePlace::mayLackPersonsRows(LensDatabaseHelper::kFileName));
  EXPECT_EQ(load(9999, {16}, 599, 10, 10, 5).second, Found::Unusable);
  EXPECT_EQ(load(5, {16, 88888}, 599, 10, 10, 5),
            std::pair(std::string("599 crop 10 | series 5: 16 | adapter 5 | guide 10"), Found::InPart));
  EXPECT_EQ(load(5, {16}, 599, 10, 10, 4242), std::pair(std::string("599 crop 10 | series 5: 16 | adapter 1 | guide 10"), Found::Mended));
}

}  // namespace

}  // namespace app::storage
