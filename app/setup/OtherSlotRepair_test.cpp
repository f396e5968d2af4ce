// The package in the slot not being edited, mended part by part after a deletion.
#include <gtest/gtest.h>

#include "app/setup/OtherSlotRepair.h"
#include "app/setup/SetupTestSupport.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/LensAdapterCatalogue.h"

namespace app::setup {

namespace {

using app::setup::OtherSlotRepair;
using app::storage::OpenCatalogue;

class OtherSlotRepairTest : public ::testing::Test {
 protected:
  OtherSlotRepairTest() {
    // Package one is edited; package two is the other slot.
    state->setPackageOneAsCurrentPackage();
    editedBefore = *state->packageOne;
  }
  model::CameraPackage& other() { return *state->packageTwo; }
  static storage::PackageDatabaseObject storedTwo() {
    OpenCatalogue<storage::PackageDatabaseHelper> packages;
    return packages->loadPackage(-1).value_or(storage::PackageDatabaseObject());
  }
  void expectEditedUntouched() {
    EXPECT_EQ(state->packageOne->shootingMode->containerID, editedBefore.shootingMode->containerID);
    EXPECT_EQ(state->packageOne->lensManufacturer->manufacturerId, editedBefore.lensManufacturer->manufacturerId);
    EXPECT_EQ(state->packageOne->lensSet.size(), editedBefore.lensSet.size());
  }

  ostrel::testing::SetupTestEnvironment env;
  std::shared_ptr<state::FramesObject> state = env.state();
  model::CameraPackage editedBefore;
};

TEST_F(OtherSlotRepairTest, AdapterFallsBackToAdapterOne) {
  model::LensAdapterRecord custom;
  custom.adapterName = "Mine";
  custom.adapterValueWidth = 0.7f;
  custom.adapterValueHeight = 0.7f;
  {
    OpenCatalogue<storage::LensAdapterCatalogue> adapters;
    custom.adapterId = adapters->insertCustomAdapter(custom);
  }
  ASSERT_GT(custom.adapterId, 1);
  other().lensAdapter = custom;
  OtherSlotRepair::adapterDeleted(*state, custom.adapterId + 1);
  EXPECT_EQ(other().lensAdapter->adapterId, custom.adapterId) << "another adapter's deletion changes nothing";
  OtherSlotRepair::adapterDeleted(*state, custom.adapterId);
  EXPECT_EQ(other().lensAdapter->adapterId, 1);
  EXPECT_EQ(storedTwo().adapterId, 1) << "the standard package is stored mended";
  expectEditedUntouched();
}

TEST_F(OtherSlotRepairTest, FormatFallsBackTo1084WithoutCrop) {
  const int format = other().shootingMode->containerID;
  other().cropID = 3;
  other().formatType = "crop";
  OtherSlotRepair::formatDeleted(*state, format);
  EXPECT_EQ(other().shootingMode->containerID, 1084);
  EXPECT_EQ(other().cameraManufacturer->manufacturerId, other().shootingMode->manufacturerID);
  EXPECT_EQ(other().cropID, 1);
  EXPECT_EQ(other().formatType, "native");
  EXPECT_EQ(state->formatTwoId, 1084);
  EXPECT_EQ(state->cropIDTwo(), 1);
  EXPECT_EQ(state->formatOneId, editedBefore.shootingMode->containerID) << "slot one's ids stay";
  EXPECT_EQ(state->currentPackageModus, 0) << "package one is still the one being edited";
  EXPECT_EQ(storedTwo().cameraFormatId, 1084);
  expectEditedUntouched();
}

TEST_F(OtherSlotRepairTest, CropAndFrameGuideFallBackToOne) {
  other().cropID = 7;
  other().formatType = "crop";
  other().cropAspectRatio = "2:1";
  other().frameGuide->frameGuideId = 7;
  OtherSlotRepair::cropDeleted(*state, 8);
  EXPECT_EQ(other().cropID, 7);
  OtherSlotRepair::cropDeleted(*state, 7);
  OtherSlotRepair::frameGuideDeleted(*state, 7);
  EXPECT_EQ(other().cropID, 1);
  EXPECT_TRUE(other().cropAspectRatio.empty());
  EXPECT_EQ(other().frameGuide->frameGuideId, 1);
  EXPECT_EQ(state->cropIDTwo(), 1);
  expectEditedUntouched();
}

TEST_F(OtherSlotRepairTest, SeriesFallsBackTo250AndALostLensIsDropped) {
  ASSERT_FALSE(other().lensSet.empty());
  const int series = other().lensManufacturer->manufacturerId;
  const model::LensObject only = other().lensSet.front();
  model::LensObject extra;
  {
    OpenCatalogue<storage::LensDatabaseHelper> lenses;
    auto all = lenses->getAllLensesForManufacturer(series);
    ASSERT_GE(all.size(), 2u);
    extra = all.back().lensId != only.lensId ? all.back() : all.front();
  }
  other().lensSet.push_back(extra);
  OtherSlotRepair::lensDeleted(*state, extra.lensId);
  ASSERT_EQ(other().lensSet.size(), 1u);
  EXPECT_EQ(other().lensSet.front().lensId, only.lensId);
  EXPECT_EQ(storedTwo().lensSetIDs, std::vector<int>{only.lensId});
  // The last lens of the set gone: the series' own first lens takes its place.
  OtherSlotRepair::lensDeleted(*state, only.lensId);
  ASSERT_EQ(other().lensSet.size(), 1u);
  EXPECT_EQ(other().lensSet.front().manufacturerId, series);

  OtherSlotRepair::seriesDeleted(*state, series);
  EXPECT_EQ(other().lensManufacturer->manufacturerId, 250);
  ASSERT_FALSE(other().lensSet.empty());
  for (const auto& lens : other().lensSet) EXPECT_EQ(lens.manufacturerId, 250);
  ASSERT_TRUE(other().mLensSet);
  EXPECT_EQ(other().mLensSet->lensManufacturer.manufacturerId, 250);
  EXPECT_EQ(storedTwo().lensManufacturerId, 250);
  expectEditedUntouched();
}

}  // namespace

}  // namespace app::setup

