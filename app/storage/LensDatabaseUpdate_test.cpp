// The lens catalogue's update: user rows carried into the bundle's catalogue, packages following.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueUpdateScenes.h"
#include "app/storage/CatalogueUpdateStages.h"
#include "app/storage/StorageTestFixture.h"
#include "platform/foundation/AtomicFile.h"

namespace {

using platform::foundation::AtomicFile;
using scenes::LensScene;

class LensUpdateTest : public StorageTest {
 protected:
  void SetUp() override { scene_.build(); }
  void TearDown() override { CatalogueUpdateStages::setObserver({}); }

  static LensObject lens(int id) {
    LensDatabaseHelper helper;
    helper.openDb(false);
    return helper.getLens(id);
  }
  // The installed catalogue and the packages exactly as the scene left them.
  void expectNothingChanged() {
    EXPECT_TRUE(LensScene::isOld());
    LensScene::expectUserRows();
    EXPECT_EQ(LensScene::countOf("SELECT COUNT(*) FROM Manufacturer WHERE LensSeries = 'B empty'"), 1);
    EXPECT_EQ(scenes::loadPackage(scene_.packageC).lensSetIDs, std::vector<int>{scene_.c75});
    EXPECT_EQ(scenes::loadPackage(scene_.packageC).lensManufacturerId, scene_.seriesC);
    EXPECT_EQ(lens(16).selected, 0);
    EXPECT_FALSE(AtomicFile::fileExists(CatalogueReplacement::stagingPath(LensDatabaseHelper::kFileName)));
  }

  LensScene scene_;
};

TEST_F(LensUpdateTest, UserRowsComeOverRenumberedAndPackagesFollowInOneMapping) {
  LensDatabaseHelper helper;
  ASSERT_TRUE(helper.openDb(true));
  EXPECT_FALSE(LensScene::isOld()) << "lenses of the old generic series are not carried";
  LensScene::expectUserRows();
  EXPECT_EQ(LensScene::countOf("SELECT COUNT(*) FROM Manufacturer WHERE LensSeries = 'B empty'"), 0);

  // Series after the shipped 253; lenses after the shipped ones, user series first, then the 17.5 mm.
  const int top = scene_.shippedTop;
  const auto custom = helper.getAllCustomManufacturers();
  ASSERT_EQ(custom.size(), 2u);
  EXPECT_EQ(custom[0].manufactorId, 254);
  EXPECT_EQ(custom[1].manufactorId, 255);
  EXPECT_EQ(custom[0].selected, 0) << "the user's current series is not carried";
  EXPECT_EQ(helper.getSelectedLensManufacturer()->manufactorId, 5);
  EXPECT_EQ(LensScene::countOf("SELECT COUNT(*) FROM Manufacturer WHERE Selected = 1"), 1);
  EXPECT_EQ(helper.getLens(top + 1).focalLength, 20.0f);
  EXPECT_EQ(helper.getLens(top + 1).selected, 1);
  EXPECT_EQ(helper.getLens(top + 2).selected, 0);
  EXPECT_EQ(helper.getLens(top + 3).focalLength, 75.0f);
  EXPECT_EQ(helper.getLens(top + 4).focalLength, 17.5f);
  EXPECT_EQ(LensScene::countOf("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 5 AND FocalLength = 35"), 1)
      << "the user's twin of a shipped lens is not copied";

  // Shipped lenses keep the flags the user gave them; the twin keeps its lens in the set.
  EXPECT_EQ(helper.getLens(16).selected, 0);
  EXPECT_EQ(helper.getLens(14).selected, 1);
  EXPECT_EQ(helper.getLens(10).selected, 1);
  EXPECT_EQ(helper.getLens(20).selected, 1);
  helper.closeDb();

  // Applied one entry at a time, C's 75 mm would have run on from its new id to the 17.5 mm's and
  // the twin's: it ends where its own entry puts it.
  EXPECT_EQ(scenes::loadPackage(scene_.packageA).lensSetIDs, (std::vector<int>{top + 1, top + 2}));
  EXPECT_EQ(scenes::loadPackage(scene_.packageCustom).lensSetIDs, (std::vector<int>{14, 20, top + 4}));
  EXPECT_EQ(scenes::loadPackage(scene_.packageC).lensSetIDs, std::vector<int>{top + 3});
  EXPECT_EQ(scenes::loadPackage(scene_.packageC).lensManufacturerId, 255);
  scene_.expectPackagesFollow();
  EXPECT_FALSE(AtomicFile::fileExists(CatalogueReplacement::stagingPath(LensDatabaseHelper::kFileName)));

  // A second update finds the same user rows and changes nothing the user sees.
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();
  LensScene::expectUserRows();
  scene_.expectPackagesFollow();
}

TEST_F(LensUpdateTest, WithoutABundleCatalogueNothingChanges) {
  useEmptyBundle();
  LensDatabaseHelper helper;
  EXPECT_FALSE(helper.resetdatabase());
  useBuiltBundle();
  expectNothingChanged();
}

TEST_F(LensUpdateTest, ABundleCatalogueThatCannotBeFilledChangesNothing) {
  const std::string bundle = container_.pathFor("BrokenBundle");
  ASSERT_TRUE(AtomicFile::createDirectories(bundle));
  ASSERT_TRUE(AtomicFile::writeAtomically(bundle + "/LensDatabase.db", std::string_view("not a catalogue")));
  platform::foundation::Bundle::setMainPath(bundle);
  LensDatabaseHelper helper;
  EXPECT_FALSE(helper.resetdatabase());
  useBuiltBundle();
  expectNothingChanged();
}

TEST_F(LensUpdateTest, ACopyThatCannotTakeTheOldFilesPlaceChangesNothing) {
  const std::string path = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  // Just before the swap, a folder stands where the catalogue is, so the rename must fail.
  CatalogueUpdateStages::setObserver([&](std::string_view stage) {
    if (stage != "staged") return;
    std::rename(path.c_str(), (path + ".aside").c_str());
    mkdir(path.c_str(), 0755);
  });
  LensDatabaseHelper helper;
  EXPECT_FALSE(helper.resetdatabase());
  CatalogueUpdateStages::setObserver({});
  rmdir(path.c_str());
  std::rename((path + ".aside").c_str(), path.c_str());
  expectNothingChanged();
}

TEST_F(LensUpdateTest, AnInstalledCatalogueThatCannotBeReadIsKept) {
  const std::string path = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view("damaged")));
  LensDatabaseHelper helper;
  EXPECT_FALSE(helper.resetdatabase());
  EXPECT_EQ(AtomicFile::readText(path).value_or(""), "damaged");
}

}  // namespace
