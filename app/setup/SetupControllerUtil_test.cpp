#include "app/setup/SetupControllerUtil.h"

#include <gtest/gtest.h>

#include "app/setup/SetupTestSupport.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "platform/foundation/PropertyList.h"

namespace app::setup {

namespace {

using app::storage::OpenCatalogue;

constexpr int kOpenGateMode = 1084;     // an open-gate large-format mode, 1.44:1
constexpr int kFormatAlexa35 = 599;
constexpr int kCropMode239 = 17;

class SetupCommitTest : public ::testing::Test {
 protected:
  std::shared_ptr<state::FramesObject> frames() { return env_.state(); }
  static int64_t storedInt(const char* key) {
    const auto prefs = platform::foundation::PropertyList::readFile(state::FramesObject::preferencePath());
    const auto* dict = prefs.dictionary();
    if (!dict || !dict->count(key)) return -1;
    return dict->at(key).toInt64();
  }
  static std::vector<int> selectedLensIds(int series) {
    OpenCatalogue<storage::LensDatabaseHelper> lenses;
    std::vector<int> ids;
    for (const auto& lens : lenses->getSelectedLenses4Manufacturer(series)) ids.push_back(lens.lensId);
    return ids;
  }

  ostrel::testing::SetupTestEnvironment env_;
};

TEST_F(SetupCommitTest, CropOneIsNativeAndAnyOtherCropCarriesItsRatio) {
  struct Case {
    int crop;
    const char* type;
    const char* ratio;
    int storedCrop;
  };
  // A crop id the table does not hold leaves the format uncropped rather than a crop without a ratio.
  for (const Case& c : {Case{1, "native", "", 1}, Case{kCropMode239, "crop", "2.39:1", kCropMode239},
                        Case{9999, "native", "", 1}, Case{0, "native", "", 1}}) {
    ASSERT_TRUE(SetupControllerUtil::setNewCameraSetupWithCamera(0, kOpenGateMode, c.crop)) << c.crop;
    const auto& package = *frames()->currentPackage;
    EXPECT_EQ(package.formatType, c.type) << c.crop;
    EXPECT_EQ(package.cropAspectRatio, c.ratio) << c.crop;
    EXPECT_EQ(package.cropID, c.storedCrop) << c.crop;
    EXPECT_EQ(frames()->cropIDOne(), c.storedCrop) << c.crop;
    EXPECT_EQ(SetupControllerUtil::getCurrentCropID(), c.storedCrop) << c.crop;
    EXPECT_FALSE(SetupControllerUtil::getCurrentCrop()) << c.crop;
  }
}

TEST_F(SetupCommitTest, TheCameraFollowsTheFormatAndANewCameraDropsTheCrop) {
  ASSERT_TRUE(SetupControllerUtil::setNewCameraSetupWithCamera(0, kOpenGateMode, kCropMode239));
  // Camera 1 is not the camera of format 599; the package's camera is.
  ASSERT_TRUE(SetupControllerUtil::setNewCameraManufacturer(1, kFormatAlexa35));
  const auto& package = *frames()->currentPackage;
  EXPECT_EQ(package.shootingMode->containerID, kFormatAlexa35);
  EXPECT_EQ(package.cameraManufacturer->manufacturerId, package.shootingMode->manufacturerID);
  EXPECT_EQ(package.cameraManufacturer->model, "ALEXA 35");
  EXPECT_EQ(package.cropID, 1);
  EXPECT_EQ(package.formatType, "native");

  ASSERT_TRUE(SetupControllerUtil::setNewCameraCrop(kCropMode239));
  EXPECT_EQ(frames()->currentPackage->shootingMode->containerID, kFormatAlexa35);
  EXPECT_EQ(frames()->currentPackage->cropAspectRatio, "2.39:1");
  EXPECT_EQ(storedInt("FormatOneID"), kFormatAlexa35);
}

TEST_F(SetupCommitTest, ASavedPackageChangedAnywhereBecomesTheStandardOneKeepingItsColourAndShading) {
  auto saved = *frames()->currentPackage;
  saved.packageName = "Night exteriors";
  saved.frameGuideColor = model::StoredColor::fromColorCode(0x00FF00);
  saved.frameGuideShading = 3;
  const int id = storage::PackageUtil::savePackage(saved);
  ASSERT_GT(id, 0);
  auto loaded = storage::PackageUtil::loadPackage(id);
  ASSERT_EQ(loaded.packageID, id);
  frames()->loadPackage(loaded, state::PersonsPackage::kWhole);

  ASSERT_TRUE(SetupControllerUtil::setNewLensAdapter());
  const auto& package = *frames()->currentPackage;
  EXPECT_EQ(package.packageID, 0);
  EXPECT_EQ(package.packageName, "Standard Package One");
  EXPECT_EQ(package.frameGuideColor.colorCode(), 0x00FF00);
  EXPECT_EQ(package.frameGuideShading, 3);

  ASSERT_TRUE(SetupControllerUtil::setNewFrameGuide(1, model::StoredColor::fromColorCode(0x0000FF)));
  EXPECT_EQ(frames()->currentPackage->frameGuideColor.colorCode(), 0x0000FF);
  EXPECT_EQ(frames()->currentPackage->frameGuideShading, 1);
}

TEST_F(SetupCommitTest, EditingPackageTwoLeavesPackageOneAlone) {
  const int formatOne = frames()->formatOneId;
  const auto packageOne = frames()->packageOne;
  frames()->setPackageTwoAsCurrentPackage();
  ASSERT_TRUE(SetupControllerUtil::setNewCameraSetupWithCamera(0, kOpenGateMode, kCropMode239));
  EXPECT_EQ(frames()->formatTwoId, kOpenGateMode);
  EXPECT_EQ(frames()->cropIDTwo(), kCropMode239);
  EXPECT_EQ(frames()->formatOneId, formatOne);
  ASSERT_TRUE(frames()->packageOne && packageOne);
  EXPECT_EQ(frames()->packageOne->shootingMode->containerID, packageOne->shootingMode->containerID);
  EXPECT_EQ(frames()->packageTwo->shootingMode->containerID, kOpenGateMode);
  EXPECT_EQ(frames()->currentPackage->packageName, "Standard Package Two");
  EXPECT_EQ(storedInt("FormatTwoID"), kOpenGateMode);
  storage::PackageDatabaseHelper packages;
  ASSERT_TRUE(packages.openDb(false));
  EXPECT_EQ(packages.loadPackage(-1)->cameraFormatId, kOpenGateMode);
  EXPECT_EQ(packages.loadPackage(-1)->cropID, kCropMode239);
}

TEST_F(SetupCommitTest, AFormatThatCannotBeReadChangesNothing) {
  const auto before = *frames()->currentPackage;
  const int formatOne = frames()->formatOneId;
  EXPECT_FALSE(SetupControllerUtil::setNewCameraSetupWithCamera(0, 999999, 1));
  EXPECT_FALSE(SetupControllerUtil::setNewCameraManufacturer(0, -1));
  EXPECT_EQ(frames()->formatOneId, formatOne);
  EXPECT_EQ(frames()->currentPackage->shootingMode->containerID, before.shootingMode->containerID);
  EXPECT_EQ(storedInt("FormatOneID"), formatOne);
}

TEST_F(SetupCommitTest, ASeriesWithoutASelectedLensGetsItsShortestLensInTheCatalogueAndThePackage) {
  const int series = SetupControllerUtil::getCurrentLensManufacturerID();
  ASSERT_GT(series, 0);
  {
    OpenCatalogue<storage::LensDatabaseHelper> lenses;
    ASSERT_TRUE(lenses->deselectLensesForManufacturer(series));
  }
  ASSERT_TRUE(SetupControllerUtil::setNewLensSetup());
  OpenCatalogue<storage::LensDatabaseHelper> lenses;
  const auto shortest = lenses->getAllLensesForManufacturer(series).front();
  EXPECT_EQ(selectedLensIds(series), std::vector<int>{shortest.lensId});
  ASSERT_EQ(frames()->currentPackage->lensSet.size(), 1u);
  EXPECT_EQ(frames()->currentPackage->lensSet.front().lensId, shortest.lensId);
  EXPECT_EQ(frames()->currentPackage->mLensSet->selectedLenses.size(), 1u);
}

TEST_F(SetupCommitTest, NoSeriesOrAnEmptySeriesLeavesTheLensSetEmptyAndWritesNothing) {
  {
    OpenCatalogue<storage::LensDatabaseHelper> lenses;
    ASSERT_TRUE(lenses->deselectManufacturer());
  }
  ASSERT_TRUE(SetupControllerUtil::setNewLensSetup());
  EXPECT_FALSE(frames()->currentPackage->lensManufacturer);
  EXPECT_TRUE(frames()->currentPackage->lensSet.empty());

  int empty = 0;
  {
    OpenCatalogue<storage::LensDatabaseHelper> lenses;
    model::LensManufacturer series;
    series.manufacturer = "Home made";
    series.series = "Nothing yet";
    series.lensType = "Prime Lens";
    series.anamorphotic = 1.0f;
    empty = lenses->insertManufacturer(series);
    ASSERT_GT(empty, 0);
    ASSERT_TRUE(lenses->selectManufacturer(empty));
  }
  ASSERT_TRUE(SetupControllerUtil::setNewLensSetup());
  EXPECT_EQ(frames()->currentPackage->lensManufacturer->manufacturerId, empty);
  EXPECT_TRUE(frames()->currentPackage->lensSet.empty());
  EXPECT_TRUE(selectedLensIds(empty).empty());
}

TEST_F(SetupCommitTest, NoAdapterOrFrameGuideSelectedMeansAdapterOneAndFrameGuideOne) {
  {
    OpenCatalogue<storage::LensAdapterCatalogue> adapters;
    ASSERT_TRUE(adapters->deselectAllAdapter());
    OpenCatalogue<storage::FrameGuideCatalogue> guides;
    ASSERT_TRUE(guides->deselectAllFrameGuids());
  }
  ASSERT_TRUE(SetupControllerUtil::setNewLensAdapter());
  const auto& package = *frames()->currentPackage;
  ASSERT_TRUE(package.lensAdapter);
  EXPECT_EQ(package.lensAdapter->adapterId, 1);
  EXPECT_EQ(package.lensAdapter->adapterValueWidth, 1.0f);
  EXPECT_EQ(package.frameGuide->frameGuideId, 1);
  EXPECT_EQ(frames()->lensAdapter->adapterId, 1);
  // What was stored loads back as the same package, not as the fall-back.
  EXPECT_FALSE(storage::PackageUtil::errorInPackage(&package));
  const auto reloaded = storage::PackageUtil::loadPackage(-2);
  EXPECT_EQ(reloaded.shootingMode->containerID, package.shootingMode->containerID);
}

TEST_F(SetupCommitTest, TheDefaultSeriesIsTheGenericPrimes) {
  SetupControllerUtil::setDefaultLensManufacturer();
  OpenCatalogue<storage::LensDatabaseHelper> lenses;
  ASSERT_TRUE(lenses->getSelectedLensManufacturer());
  EXPECT_EQ(lenses->getSelectedLensManufacturer()->manufacturerId, SetupControllerUtil::kDefaultLensSeries);
  EXPECT_EQ(lenses->getAllLensManufacturers().size() > 1, true);
}

}  // namespace

}  // namespace app::setup

