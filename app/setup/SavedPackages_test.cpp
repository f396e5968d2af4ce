// Saved packages against the real catalogues in a fresh container.
#include <gtest/gtest.h>

#include "app/setup/SavedPackages.h"
#include "app/setup/SetupTestSupport.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "platform/log/Log.h"

namespace app::setup {

namespace {

using app::setup::SavedPackages;
using app::storage::OpenCatalogue;

class SavedPackagesTest : public ::testing::Test {
 protected:
  std::shared_ptr<state::FramesObject> frames() { return env.state(); }
  // Package two, edited, saved under `name`.
  int saveEdited(const std::string& name) {
    frames()->setPackageTwoAsCurrentPackage();
    const auto id = SavedPackages::save(*frames(), name);
    EXPECT_TRUE(id);
    return id.value_or(-1);
  }
  static std::vector<std::string> names(int sortMode) {
    std::vector<std::string> result;
    for (const auto& p : SavedPackages::list(sortMode)) result.push_back(p.packageName);
    return result;
  }
  static int selectedAdapterId() {
    OpenCatalogue<storage::LensAdapterCatalogue> adapters;
    return adapters->getSelectedLensAdapter().adapterId;
  }

  ostrel::testing::SetupTestEnvironment env;
  platform::log::CapturedLines log;
};

TEST_F(SavedPackagesTest, SaveRenameDeleteAndBothOrders) {
  EXPECT_TRUE(SavedPackages::list(SavedPackages::kRecent).empty());
  const auto& edited = *frames()->packageTwo;
  const std::string defaultName =
      edited.cameraManufacturer->manufacturer + " " + edited.cameraManufacturer->model + " Package";
  EXPECT_EQ(SavedPackages::defaultName(edited), defaultName);

  const int first = saveEdited("zebra");
  const int second = saveEdited("");
  const int third = saveEdited("Alpha");
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_EQ(names(SavedPackages::kRecent), (std::vector<std::string>{"Alpha", defaultName, "zebra"}));
  auto byName = names(SavedPackages::kByName);
  EXPECT_EQ(byName.front(), "Alpha");
  EXPECT_EQ(byName.back(), "zebra") << "the order ignores case";

  EXPECT_FALSE(SavedPackages::rename(first, "")) << "an empty name keeps the old one";
  EXPECT_TRUE(SavedPackages::rename(first, "Night exterior"));
  EXPECT_EQ(names(SavedPackages::kRecent).back(), "Night exterior");

  EXPECT_TRUE(SavedPackages::remove(second));
  EXPECT_TRUE(SavedPackages::remove(third));
  EXPECT_EQ(names(SavedPackages::kRecent), (std::vector<std::string>{"Night exterior"}));
  EXPECT_TRUE(SavedPackages::remove(first));
  EXPECT_TRUE(SavedPackages::list(SavedPackages::kRecent).empty());
}

TEST_F(SavedPackagesTest, SortControlNamesTheOrderInForce) {
  EXPECT_EQ(SavedPackages::toggledSortMode(SavedPackages::kRecent), SavedPackages::kByName);
  EXPECT_EQ(SavedPackages::toggledSortMode(SavedPackages::kByName), SavedPackages::kRecent);
  EXPECT_EQ(SavedPackages::toggledSortMode(7), 7);
  EXPECT_EQ(SavedPackages::sortTitle(SavedPackages::kByName), "A-Z");
  EXPECT_EQ(SavedPackages::sortTitle(SavedPackages::kRecent), "RECENT");
}

TEST_F(SavedPackagesTest, AFailedSaveReportsNoPackage) {
  {
    OpenCatalogue<storage::PackageDatabaseHelper> packages;
    ASSERT_TRUE(packages->database().execute(
        "CREATE TRIGGER refuse BEFORE INSERT ON PackageData WHEN NEW.packageId > 0 "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  }
  EXPECT_FALSE(SavedPackages::save(*frames(), "Lost"));
  EXPECT_TRUE(SavedPackages::list(SavedPackages::kRecent).empty());
  EXPECT_TRUE(log.contains("The package \"Lost\" could not be saved"));
}

TEST_F(SavedPackagesTest, LoadingIntoSlotTwoLeavesSlotOneAlone) {
  // Save package one under a name, then load it while package two is edited.
  auto state = frames();
  state->setPackageOneAsCurrentPackage();
  const model::CameraPackage one = *state->currentPackage;
  const int id = SavedPackages::save(*state, "Large format").value_or(-1);
  ASSERT_GE(id, 1);
  state->setPackageTwoAsCurrentPackage();
  const int twoFormat = state->formatTwoId;
  const auto listed = SavedPackages::list(SavedPackages::kRecent);
  ASSERT_EQ(listed.size(), 1u);

  ASSERT_TRUE(SavedPackages::load(*state, listed.front()));
  EXPECT_EQ(state->packageTwo->shootingMode->containerID, one.shootingMode->containerID);
  EXPECT_EQ(state->currentPackage->packageID, id);
  EXPECT_EQ(state->formatTwoId, one.shootingMode->containerID);
  EXPECT_NE(twoFormat, state->formatTwoId);
  EXPECT_EQ(state->packageOne->shootingMode->containerID, one.shootingMode->containerID);
  EXPECT_EQ(state->formatOneId, 1084) << "slot one is left alone";
  ASSERT_TRUE(state->packageTwo->mLensSet);
  EXPECT_EQ(state->packageTwo->mLensSet->lensManufacturer.manufacturerId, one.lensManufacturer->manufacturerId);
  OpenCatalogue<storage::LensDatabaseHelper> lenses;
  EXPECT_EQ(lenses->getSelectedLensManufacturer()->manufacturerId, one.lensManufacturer->manufacturerId)
      << "the catalogue flags follow the loaded package";
}

TEST_F(SavedPackagesTest, ABrokenSavedPackageIsNotLoaded) {
  auto state = frames();
  // A package on a frame guide of the user's, which then goes from the catalogue behind the facade's back.
  model::FrameGuide guide;
  guide.width = 3.17f;
  guide.height = 1.0f;
  {
    OpenCatalogue<storage::FrameGuideCatalogue> guides;
    ASSERT_FALSE(guides->insertFrameGuideFromCameraSetup(guide));
  }
  model::CameraPackage saved = *state->packageOne;
  saved.frameGuide = guide;
  saved.packageName = "Soon broken";
  ASSERT_GE(storage::PackageUtil::savePackage(saved), 1);
  {
    OpenCatalogue<storage::FrameGuideCatalogue> guides;
    ASSERT_TRUE(guides->deleteFrameGuide(guide));
  }
  const auto listed = SavedPackages::list(SavedPackages::kRecent);
  ASSERT_EQ(listed.size(), 1u);
  const model::CameraPackage before = *state->packageTwo;
  const int adapterBefore = selectedAdapterId();

  EXPECT_FALSE(SavedPackages::load(*state, listed.front()));
  EXPECT_EQ(state->packageTwo->shootingMode->containerID, before.shootingMode->containerID);
  EXPECT_EQ(state->packageTwo->packageName, before.packageName);
  EXPECT_EQ(selectedAdapterId(), adapterBefore);
  EXPECT_TRUE(log.contains("The saved package \"Soon broken\" is broken and was not loaded"));
}

TEST_F(SavedPackagesTest, CellTextsMentionOnlyARealFramelineAndAdapter) {
  model::CameraPackage p = *frames()->packageTwo;
  p.packageName = "Doc";
  p.frameGuide->frameGuideId = 1;
  p.lensAdapter->adapterId = 1;
  auto texts = SavedPackages::cellTexts(p);
  EXPECT_EQ(texts.title, "Doc");
  EXPECT_EQ(texts.format, p.getCameraFormatLabelString() + " ");
  EXPECT_EQ(texts.lenses, p.getLensStringForPackage() + " ");
  p.frameGuide->frameGuideId = 3;
  p.frameGuide->width = 2.39f;
  p.frameGuide->height = 1.0f;
  p.lensAdapter->adapterId = 4;
  p.lensAdapter->adapterName = "Booster";
  texts = SavedPackages::cellTexts(p);
  EXPECT_EQ(texts.format, p.getCameraFormatLabelString() + "  |  Frameline:  " + p.frameGuide->getListString());
  EXPECT_EQ(texts.lenses, p.getLensStringForPackage() + "  |  Booster");
}

}  // namespace

}  // namespace app::setup

