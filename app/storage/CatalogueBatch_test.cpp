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
    const int64_t written = lenses->database().totalChanges();
    // As a start loads its two packages: a series and its lenses, then the other's.
    for (int series : {other_, series_}) {
      std::vector<int> kept;
      for (const auto& lens : lenses->getSelectedLenses4Manufacturer(series)) kept.push_back(lens.lensId);
      ASSERT_TRUE(lenses->selectOnlyManufacturer(series));
      ASSERT_TRUE(lenses->selectOnlyLenses(series, kept));
    }
    EXPECT_TRUE(batch.commit());
    // Not even a row that is then taken back: that alone makes a journal file and writes to it.
    EXPECT_EQ(lenses->database().totalChanges(), written);
  }
  EXPECT_EQ(lensFile(), before);
  {
    // Lens flags are written as they come; when they end as they began, nothing is committed.
    CatalogueBatch batch;
    OpenCatalogue<LensDatabaseHelper> lenses;
    std::vector<int> kept;
    for (const auto& lens : lenses->getSelectedLenses4Manufacturer(series_)) kept.push_back(lens.lensId);
    ASSERT_FALSE(kept.empty());
    ASSERT_TRUE(lenses->selectOnlyLenses(series_, {kept.front()}));
    ASSERT_TRUE(lenses->selectOnlyLenses(series_, kept));
    EXPECT_TRUE(batch.commit());
  }
  // A commit, even of the same flags, would have counted up the file's change counter.
  EXPECT_EQ(lensFile(), before);
  EXPECT_EQ(selectedSeries(), series_);
}

TEST_F(CatalogueBatchTest, AHeldSelectionReadsAsIfWrittenAndTheLastOneStays) {
  int adapter = 0;
  {
    OpenCatalogue<LensAdapterCatalogue> adapters;
    ASSERT_TRUE(adapters);
    for (const auto& one : adapters->getAllAdapters()) {
      if (one.selected == 0) adapter = one.adapterId;
    }
    ASSERT_GT(adapter, 0);
  }
  {
    CatalogueBatch batch;
    OpenCatalogue<LensDatabaseHelper> lenses;
    OpenCatalogue<LensAdapterCatalogue> adapters;
    ASSERT_TRUE(lenses->selectOnlyManufacturer(other_));
    ASSERT_TRUE(adapters->selectOnlyAdapter(adapter));
    EXPECT_EQ(lenses->getLensManufacturer(other_)->selected, 1);
    EXPECT_EQ(lenses->getLensManufacturer(series_)->selected, 0);
    for (const auto& one : adapters->getAllAdapters()) EXPECT_EQ(one.selected, one.adapterId == adapter ? 1 : 0);
    // A reader that looks the selection up in the file finds it there.
    EXPECT_EQ(lenses->getSelectedLensManufacturer()->manufacturerId, other_);
    EXPECT_EQ(adapters->getSelectedLensAdapter().adapterId, adapter);
    ASSERT_TRUE(lenses->selectOnlyManufacturer(series_));
    ASSERT_TRUE(lenses->selectOnlyManufacturer(other_));
    EXPECT_TRUE(batch.commit());
  }
  EXPECT_EQ(selectedSeries(), other_);
  EXPECT_EQ(selectedAdapter(), adapter);

  {
    // Another write to the table lands after the held selection, as it was made after it.
    CatalogueBatch batch;
    OpenCatalogue<LensDatabaseHelper> lenses;
    ASSERT_TRUE(lenses->selectOnlyManufacturer(series_));
    ASSERT_TRUE(lenses->deselectManufacturer());
    EXPECT_TRUE(batch.commit());
  }
  EXPECT_EQ(countIn<LensDatabaseHelper>("SELECT COUNT(*) FROM Manufacturer WHERE Selected = 1"), 0);
  ASSERT_TRUE(OpenCatalogue<LensDatabaseHelper>()->selectOnlyManufacturer(other_));

  {
    // A batch that ends without commit() stores none of it.
    CatalogueBatch batch;
    OpenCatalogue<LensDatabaseHelper> lenses;
    ASSERT_TRUE(lenses->selectOnlyManufacturer(series_));
  }
  EXPECT_EQ(selectedSeries(), other_);
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
