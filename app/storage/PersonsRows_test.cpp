// What a rescue learns of the person's rows in a copy of a catalogue: a kind of row the copy has no
// table for holds nothing to carry, while a copy that cannot be read to the end holds rows unknown.
#include "app/storage/PersonsRows.h"

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
    std::vector<int> lenses(600);
    std::iota(lenses.begin(), lenses.end(), 1);
    scenes::savePackage(5, lenses);
    scenes::savePackage(5, {});
    fs::copy_file(CatalogueDatabase::libraryPath(PackageDatabaseHelper::kFileName), copy_);
  }
  std::optional<std::set<std::string>> rows() const { return PersonsRows::of(PackageDatabaseHelper::kFileName, copy_); }
  void change(const std::string& sql) const {
    CatalogueDatabase database;
    ASSERT_TRUE(database.openPath(copy_, false));
    ASSERT_TRUE(database.execute(sql));
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
};

TEST_F(PersonsRowsTest, ATableOrColumnTheCopyLacksHoldsNothingToCarry) {
  const auto whole = rows();
  ASSERT_TRUE(whole);
  const auto lensRows = std::count_if(whole->begin(), whole->end(),
                                      [](const std::string& row) { return row.starts_with("lenses of package|"); });
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

}  // namespace

}  // namespace app::storage
