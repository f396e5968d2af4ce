#include "app/storage/LensDatabaseHelper.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/StorageTestSupport.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;

using scenes::lens;

std::vector<int> idsOf(const std::vector<model::LensObject>& lenses) {
  std::vector<int> ids;
  for (const auto& one : lenses) ids.push_back(one.lensId);
  return ids;
}

bool holds(const std::vector<model::LensManufacturer>& list, int id) {
  return std::any_of(list.begin(), list.end(), [id](const auto& s) { return s.manufacturerId == id; });
}

class LensDatabaseTest : public StorageTest {
 protected:
  void SetUp() override { ASSERT_TRUE(helper_.openDb(false)); }
  int userSeries(const char* name, float squeeze = 1.0f) {
    model::LensManufacturer series(0, "Me", name, "Prime Lens", 0, squeeze, 0);
    return helper_.insertManufacturer(series);
  }
  LensDatabaseHelper helper_;
};

TEST_F(LensDatabaseTest, AnOldCatalogueGainsTheOriginColumnOnceAndCountsEverySeriesAsShipped) {
  const int mine = userSeries("Homemade");
  ASSERT_GT(mine, 0);
  ASSERT_TRUE(helper_.database().execute("ALTER TABLE Manufacturer DROP COLUMN Origin"));
  helper_.closeDb();
  ASSERT_TRUE(helper_.openDb(false));
  EXPECT_TRUE(log_.contains("Inserted Origin Colum!"));
  EXPECT_TRUE(helper_.checkIfOriginColumnexist());
  EXPECT_TRUE(helper_.getAllCustomManufacturers().empty());
  EXPECT_EQ(helper_.getLensManufacturer(mine)->origin, 0);
  log_.clear();
  helper_.closeDb();
  EXPECT_TRUE(helper_.openDb(false));
  EXPECT_FALSE(log_.contains("Inserted Origin Colum!"));
}

TEST_F(LensDatabaseTest, IdsStartAtOneAndAFailedInsertStoresNothingAndGivesNoId) {
  ASSERT_TRUE(helper_.database().execute("DELETE FROM Lenses"));
  ASSERT_TRUE(helper_.database().execute("DELETE FROM Manufacturer"));
  EXPECT_EQ(helper_.getLastLensID(), 1);
  EXPECT_EQ(helper_.getLastManufacturerID(), 1);
  EXPECT_EQ(userSeries("Homemade"), 1);
  EXPECT_EQ(helper_.getAllCustomManufacturers().size(), 1u) << "every inserted series is the user's";
  model::LensObject first = lens(1, 50, 0);
  EXPECT_EQ(helper_.insertNewLensWithSelection(first), 1);
  EXPECT_EQ(helper_.getLastLensID(), 2);

  // The row goes back with a selection that cannot be written.
  ASSERT_TRUE(helper_.database().execute(
      "CREATE TRIGGER NoSelection BEFORE UPDATE OF DefaultSelection ON Lenses BEGIN SELECT RAISE(ABORT, 'no'); END"));
  model::LensObject zoom = lens(1, 24, 0, "Zoom Lens", 70);
  EXPECT_EQ(helper_.insertNewLens(zoom), -1);
  EXPECT_EQ(zoom.lensId, 0);
  EXPECT_EQ(helper_.getLastLensID(), 2);
  EXPECT_FALSE(helper_.lensExistsAlready(zoom));

  ASSERT_TRUE(helper_.database().execute("DROP TABLE Lenses"));
  EXPECT_EQ(helper_.getLastLensID(), -1);
  model::LensObject orphan = lens(1, 85, 0);
  EXPECT_EQ(helper_.insertNewLens(orphan), -1);
}

TEST_F(LensDatabaseTest, ANewZoomIsTheOnlySelectedLensAndANewPrimeJoinsTheSet) {
  const auto primesBefore = idsOf(helper_.getSelectedLenses4Manufacturer(5));
  ASSERT_FALSE(primesBefore.empty());
  model::LensObject prime = lens(5, 17.5f, 0);
  prime.closeFocus = "0.45m | 1' 6\"";
  prime.aperture = "T1.3";
  const int primeId = helper_.insertNewLens(prime);
  auto primesAfter = idsOf(helper_.getSelectedLenses4Manufacturer(5));
  EXPECT_EQ(primesAfter.size(), primesBefore.size() + 1);
  EXPECT_NE(std::find(primesAfter.begin(), primesAfter.end(), primeId), primesAfter.end());

  ASSERT_TRUE(helper_.updateLensSelection({.lensId = 10, .defaultSelection = 1}));
  model::LensObject zoom = lens(4, 19.0f, 0, "Zoom Lens", 90.0f);
  const int zoomId = helper_.insertNewLens(zoom);
  EXPECT_EQ(idsOf(helper_.getSelectedLenses4Manufacturer(4)), std::vector<int>{zoomId});

  // A user's lens keeps only its focal lengths, squeeze and close focus.
  const model::LensObject stored = helper_.getLens(primeId);
  EXPECT_EQ(stored.custom, 1);
  EXPECT_EQ(stored.aperture, "");
  EXPECT_EQ(stored.closeFocus, "0.45m | 1' 6\"");
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

  // A series of squeeze -1 passes both squeeze filters, and is the only one to pass both at once.
  const int both = userSeries("Switchable", -1.0f);
  EXPECT_TRUE(holds(helper_.getLensManufacturersWithFilterPrime(true, false, true, false), both));
  EXPECT_TRUE(holds(helper_.getLensManufacturersWithFilterPrime(true, false, false, true), both));
  const auto atOnce = helper_.getLensManufacturersWithFilterPrime(true, false, true, true);
  ASSERT_EQ(atOnce.size(), 1u);
  EXPECT_EQ(atOnce[0].manufacturerId, both);
  EXPECT_FALSE(holds(helper_.getLensManufacturersWithFilterPrime(false, true, true, true), both));
}

TEST_F(LensDatabaseTest, FocalLengthLookupsMatchBySixDecimalText) {
  model::LensObject found = lens(4, 17.5f, 0, "Zoom Lens", 55.0f);
  const int id = helper_.insertNewLensWithOutSelectionUpdate(found);
  EXPECT_EQ(helper_.lensExistsAlreadyWithID(found), id);
  model::LensObject otherSeries = found;
  otherSeries.manufacturerId = 5;
  EXPECT_EQ(helper_.lensExistsAlreadyWithID(otherSeries), -1);
  // 17.3 does not survive "%f" (17.299999), so it is never found again.
  model::LensObject inexact = lens(4, 17.3f, 0, "Zoom Lens", 55.0f);
  EXPECT_GE(helper_.insertNewLensWithOutSelectionUpdate(inexact), 1);
  EXPECT_FALSE(helper_.lensExistsAlready(inexact));

  EXPECT_FALSE(helper_.genericLensesExist()) << "the shipped catalogue has no old generic series";
  ASSERT_TRUE(helper_.database().execute(
      "INSERT INTO Manufacturer (ManufacturerId, Manufacturer, LensSeries, Type) VALUES (1, 'G', 'P', 'Prime Lens')"));
  std::vector<model::LensObject> generic = {lens(0, 24, 0), lens(0, 32.5f, 0)};
  ASSERT_TRUE(helper_.insertgenericPrimeLenses(generic));
  EXPECT_EQ(helper_.getGenericPrimeLensId(32.5f), generic[1].lensId);
  EXPECT_EQ(helper_.getGenericPrimeLensId(33.0f), 0);
  EXPECT_TRUE(helper_.genericLensesExist());
}

}  // namespace

}  // namespace app::storage

