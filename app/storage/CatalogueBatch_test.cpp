#include "app/storage/CatalogueBatch.h"

#include <gtest/gtest.h>

#include "app/storage/StorageTestSupport.h"
#include "platform/foundation/AtomicFile.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
using platform::foundation::AtomicFile;

class CatalogueBatchTest : public StorageTest {
 protected:
  void SetUp() override {
    OpenCatalogue<LensDatabaseHelper> lenses;
    ASSERT_TRUE(lenses);
    series_ = selectedSeries();
    ASSERT_GT(series_, 0);
    auto other = lenses->database().prepare("SELECT ManufacturerId FROM Manufacturer WHERE Selected IS NOT 1 LIMIT 1");
    ASSERT_EQ(other.step(), CatalogueStatement::Step::Row);
    other_ = other.columnInt(0);
  }
  static std::vector<uint8_t> lensFile() {
    auto bytes = AtomicFile::readFile(CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName));
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? bytes.value() : std::vector<uint8_t>();
  }
  int series_ = 0;
  int other_ = 0;
};

TEST_F(CatalogueBatchTest, SelectionsThatEndWhereTheyBeganLeaveTheFileAsItWas) {
  const auto before = lensFile();
  {
    CatalogueBatch batch;
    OpenCatalogue<LensDatabaseHelper> lenses;
    ASSERT_TRUE(lenses->selectOnlyManufacturer(other_));
    ASSERT_TRUE(lenses->selectOnlyManufacturer(series_));
    EXPECT_TRUE(batch.commit());
  }
  // A commit, even of the same flags, would have counted up the file's change counter.
  EXPECT_EQ(lensFile(), before);
  EXPECT_EQ(selectedSeries(), series_);
}

TEST_F(CatalogueBatchTest, EveryRealChangeIsKeptThoughOnlySetFlagsAreCompared) {
  int lens = 0;
  {
    OpenCatalogue<LensDatabaseHelper> lenses;
    auto any = lenses->database().prepare("SELECT LensId FROM Lenses WHERE DefaultSelection = 0 LIMIT 1");
    ASSERT_EQ(any.step(), CatalogueStatement::Step::Row);
    lens = any.columnInt(0);
    ASSERT_TRUE(lenses->database().execute("UPDATE Lenses SET DefaultSelection = NULL WHERE LensId = ?", {lens}));
  }
  const int rows = countIn<LensDatabaseHelper>("SELECT COUNT(*) FROM Manufacturer");
  {
    CatalogueBatch batch;
    OpenCatalogue<LensDatabaseHelper> lenses;
    // A flag that was NULL and is now 0, and a row that is not selected: neither shows among the set
    // flags, and both must still reach the file.
    ASSERT_TRUE(lenses->updateLensSelection({.lensId = lens, .defaultSelection = 0}));
    model::LensManufacturer mine(0, "Me", "Homemade", "Prime Lens", 0, 1.0f, 0);
    ASSERT_GT(lenses->insertManufacturer(mine), 0);
    EXPECT_TRUE(batch.commit());
  }
  EXPECT_EQ(countIn<LensDatabaseHelper>("SELECT COUNT(*) FROM Lenses WHERE DefaultSelection IS NULL"), 0);
  EXPECT_EQ(countIn<LensDatabaseHelper>("SELECT COUNT(*) FROM Manufacturer"), rows + 1);

  {
    CatalogueBatch batch;
    OpenCatalogue<LensDatabaseHelper> lenses;
    ASSERT_TRUE(lenses->selectOnlyManufacturer(other_));
    EXPECT_TRUE(batch.commit());
  }
  EXPECT_EQ(selectedSeries(), other_);
}

}  // namespace

}  // namespace app::storage
