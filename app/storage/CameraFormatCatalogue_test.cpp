#include "app/storage/CameraFormatCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/StorageTestSupport.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;

class FormatDatabaseTest : public StorageTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(formats_.openDb(false));
    ASSERT_TRUE(guides_.openDb(false));
  }
  size_t guideCount() { return guides_.getAllFrameGuides().size(); }

  CameraFormatCatalogue formats_;
  FrameGuideCatalogue guides_;
};

TEST_F(FormatDatabaseTest, AFormatWithoutANameOfItsOwnReadsAsVideoOrStill) {
  ASSERT_TRUE(formats_.database().execute(
      "INSERT INTO FormatContainer (id, manufactorId, shootingMode, category, width, height) VALUES "
      "(9001, 1, NULL, 'Cine', 10, 5), (9002, 1, '', 'Photo', 10, 5), (9003, 1, 'Open Gate', 'Cine', 10, 5)"));
  const struct {
    int id;
    const char* name;
    bool own;
  } cases[] = {{9001, "Video", false}, {9002, "Still", false}, {9003, "Open Gate", true}};
  for (const auto& c : cases) {
    const auto mode = formats_.getCameraFormat(c.id);
    ASSERT_TRUE(mode.has_value()) << c.id;
    EXPECT_EQ(mode->shootingMode, c.name);
    EXPECT_EQ(mode->shootingModeNameOrig, c.own) << c.id;
  }
  EXPECT_FALSE(formats_.getCameraFormat(424242).has_value());

  const auto all = formats_.getAllCameraFormatSetupsAndManufacturer();
  const auto it =
      std::find_if(all.begin(), all.end(), [](const auto& f) { return f.shootingMode.containerID == 9002; });
  ASSERT_NE(it, all.end());
  EXPECT_EQ(it->manufacturer.type, "Photo") << "the joined camera takes the format's kind";
}

TEST_F(FormatDatabaseTest, AUserCameraIsACineCameraWithItsOwnFormatAndGoesWithIt) {
  model::Camera camera(0, "My rig", "typed model", "Photo", 0);
  model::CameraShootingMode mode;
  mode.category = "Photo";
  mode.width = 22.3f;
  mode.height = 14.9f;
  const auto stored = formats_.insertNewCameraManufacturer(camera, mode);
  ASSERT_TRUE(stored.has_value());
  const auto read = formats_.getCameraManufacturer(camera.manufacturerId).value_or(model::Camera());
  EXPECT_EQ(read.model + "|" + read.type + "|" + std::to_string(read.origin), "|Cine|1");
  EXPECT_EQ(formats_.getCameraFormat(stored->containerID).value_or(model::CameraShootingMode()).category, "Cine");
  EXPECT_EQ(formats_.deleteCustomFormat(camera), std::optional<int>(stored->containerID));
  EXPECT_FALSE(formats_.getCameraManufacturer(camera.manufacturerId).has_value());
  EXPECT_FALSE(formats_.getCameraFormat(stored->containerID).has_value());
}

TEST_F(FormatDatabaseTest, AUserCameraWithoutFormatsGoesAndNamesNoFormat) {
  model::Camera camera(0, "Empty rig", "", "Cine", 0);
  model::CameraShootingMode mode;
  mode.width = 22.3f;
  mode.height = 14.9f;
  const auto stored = formats_.insertNewCameraManufacturer(camera, mode);
  ASSERT_TRUE(stored.has_value());
  ASSERT_TRUE(formats_.deleteContainer(stored->containerID));
  ASSERT_TRUE(formats_.getAllShootingModesForManufacturer(camera.manufacturerId).empty());

  EXPECT_EQ(formats_.deleteCustomFormat(camera), std::optional<int>(0)) << "no format whose packages must go";
  EXPECT_FALSE(formats_.getCameraManufacturer(camera.manufacturerId).has_value());
}

