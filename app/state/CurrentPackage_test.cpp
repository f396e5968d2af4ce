// The package the setup screens edit: which standard package it goes to, what it is rebuilt from, and the
// first-start question the screens ask once.
#include <gtest/gtest.h>

#include "app/state/FramesObject.h"
#include "app/state/StartUpTestSupport.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/PackageUtil.h"

namespace app::state {

namespace {

using namespace ostrel::testing;

int formatOf(const std::optional<model::CameraPackage>& package) {
  return package && package->shootingMode ? package->shootingMode->containerID : 0;
}

int selectedSeries() {
  storage::LensDatabaseHelper lenses;
  EXPECT_TRUE(lenses.openDb(false));
  const auto series = lenses.getSelectedLensManufacturer();
  return series ? series->manufacturerId : 0;
}

int selectedAdapter() {
  storage::LensAdapterCatalogue adapters;
  EXPECT_TRUE(adapters.openDb(false));
  return adapters.getSelectedLensAdapter().adapterId;
}

TEST_F(StartUpTest, TheFirstStartIsAnsweredOnceAndTheCountMovesOn) {
  auto state = launch();
  ASSERT_EQ(state->appStarts(), 1);
  ASSERT_TRUE(state->first_Start);
  // The launch itself was the first start, so the first question only clears the flag.
  EXPECT_FALSE(state->onFirstStart());
  EXPECT_FALSE(state->first_Start);
  EXPECT_TRUE(state->onFirstStart());
  EXPECT_TRUE(state->first_Start);
  EXPECT_EQ(state->appStarts(), 2);
  for (int again = 0; again < 2; ++again) {
    EXPECT_FALSE(state->onFirstStart()) << again;
    EXPECT_FALSE(state->first_Start) << again;
    EXPECT_EQ(state->appStarts(), 2) << again;
  }
  state->savePrefs();
  EXPECT_EQ(stored()["App_Start_Count"], Value(2));

  auto later = launch();
  EXPECT_EQ(later->appStarts(), 3);
  EXPECT_FALSE(later->onFirstStart());
  EXPECT_EQ(later->appStarts(), 3);
}

TEST_F(StartUpTest, ASetupPackageReplacesTheStandardPackageItIsFor) {
  for (int modus : {0, 1}) {
    auto state = launch();
    const auto untouched = modus ? state->packageOne : state->packageTwo;
    const auto otherFormat = modus ? std::pair(state->formatOneId, state->cropIDOne())
                                   : std::pair(state->formatTwoId, state->cropIDTwo());
    model::CameraPackage built = storage::PackageUtil::getCurrentPackageWithFormatID(modus ? 1084 : 599, 10);
    built.lensAdapter = storage::PackageUtil::loadPackage(-2).lensAdapter;
    built.packageName = "built";
    state->currentPackageModus = modus;
    state->loadPackage(built, PersonsPackage::kWhole);

    const auto& replaced = modus ? state->packageTwo : state->packageOne;
    ASSERT_TRUE(replaced && state->currentPackage) << modus;
    EXPECT_EQ(replaced->packageName, "built") << modus;
    EXPECT_EQ(state->currentPackage->packageName, "built") << modus;
    EXPECT_EQ((modus ? state->packageOne : state->packageTwo)->packageName, untouched->packageName) << modus;
    EXPECT_EQ(state->lensAdapter ? state->lensAdapter->adapterId : 0, built.lensAdapter->adapterId) << modus;
    EXPECT_EQ(modus ? state->formatTwoId : state->formatOneId, formatOf(built)) << modus;
    EXPECT_EQ(modus ? state->cropIDTwo() : state->cropIDOne(), built.cropID) << modus;
    EXPECT_EQ(modus ? std::pair(state->formatOneId, state->cropIDOne()) : std::pair(state->formatTwoId, state->cropIDTwo()),
              otherFormat)
        << modus;
  }
}

TEST_F(StartUpTest, TheEditedPackageIsRebuiltFromItsOwnFormatAndTheCataloguesSelections) {
  auto state = launch();
  model::CameraPackage cropped = storage::PackageUtil::getCurrentPackageWithFormatID(599, 10);
  state->currentPackageModus = 0;
  state->changeFormatFromPackage(cropped);
  ASSERT_EQ(std::pair(state->formatOneId, state->cropIDOne()), std::pair(599, 10));

  for (int modus : {0, 1}) {
    // Nothing selected and no adapter in hand: the rebuilt package's own choices must be written back.
    storage::LensAdapterCatalogue adapters;
    ASSERT_TRUE(adapters.openDb(false) && adapters.deselectAllAdapter());
    adapters.closeDb();
    state->lensAdapter.reset();
    state->currentPackageModus = modus;
    state->loadCurrentPackage();
    ASSERT_TRUE(state->currentPackage);
    const auto& built = *state->currentPackage;
    EXPECT_EQ(formatOf(built), 599) << modus;
    EXPECT_EQ(built.cropID, modus ? 1 : 10) << modus;
    EXPECT_EQ(built.formatType, modus ? "native" : "crop") << modus;
    // The first start's frame-guide style, and the package's choices written back as the selections.
    EXPECT_EQ(built.frameGuideShading, 2);
    EXPECT_EQ(built.frameGuideColor.colorCode(), 0xFC3E30);
    EXPECT_EQ(selectedSeries(), built.lensManufacturer->manufacturerId);
    EXPECT_EQ(built.lensAdapter->adapterId, 1) << "none selected is no adapter";
    EXPECT_EQ(selectedAdapter(), 1);
    EXPECT_EQ(state->lensAdapter ? state->lensAdapter->adapterId : 0, built.lensAdapter->adapterId);
  }

  // Package two's own format, so the two readings cannot be told apart by accident.
  state->currentPackageModus = 1;
  state->changeFormatFromPackage(storage::PackageUtil::getCurrentPackageWithFormatID(1084, 1));
  state->loadCurrentPackage();
  EXPECT_EQ(formatOf(state->currentPackage), 1084);
  state->currentPackageModus = 0;
  state->loadCurrentPackage();
  EXPECT_EQ(formatOf(state->currentPackage), 599);
}

}  // namespace

}  // namespace app::state

