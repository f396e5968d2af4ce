#include "app/setup/LensChoices.h"

#include <gtest/gtest.h>

#include "app/setup/LensPickerTestSupport.h"
#include "app/storage/PackageUtil.h"

namespace app::setup {

namespace {

using app::setup::LensChoices;
using ostrel::testing::LensPickerTestEnvironment;
using Env = LensPickerTestEnvironment;

class LensChoicesTest : public ::testing::Test {
 protected:
  model::LensObject lensAt(int seriesId, float focal) {
    for (const auto& lens : Env::lensesOf(seriesId)) {
      if (lens.focalLength == focal) return lens;
    }
    ADD_FAILURE() << "no " << focal << "mm lens";
    return {};
  }
  LensPickerTestEnvironment env;
};

TEST_F(LensChoicesTest, OnePrimePerFocalLengthAndNeverNone) {
  const int series = Env::addSeries("Mine", 1.0f);
  const int first35 = Env::addLens(series, 35);
  Env::addLens(series, 24);
  const int second35 = Env::addLens(series, 35);
  auto listed = LensChoices::lensesOf(series);
  EXPECT_TRUE(listed.selectedShortest) << "a series without a selected lens gets its shortest";
  EXPECT_EQ(Env::selectedFocalLengths(series), (std::vector<float>{24}));

  auto& lenses = listed.lenses;
  for (auto& lens : lenses) {
    if (lens.lensId == first35) LensChoices::selectPrime(lens, lenses);
  }
  for (auto& lens : lenses) {
    if (lens.lensId == second35) LensChoices::selectPrime(lens, lenses);
  }
  EXPECT_EQ(Env::selectedFocalLengths(series), (std::vector<float>{24, 35}));
  for (const auto& lens : Env::lensesOf(series)) {
    if (lens.focalLength == 35) { EXPECT_EQ(lens.selected, lens.lensId == second35 ? 1 : 0); }
  }
  EXPECT_FALSE(LensChoices::lensesOf(series).selectedShortest);

  // Deselecting every prime leaves the shortest selected again once the list loads.
  for (auto& lens : LensChoices::lensesOf(series).lenses) {
    if (lens.selected == 1) LensChoices::deselect(lens);
  }
  EXPECT_TRUE(Env::selectedFocalLengths(series).empty());
  EXPECT_TRUE(LensChoices::lensesOf(series).selectedShortest);
  EXPECT_EQ(Env::selectedFocalLengths(series), (std::vector<float>{24}));
}

TEST_F(LensChoicesTest, AZoomIsTheOnlySelectedLensAndLeavesPrimesOfItsLengthAlone) {
  const int series = Env::addSeries("Zooms", 1.0f, "Zoom Lens");
  Env::addLens(series, 24, 70, "Zoom Lens");
  Env::addLens(series, 70, 200, "Zoom Lens");
  auto lenses = LensChoices::lensesOf(series).lenses;
  ASSERT_EQ(lenses.size(), 2u);
  LensChoices::clearDoubleSelected(lenses[1], lenses);  // no effect on zooms
  EXPECT_EQ(Env::selectedFocalLengths(series), (std::vector<float>{24}));
  LensChoices::selectZoom(lenses[1]);
  EXPECT_EQ(Env::selectedFocalLengths(series), (std::vector<float>{70}));
}

TEST_F(LensChoicesTest, AnEmptySeriesCannotBeChosenAndStaysEmpty) {
  const int empty = Env::addSeries("Empty", 1.0f);
  EXPECT_FALSE(LensChoices::hasLenses(empty));
  auto listed = LensChoices::lensesOf(empty);
  EXPECT_TRUE(listed.lenses.empty());
  EXPECT_FALSE(listed.selectedShortest);
  EXPECT_TRUE(LensChoices::hasLenses(250));
}

TEST_F(LensChoicesTest, DeletingALensKeepsTheLastOneAndFollowsTheSavedPackages) {
  const int series = Env::addSeries("Mine", 1.0f);
  Env::addLens(series, 24);
  Env::addLens(series, 50);
  LensChoices::chooseSeries(series);
  auto package = storage::PackageUtil::getStartPackageOne();
  package.lensManufacturer = model::LensManufacturer(series, "Mine", "", "Prime Lens", 1, 1.0f, 1);
  package.lensSet = {lensAt(series, 24), lensAt(series, 50)};
  package.packageName = "Saved";
  ASSERT_GT(storage::PackageUtil::savePackage(package), 0);

  EXPECT_EQ(LensChoices::deleteLens(lensAt(series, 24), 2), LensChoices::Deleted::Done);
  ASSERT_EQ(Env::lensesOf(series).size(), 1u);
  auto saved = storage::PackageUtil::getAllPackages();
  ASSERT_EQ(saved.size(), 1u);
  ASSERT_EQ(saved[0].lensSet.size(), 1u);
  EXPECT_EQ(saved[0].lensSet[0].focalLength, 50);

  // The series' last lens stays, whatever the catalogue holds.
  EXPECT_EQ(LensChoices::deleteLens(lensAt(series, 50), 1), LensChoices::Deleted::LastLens);
  EXPECT_EQ(Env::lensesOf(series).size(), 1u);

  EXPECT_EQ(LensChoices::deleteSeries(series), LensChoices::Deleted::Done);
  EXPECT_TRUE(Env::lensesOf(series).empty());
  storage::LensDatabaseHelper catalogue;
  ASSERT_TRUE(catalogue.openDb(false));
  EXPECT_FALSE(catalogue.getLensManufacturer(series));
  EXPECT_TRUE(storage::PackageUtil::getAllPackages().empty()) << "a saved package of a deleted series goes with it";
}

}  // namespace

}  // namespace app::setup

