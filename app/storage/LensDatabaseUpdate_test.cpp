// The lens catalogue's update: user rows carried into the bundle's catalogue, packages following.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/StorageTestSupport.h"
#include "app/storage/recovery/CatalogueReplacement.h"
#include "platform/foundation/AtomicFile.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueReplacement;

namespace app::storage {

namespace {

using namespace ostrel::testing;

using platform::foundation::AtomicFile;
using scenes::LensScene;

class LensUpdateTest : public StorageTest {
 protected:
  void SetUp() override { scene_.build(); }
  LensScene scene_;
};

TEST_F(LensUpdateTest, UserRowsComeOverRenumberedAndPackagesFollowInOneMapping) {
  LensDatabaseHelper helper;
  ASSERT_TRUE(helper.openDb(true));
  EXPECT_FALSE(LensScene::isOld()) << "lenses of the old generic series are not carried";
  EXPECT_EQ(LensScene::countOf("SELECT COUNT(*) FROM Manufacturer WHERE LensSeries = 'B empty'"), 0);

  // Series after the shipped 253; lenses after the shipped ones, user series first, then the 17.5 mm.
  const int top = scene_.shippedTop;
  const auto custom = helper.getAllCustomManufacturers();
  ASSERT_EQ(custom.size(), 2u);
  EXPECT_EQ(custom[0].manufacturerId, 254);
  EXPECT_EQ(custom[1].manufacturerId, 255);
  EXPECT_EQ(custom[0].selected, 0) << "the user's current series is not carried";
  EXPECT_EQ(selectedSeries(), 5);
  EXPECT_EQ(helper.getLens(top + 1).selected, 1);
  EXPECT_EQ(helper.getLens(top + 2).selected, 0);
  EXPECT_EQ(LensScene::countOf("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 5 AND FocalLength = 35"), 1)
      << "the user's twin of a shipped lens is not copied";
  // Shipped lenses keep the flags the user gave them; the twin keeps its lens in the set.
  for (auto [id, flag] : {std::pair{16, 0}, {14, 1}, {10, 1}, {20, 1}})
    EXPECT_EQ(helper.getLens(id).selected, flag) << id;
  helper.closeDb();

  // Applied one entry at a time, C's 75 mm would have run on from its new id to the 17.5 mm's and
  // the twin's: it ends where its own entry puts it.
  EXPECT_EQ(scenes::loadPackage(scene_.packageA).lensSetIDs, (std::vector<int>{top + 1, top + 2}));
  EXPECT_EQ(scenes::loadPackage(scene_.packageCustom).lensSetIDs, (std::vector<int>{14, 20, top + 4}));
  EXPECT_EQ(scenes::loadPackage(scene_.packageC).lensSetIDs, std::vector<int>{top + 3});
  EXPECT_EQ(scenes::loadPackage(scene_.packageC).lensManufacturerId, 255);
  scene_.expectWhole();
  EXPECT_FALSE(AtomicFile::fileExists(CatalogueReplacement::stagingPath(LensDatabaseHelper::kFileName)));

  // A second update finds the same user rows and changes nothing the user sees.
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();
  scene_.expectWhole();
}

TEST_F(LensUpdateTest, AnInstalledCatalogueThatCannotBeReadIsKept) {
  const std::string path = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view("damaged")).ok());
  LensDatabaseHelper helper;
  EXPECT_FALSE(helper.resetdatabase());
  EXPECT_EQ(AtomicFile::readText(path).valueOr(""), "damaged");
}

// What the user typed for a lens of their own survives an update, in a series of their own and in a
// shipped one alike (aperture, mount, size and comment were once stored empty on the way over).
TEST_F(LensUpdateTest, UserLensesKeepEveryColumn) {
  const auto fill = [](int id, const char* text) {
    const std::string value = std::string("'") + text + "'";
    ASSERT_TRUE(withOpen<LensDatabaseHelper>([&](auto& lenses) {
      return lenses.database().execute("UPDATE Lenses SET Aperture = " + value + " || ' T', LensMount = " + value +
                                       " || ' mount', SizeCategory = 'S', Comment = " + value +
                                       " || ' note', ApertureClose = 'T4', ImageCircle = 31.5, ImageCircleMax = 40 "
                                       "WHERE LensId = " + std::to_string(id));
    }));
  };
  fill(scene_.a20, "own");
  fill(scene_.custom17, "shipped");
  LensDatabaseHelper helper;
  ASSERT_TRUE(helper.openDb(true));
  struct Expected {
    const char* text;
    int series;
    float focalLength;
  };
  for (const Expected& expected : {Expected{"own", 254, 20}, Expected{"shipped", 5, 17.5f}}) {
    const auto lenses = helper.getAllLensesForManufacturer(expected.series);
    const auto found = std::find_if(lenses.begin(), lenses.end(),
                                    [&](const model::LensObject& lens) { return lens.focalLength == expected.focalLength; });
    ASSERT_NE(found, lenses.end()) << expected.text;
    EXPECT_EQ(found->aperture, std::string(expected.text) + " T");
    EXPECT_EQ(found->lensmMount, std::string(expected.text) + " mount");
    EXPECT_EQ(found->sizeCategory, "S");
    EXPECT_EQ(found->comment, std::string(expected.text) + " note");
    EXPECT_EQ(found->apertureClose, "T4");
    EXPECT_FLOAT_EQ(found->imageCircle, 31.5f);
    EXPECT_FLOAT_EQ(found->imageCircleMax, 40.0f);
  }
}

}  // namespace

}  // namespace app::storage

