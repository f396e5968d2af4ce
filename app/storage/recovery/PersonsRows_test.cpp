// What a rescue learns of the person's rows in a copy of a catalogue: a kind of row the copy has no
// table for holds nothing to carry, while a copy that cannot be read to the end holds rows unknown; and
// a copy one value behind (an older copy of the person's own catalogue) does not hold them.
#include "app/storage/recovery/PersonsRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>

#include "app/storage/CatalogueUpdateTestSupport.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
namespace fs = std::filesystem;

class PersonsRowsTest : public StorageTest {
 protected:
  // A copy of the package catalogue with two saved packages, one of them with many lenses.
  PersonsRowsTest() {
    seedAsAFirstStart();
    std::vector<int> lenses(600);
    std::iota(lenses.begin(), lenses.end(), 1);
    scenes::savePackage(5, lenses);
    scenes::savePackage(5, {});
    fs::copy_file(CatalogueDatabase::libraryPath(PackageDatabaseHelper::kFileName), copy_);
  }
  std::optional<PersonsRows::Rows> rows() const { return PersonsRows::of(PackageDatabaseHelper::kKind, copy_); }
  void change(const std::string& sql) const { changeAt(copy_, sql); }
  static void changeAt(const std::string& path, const std::string& sql) {
    CatalogueDatabase database;
    ASSERT_TRUE(database.openPath(path, false));
    ASSERT_TRUE(database.execute(sql));
  }
  // Whether a copy of the catalogue at `from` changed by `sql` holds `rows` of the catalogue of `kind`.
  bool heldAfter(const CatalogueKind& kind, const std::string& from, const PersonsRows::Rows& rows, const std::string& sql) const {
    fs::copy_file(from, place_, fs::copy_options::overwrite_existing);
    if (!sql.empty()) changeAt(place_, sql);
    return PersonsRows::allHeldIn(kind, place_, rows);
  }
  // The pages holding the lens rows, where a read of them goes (the table's or its index's).
  std::vector<int> pagesOfLensRows() const {
    CatalogueDatabase database;
    EXPECT_TRUE(database.openPath(copy_, false));
    std::vector<int> pages;
    auto page = database.prepare(
        "SELECT pageno FROM dbstat WHERE name IN ('PackageLensData', 'PackageLensDataByPackage') AND pagetype = 'leaf'");
    while (page.step() == CatalogueStatement::Step::Row) pages.push_back(page.columnInt(0));
    return pages;
  }

  std::string copy_ = container_.pathFor("Copy.sqlite");
  std::string place_ = container_.pathFor("Place.sqlite");
};

TEST_F(PersonsRowsTest, ATableOrColumnTheCopyLacksHoldsNothingToCarry) {
  const auto whole = rows();
  ASSERT_TRUE(whole);
  const auto lensRows = std::count_if(whole->begin(), whole->end(),
                                      [](const auto& row) { return row.first.starts_with("lenses of package|"); });
  ASSERT_EQ(lensRows, 1);
  ASSERT_GE(whole->size(), 3u);

  change("DROP TABLE PackageLensData");
  auto left = rows();
  ASSERT_TRUE(left);
  EXPECT_EQ(left->size(), whole->size() - 1);
  change("ALTER TABLE PackageData RENAME COLUMN frameGuideColor TO colour");
  left = rows();
  ASSERT_TRUE(left);
  EXPECT_TRUE(left->empty());
}

TEST_F(PersonsRowsTest, ACopyThatCannotBeReadToTheEndHoldsRowsUnknown) {
  for (const int page : pagesOfLensRows()) {
    scenes::damage(copy_, static_cast<std::streamoff>(page - 1) * scenes::kPage, scenes::kPage);
  }
  EXPECT_FALSE(rows()) << "a table that fails part-way";
  overwriteWithNoise(copy_, 0, 2 * scenes::kPage, 3);
  EXPECT_FALSE(rows()) << "not a database";
  fs::remove(copy_);
  EXPECT_FALSE(rows()) << "missing";
}

TEST_F(PersonsRowsTest, APackageOneChoiceBehindDoesNotHoldThePersonsOwn) {
  const auto whole = rows();
  ASSERT_TRUE(whole);
  EXPECT_TRUE(heldAfter(PackageDatabaseHelper::kKind, copy_, *whole, ""));
  const std::string last = " WHERE packageId = (SELECT MAX(packageId) FROM PackageData)";
  for (const std::string& behind :
       {"UPDATE PackageData SET cameraFormatId = 1085" + last, "UPDATE PackageData SET lensManufacturerId = 6" + last,
        "UPDATE PackageData SET cropId = 2" + last, "UPDATE PackageData SET adapterId = 2" + last,
        "UPDATE PackageData SET frameGuideId = 2" + last, "UPDATE PackageData SET frameGuideShading = 4" + last,
        "UPDATE PackageData SET frameGuideColor = 255" + last, "UPDATE PackageData SET packageName = 'B'" + last,
        std::string("UPDATE PackageLensData SET lensID = 9999 WHERE lensPackageId = (SELECT MIN(lensPackageId) FROM "
                    "PackageLensData)")}) {
    EXPECT_FALSE(heldAfter(PackageDatabaseHelper::kKind, copy_, *whole, behind)) << behind;
  }
}

// The person's series, their lenses and a lens added to a shipped series, each by every value they set;
// carried into a fresh copy, renumbered, with a lens the fresh copy ships alike standing for theirs.
TEST_F(PersonsRowsTest, ALensCatalogueOneValueBehindDoesNotHoldThePersonsOwnAndACarriedOneDoes) {
  scenes::LensScene scene;
  scene.build();
  const std::string lenses = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  fs::copy_file(lenses, copy_, fs::copy_options::overwrite_existing);
  const auto theirs = PersonsRows::of(LensDatabaseHelper::kKind, copy_);
  ASSERT_TRUE(theirs);
  EXPECT_TRUE(heldAfter(LensDatabaseHelper::kKind, copy_, *theirs, "UPDATE Lenses SET DefaultSelection = 1 - DefaultSelection"))
      << "a selection is stored again at every start";
  for (const char* behind : {"UPDATE Manufacturer SET Anamorphotic = 1.5 WHERE LensSeries = 'A primes'",
                             "UPDATE Manufacturer SET Type = 'Zoom Lens' WHERE LensSeries = 'A primes'",
                             "UPDATE Lenses SET Category = '0.45' WHERE FocalLength = 40 AND Custom = 1",
                             "UPDATE Lenses SET Anamorphotic = 2 WHERE FocalLength = 75 AND Custom = 1",
                             "UPDATE Lenses SET FocalLengthMax = 17.5 WHERE FocalLength = 17.5 AND Custom = 1",
                             "UPDATE Lenses SET LensType = 'Zoom Lens' WHERE FocalLength = 17.5 AND Custom = 1"}) {
    EXPECT_FALSE(heldAfter(LensDatabaseHelper::kKind, copy_, *theirs, behind)) << behind;
  }
  ASSERT_EQ(LensDatabaseHelper::kKind.carryRows(copy_), CatalogueUpdate::Rebuilt::Done);
  EXPECT_EQ(scenes::LensScene::countOf("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 5 AND FocalLength = 35 AND Custom = 1"), 0)
      << "the shipped 35 mm stands for the person's";
  EXPECT_TRUE(PersonsRows::allHeldIn(LensDatabaseHelper::kKind, lenses, *theirs));
}

}  // namespace

}  // namespace app::storage
