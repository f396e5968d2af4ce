// The camera-format catalogue's update: user rows carried into the bundle's catalogue, packages following.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/StorageTestSupport.h"
#include "app/storage/recovery/CatalogueReplacement.h"
#include "platform/foundation/AtomicFile.h"

using app::storage::CatalogueReplacement;

namespace app::storage {

namespace {

using namespace ostrel::testing;

using platform::foundation::AtomicFile;
using scenes::FormatScene;

class FormatUpdateTest : public StorageTest {
 protected:
  void SetUp() override { scene_.build(); }
  FormatScene scene_;
};

TEST_F(FormatUpdateTest, UserFormatsAndCropsComeOverAndPackagesFollow) {
  CameraFormatCatalogue helper;
  ASSERT_TRUE(helper.openDb(true));
  EXPECT_FALSE(FormatScene::isOld());

  // The formats come after the newest shipped one, each with a user camera row of its own.
  const auto modes = helper.getAllCustomShootingModes();
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0].containerID, scene_.newestShipped + 1);
  EXPECT_EQ(modes[1].containerID, scene_.newestShipped + 2);
  EXPECT_NE(modes[0].manufacturerID, modes[1].manufacturerID);
  for (const auto& mode : modes) {
    EXPECT_EQ(helper.getCameraManufacturer(mode.manufacturerID).value_or(model::Camera()).type, "Cine");
    EXPECT_FLOAT_EQ(mode.anamorphotic, 1.3f);
  }

  // 1.85:1 is shipped again and takes the user's place; 2.1:1 and 3:1 follow the shipped rows.
  const auto crops = helper.getallCustomCrops();
  ASSERT_EQ(crops.size(), 2u);
  EXPECT_EQ(crops[0].frameGuideId, 21);
  EXPECT_EQ(crops[1].frameGuideId, 22);
  helper.closeDb();

  // One entry at a time, a package on the old 2.1:1 (20) would have run on 20 -> 21 -> 22 -> 12.
  const auto one = scenes::loadPackage(scene_.packageOne), two = scenes::loadPackage(scene_.packageTwo);
  EXPECT_EQ(one.cameraFormatId, scene_.newestShipped + 1);
  EXPECT_EQ(two.cameraFormatId, scene_.newestShipped + 2);
  EXPECT_EQ(one.cropID, 12);
  EXPECT_EQ(one.frameGuideId, 22);
  EXPECT_EQ(two.cropID, 22);
  EXPECT_EQ(two.frameGuideId, 21);
  scene_.expectWhole();
  EXPECT_FALSE(AtomicFile::fileExists(CatalogueReplacement::stagingPath(CameraFormatCatalogue::kFileName)));
}

TEST_F(FormatUpdateTest, WithoutASelectedGuideTheNewCataloguesSelectionStands) {
  ASSERT_TRUE(withOpen<FrameGuideCatalogue>([](auto& guides) { return guides.deselectAllFrameGuids(); }));
  CameraFormatCatalogue helper;
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();
  EXPECT_EQ(selectedGuide(), 1);
}

// An update that renumbers the person's formats while another program holds the package catalogue, or
// while a fresh copy seeded over the missing one stands in its place: the installed catalogue stays, the
// packages keep their ids, and no copy is left beside it. Once the person's package catalogue is free and
// back, the update goes through with the packages following.
TEST_F(FormatUpdateTest, AnUpdateThePackagesCannotFollowAtOnceWaitsWhole) {
  const std::string packages = CatalogueDatabase::libraryPath(PackageDatabaseHelper::kFileName);
  const auto tryUpdate = [] {
    CameraFormatCatalogue helper;
    return helper.resetdatabase();
  };
  {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(packages.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(tryUpdate());
    sqlite3_close(other);
  }
  EXPECT_TRUE(log_.contains("the update waits whole"));
  EXPECT_TRUE(FormatScene::isOld());
  EXPECT_EQ(scenes::loadPackage(scene_.packageOne).cameraFormatId, scene_.formatOne);
  EXPECT_FALSE(AtomicFile::fileExists(CatalogueReplacement::stagingPath(CameraFormatCatalogue::kFileName)));

  const std::string away = container_.pathFor("away.db");
  std::filesystem::rename(packages, away);
  ASSERT_TRUE(CatalogueSeeding::seedMissing(PackageDatabaseHelper::kKind));
  EXPECT_FALSE(tryUpdate());
  EXPECT_TRUE(FormatScene::isOld());
  std::filesystem::rename(away, packages);

  EXPECT_TRUE(tryUpdate());
  EXPECT_FALSE(FormatScene::isOld());
  EXPECT_EQ(scenes::loadPackage(scene_.packageOne).cameraFormatId, scene_.newestShipped + 1);
  scene_.expectWhole();
}

}  // namespace

}  // namespace app::storage