TEST_F(FormatDatabaseTest, CropsGiveShortRatioTextsAndSingleValues) {
  model::CameraShootingMode mode;
  mode.containerID = 599;
  const auto crops = formats_.getCropsForNativeFormat(mode);
  EXPECT_TRUE(std::is_sorted(crops.begin(), crops.end(), [](auto& a, auto& b) { return a.sortValue < b.sortValue; }));
  const auto find = [&](int id) {
    const auto it = std::find_if(crops.begin(), crops.end(), [id](const auto& c) { return c.cropID == id; });
    return it == crops.end() ? model::Crop() : *it;
  };
  EXPECT_EQ(find(12).aspectRatio, "1.85:1");
  EXPECT_FLOAT_EQ(find(12).value, 1.85f);
  EXPECT_EQ(find(11).aspectRatio, "16:9");
  EXPECT_FLOAT_EQ(find(11).value, 16.0f / 9.0f);
  EXPECT_EQ(find(11).formatID, 599);
  EXPECT_EQ(formats_.getCropForID(17).value_or(model::Crop()).aspectRatio, "2.39:1");
  EXPECT_FALSE(formats_.getCropForID(4242).has_value());
}

TEST_F(FormatDatabaseTest, FrameGuideIdsStartAtOneAndFollowTheHighestStored) {
  ASSERT_TRUE(guides_.database().execute("DELETE FROM QuorvelFrameGuide"));
  EXPECT_EQ(guides_.getSelectedFrameGuide().frameGuideId, 0) << "no selection is an empty guide, not nothing";
  model::FrameGuide first{.width = 2.0f, .height = 1.0f}, second{.width = 3.0f, .height = 1.0f};
  EXPECT_FALSE(guides_.insertFrameGuide(first));
  EXPECT_EQ(first.frameGuideId, 1);
  EXPECT_EQ(guides_.insertFrameGuide4Update(second), 2);
  EXPECT_EQ(guides_.getFrameGuide(2)->type, 1);
}

TEST_F(FormatDatabaseTest, AGuideOfAnExistingSizeIsNotInsertedAndLeavesTheSelection) {
  ASSERT_TRUE(guides_.deselectAllFrameGuids());
  ASSERT_TRUE(guides_.selectFrameGuide(17));
  const size_t before = guideCount();
  model::FrameGuide typed{.width = 1.85f, .height = 1.0f};  // the shipped 1.85:1, as a float
  EXPECT_TRUE(guides_.frameGuideExists(typed));
  EXPECT_TRUE(guides_.insertFrameGuide(typed));
  EXPECT_EQ(guides_.insertFrameGuide4Update(typed), -1);
  EXPECT_EQ(guides_.frameGuideIdOfSize(1.85f, 1.0f), 12);
  EXPECT_EQ(guideCount(), before);
  EXPECT_EQ(selectedGuide(), 17);

  model::FrameGuide fresh{.width = 1.86f, .height = 1.0f}, quiet{.width = 1.87f, .height = 1.0f};
  EXPECT_FALSE(guides_.insertFrameGuide(fresh));
  EXPECT_EQ(selectedGuide(), fresh.frameGuideId);
  EXPECT_EQ(guideCount(), before + 1);
  EXPECT_FALSE(guides_.insertFrameGuideFromCameraSetup(quiet));
  EXPECT_EQ(selectedGuide(), fresh.frameGuideId);

  // A guide whose selection cannot be written is not stored either, and gets no id.
  ASSERT_TRUE(
      guides_.database().execute("CREATE TRIGGER NoSelection BEFORE UPDATE OF selected ON QuorvelFrameGuide "
                                 "BEGIN SELECT RAISE(ABORT, 'no'); END"));
  model::FrameGuide refused{.width = 2.9f, .height = 1.0f};
  EXPECT_FALSE(guides_.insertFrameGuide(refused));
  EXPECT_EQ(refused.frameGuideId, 0);
  EXPECT_EQ(guideCount(), before + 2);
  EXPECT_EQ(selectedGuide(), fresh.frameGuideId);
}

}  // namespace

}  // namespace app::storage

