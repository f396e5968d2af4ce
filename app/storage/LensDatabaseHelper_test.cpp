#include "app/storage/LensDatabaseHelper.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/storage/StorageTestFixture.h"

namespace {

LensObject makeLens(int series, float focalLength, const std::string& type = "Prime Lens", float focalLengthMax = 0) {
  LensObject lens;
  lens.manufacturerId = series;
  lens.focalLength = focalLength;
  lens.focalLengthMax = focalLengthMax;
  lens.lensType = type;
  lens.anamorphic = 1.0f;
  lens.closeFocus = "0.45m | 1' 6\"";
  lens.aperture = "T1.3";  // not stored
  return lens;
}

std::vector<int> selectedIds(LensDatabaseHelper& helper, int series) {
  std::vector<int> ids;
  for (const auto& lens : helper.getSelectedLenses4Manufacturer(series)) ids.push_back(lens.lensId);
  return ids;
}

std::vector<int> seriesIds(const std::vector<LensManufacturer>& series) {
  std::vector<int> ids;
  for (const auto& one : series) ids.push_back(one.manufactorId);
  std::sort(ids.begin(), ids.end());
  return ids;
}

class LensDatabaseTest : public StorageTest {
 protected:
  void SetUp() override { ASSERT_TRUE(helper_.openDb(false)); }
  LensDatabaseHelper helper_;
};

TEST_F(LensDatabaseTest, AnOldCatalogueGainsTheOriginColumnAndCountsEverySeriesAsShipped) {
  LensManufacturer mine(0, "Me", "Homemade", "Prime Lens", 0, 1.0f, 1);
  ASSERT_GT(helper_.insertManufactor(mine), 0);
  ASSERT_TRUE(helper_.database().execute("ALTER TABLE Manufacturer DROP COLUMN Origin"));
  helper_.closeDb();
  ASSERT_TRUE(helper_.openDb(false));
  EXPECT_TRUE(log_.contains("Inserted Origin Colum!"));
  EXPECT_TRUE(helper_.checkIfOriginColumnexist());
  EXPECT_TRUE(helper_.getAllCustomManufacturers().empty());
  EXPECT_EQ(helper_.getLensManufacturer(mine.manufactorId)->origin, 0);

  log_.clear();
  helper_.closeDb();
  helper_.openDb(false);
  EXPECT_FALSE(log_.contains("Inserted Origin Colum!")) << "added once";
}

TEST_F(LensDatabaseTest, IdsStartAtOneAndFollowTheHighestStored) {
  ASSERT_TRUE(helper_.database().execute("DELETE FROM Lenses"));
  ASSERT_TRUE(helper_.database().execute("DELETE FROM Manufacturer"));
  EXPECT_EQ(helper_.getLastLensID(), 1);
  EXPECT_EQ(helper_.getLastManufacturerID(), 1);
  LensManufacturer series(0, "Me", "Homemade", "Prime Lens", 1, 1.0f, 0);
  EXPECT_EQ(helper_.insertManufactor(series), 1);
  EXPECT_EQ(series.origin, 1) << "every inserted series is the user's";
  LensObject lens = makeLens(1, 50);
  EXPECT_EQ(helper_.insertNewLensWithSelection(lens), 1);
  EXPECT_EQ(lens.lensId, 1);
  EXPECT_EQ(helper_.getLastLensID(), 2);

  ASSERT_TRUE(helper_.database().execute("DROP TABLE Lenses"));
  EXPECT_EQ(helper_.getLastLensID(), -1);
  LensObject orphan = makeLens(1, 85);
  EXPECT_EQ(helper_.insertNewLens(orphan), -1) << "nothing stored, no id handed out";
}

TEST_F(LensDatabaseTest, ALensWhoseSelectionCannotBeWrittenIsNotStoredAndGetsNoId) {
  ASSERT_TRUE(helper_.database().execute(
      "CREATE TRIGGER NoSelection BEFORE UPDATE OF DefaultSelection ON Lenses BEGIN SELECT RAISE(ABORT, 'no'); END"));
  const int next = helper_.getLastLensID();
  LensObject zoom = makeLens(5, 24, "Zoom Lens", 70);
  EXPECT_EQ(helper_.insertNewLens(zoom), -1);
  EXPECT_EQ(zoom.lensId, 0);
  EXPECT_EQ(zoom.selected, 0);
  EXPECT_EQ(helper_.getLastLensID(), next) << "the inserted row went back with the selection";
  EXPECT_FALSE(helper_.lensExistsAlready(zoom));
}

TEST_F(LensDatabaseTest, ANewZoomIsTheOnlySelectedLensAndANewPrimeJoinsTheSet) {
  const auto primesBefore = selectedIds(helper_, 5);
  ASSERT_FALSE(primesBefore.empty());
  LensObject prime = makeLens(5, 17.5f);
  const int primeId = helper_.insertNewLens(prime);
  auto primesAfter = selectedIds(helper_, 5);
  EXPECT_EQ(primesAfter.size(), primesBefore.size() + 1);
  EXPECT_NE(std::find(primesAfter.begin(), primesAfter.end(), primeId), primesAfter.end());

  ASSERT_TRUE(helper_.updateLensSelection({.lensId = 10, .defaultSelection = 1}));
  LensObject zoom = makeLens(4, 19.0f, "Zoom Lens", 90.0f);
  const int zoomId = helper_.insertNewLens(zoom);
  EXPECT_EQ(selectedIds(helper_, 4), std::vector<int>{zoomId});

  const LensObject stored = helper_.getLens(primeId);
  EXPECT_EQ(stored.custom, 1);
  EXPECT_EQ(stored.aperture, "") << "a user's lens keeps only its focal lengths, squeeze and close focus";
  EXPECT_EQ(stored.closeFocus, "0.45m | 1' 6\"");
  EXPECT_EQ(stored.apertureClose, "");
  EXPECT_FLOAT_EQ(stored.imageCircle, 0.0f);
}

TEST_F(LensDatabaseTest, SelectionWritersKeepOneSeriesAndWriteTheLensFlagAsGiven) {
  ASSERT_TRUE(helper_.deselectManufacturer());
  EXPECT_FALSE(helper_.getSelectedLensManufacturer().has_value());
  ASSERT_TRUE(helper_.selectManufacturer(4));
  EXPECT_EQ(helper_.getSelectedLensManufacturer()->manufactorId, 4);

  LensObject lens = helper_.getLens(16);
  ASSERT_EQ(lens.selected, 1);
  lens.selected = 0;
  ASSERT_TRUE(helper_.selectLens(lens));
  EXPECT_EQ(helper_.getLens(16).selected, 0);
  ASSERT_TRUE(helper_.deslectLensesForManufacturer(5));
  EXPECT_TRUE(helper_.getSelectedLenses4Manufacturer(5).empty());
}

TEST_F(LensDatabaseTest, CombinedFilterConditions) {
  struct Case {
    bool prime, zoom, spherical, anamorphic;
    const char* condition;
  } cases[] = {
      {false, false, false, false, ""},
      {true, true, false, false, "WHERE Type = 'Zoom Lens'"},
      {true, false, false, false, "WHERE TYPE = 'Prime Lens'"},
      {false, true, true, false, "WHERE Type = 'Zoom Lens' AND (Anamorphotic = 1.0 OR Anamorphotic = -1.0)"},
      {true, false, true, true,
       "WHERE TYPE = 'Prime Lens' AND (Anamorphotic = 1.0 OR Anamorphotic = -1.0) AND (Anamorphotic > 1.0 OR "
       "Anamorphotic = -1.0)"},
      {false, false, true, false, "WHERE Anamorphotic = 1.0 OR Anamorphotic = -1.0"},
      {false, false, true, true, "WHERE Anamorphotic>1 OR Anamorphotic = -1.0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LensDatabaseHelper::filterCondition(c.prime, c.zoom, c.spherical, c.anamorphic), c.condition)
        << c.prime << c.zoom << c.spherical << c.anamorphic;
  }
}

TEST_F(LensDatabaseTest, ASeriesOfSqueezeMinusOnePassesBothSqueezeFilters) {
  LensManufacturer both(0, "Me", "Switchable", "Prime Lens", 0, -1.0f, 1);
  const int id = helper_.insertManufactor(both);
  const auto has = [id](const std::vector<LensManufacturer>& list) {
    return std::any_of(list.begin(), list.end(), [id](const auto& s) { return s.manufactorId == id; });
  };
  EXPECT_TRUE(has(helper_.getLensManufactorsWithFilterPrime(true, false, true, false)));
  EXPECT_TRUE(has(helper_.getLensManufactorsWithFilterPrime(true, false, false, true)));
  EXPECT_EQ(seriesIds(helper_.getLensManufactorsWithFilterPrime(true, false, true, true)), std::vector<int>{id});
  EXPECT_FALSE(has(helper_.getLensManufactorsWithFilterPrime(false, true, true, true)));
  EXPECT_EQ(helper_.getLensManufactorsWithFilterPrime(false, false, false, false).size(),
            helper_.getAllLensManufactors().size());
  EXPECT_EQ(seriesIds(helper_.getLensManufactorsWithFilterPrime(true, true, false, false)),
            seriesIds(helper_.getAllLensManufactorsZoom()));
  EXPECT_EQ(seriesIds(helper_.getAllCustomManufacturers()), std::vector<int>{id});
}

TEST_F(LensDatabaseTest, FocalLengthLookupsMatchBySixDecimalText) {
  LensObject lens = makeLens(4, 17.5f, "Zoom Lens", 55.0f);
  const int id = helper_.insertNewLensWithOutSelectionUpdate(lens);
  EXPECT_TRUE(helper_.lensExistsAlready(lens));
  EXPECT_EQ(helper_.lensExistsAlreadyWithID(lens), id);
  LensObject otherSeries = lens;
  otherSeries.manufacturerId = 5;
  EXPECT_EQ(helper_.lensExistsAlreadyWithID(otherSeries), -1);
  // 17.3 does not survive "%f" (17.299999), so it is never found again.
  LensObject inexact = makeLens(4, 17.3f, "Zoom Lens", 55.0f);
  helper_.insertNewLensWithOutSelectionUpdate(inexact);
  EXPECT_FALSE(helper_.lensExistsAlready(inexact));

  ASSERT_TRUE(helper_.database().execute(
      "INSERT INTO Manufacturer (ManufacturerId, Manufacturer, LensSeries, Type) VALUES (1, 'G', 'P', 'Prime Lens')"));
  std::vector<LensObject> generic = {makeLens(0, 24), makeLens(0, 32.5f)};
  ASSERT_TRUE(helper_.insertgenericPrimeLenses(generic));
  EXPECT_EQ(generic[1].manufacturerId, 1);
  EXPECT_EQ(helper_.getGnericPrimeLensId(32.5f), generic[1].lensId);
  EXPECT_EQ(helper_.getGnericPrimeLensId(33.0f), 0);
  EXPECT_TRUE(helper_.genericLensesExist());
}

TEST_F(LensDatabaseTest, ReadersGiveEmptyValuesForUnknownIds) {
  EXPECT_EQ(helper_.getLens(999999).lensId, 0);
  EXPECT_FALSE(helper_.getLensManufacturer(999999).has_value());
  EXPECT_TRUE(helper_.getAllLensesForManufcaturer(999999).empty());
  EXPECT_FALSE(helper_.genericLensesExist()) << "the shipped catalogue has no old generic series";

  // A shipped prime with a published image circle: the long-end column is NULL and reads as 0.
  const LensObject full = helper_.getLens(103);
  EXPECT_EQ(full.aperture, "T2.0");
  EXPECT_FLOAT_EQ(full.imageCircle, 46.31f);
  EXPECT_EQ(full.imageCircleMax, 0.0f);
  EXPECT_EQ(full.apertureClose, "");
  EXPECT_EQ(LensDatabaseHelper::clearGenericPrefix("aaaGeneric aaaPrimes"), "Generic Primes");
}

TEST_F(LensDatabaseTest, DeletingASeriesTakesItsLensesWithIt) {
  LensManufacturer series(0, "Me", "Short-lived", "Prime Lens", 0, 1.0f, 1);
  const int id = helper_.insertManufactor(series);
  LensObject a = makeLens(id, 20), b = makeLens(id, 30);
  helper_.insertNewLensWithSelection(a);
  helper_.insertNewLensWithSelection(b);
  ASSERT_TRUE(helper_.deleteLens(a));
  EXPECT_EQ(helper_.getAllLensesForManufcaturer(id).size(), 1u);
  ASSERT_TRUE(helper_.deleteManufacturer(id));
  EXPECT_FALSE(helper_.getLensManufacturer(id).has_value());
  EXPECT_EQ(helper_.getLens(b.lensId).lensId, 0);
}

}  // namespace
