#include "app/storage/FormatDatabaseHelper2.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/storage/QuorvelFrameGuidesDatabaseHelper.h"
#include "app/storage/StorageTestFixture.h"

namespace {

class FormatDatabaseTest : public StorageTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(formats_.openDb(false));
    ASSERT_TRUE(guides_.openDb(false));
  }
  FormatDatabaseHelper2 formats_;
  QuorvelFrameGuidesDatabaseHelper guides_;
};

TEST_F(FormatDatabaseTest, AFormatWithoutANameOfItsOwnReadsAsVideoOrStill) {
  auto& db = formats_.database();
  ASSERT_TRUE(
      db.execute("INSERT INTO FormatContainer (id, manufactorId, shootingMode, category, width, height) "
                 "VALUES (9001, 1, NULL, 'Cine', 10, 5), (9002, 1, '', 'Photo', 10, 5), "
                 "(9003, 1, 'Open Gate', 'Cine', 10, 5)"));
  const auto cine = formats_.getCameraFormat(9001);
  ASSERT_TRUE(cine.has_value());
  EXPECT_EQ(cine->shootingMode, "Video");
  EXPECT_FALSE(cine->shootingModeNameOrig);
  EXPECT_EQ(formats_.getCameraFormat(9002)->shootingMode, "Still");
  EXPECT_FALSE(formats_.getCameraFormat(9002)->shootingModeNameOrig);
  EXPECT_EQ(formats_.getCameraFormat(9003)->shootingMode, "Open Gate");
  EXPECT_TRUE(formats_.getCameraFormat(9003)->shootingModeNameOrig);
  EXPECT_FALSE(formats_.getCameraFormat(424242).has_value());

  const auto all = formats_.getAllCameraFormatSetupsandManunfactor();
  const auto it =
      std::find_if(all.begin(), all.end(), [](const auto& f) { return f.shootingMode.containerID == 9002; });
  ASSERT_NE(it, all.end());
  EXPECT_EQ(it->manufactorer.type, "Photo") << "the joined camera takes the format's kind";
  const auto cineOnly = formats_.getAllCameraFormatSetupsandManunfactorCineOnly();
  EXPECT_TRUE(
      std::none_of(cineOnly.begin(), cineOnly.end(), [](const auto& f) { return f.shootingMode.category != "Cine"; }));
}

TEST_F(FormatDatabaseTest, AUserCameraIsACineCameraWithItsOwnFormatAndGoesWithIt) {
  CameraManufactor camera(0, "My rig", "typed model", "Photo", 0);
  CameraShootingMode mode;
  mode.shootingMode = "";
  mode.category = "Photo";
  mode.width = 22.3f;
  mode.height = 14.9f;
  mode.anamorphotic = 1.0f;
  mode.aspectRatio = "1.5:1";
  const int nextFormat = formats_.getLastContainerID();
  const auto stored = formats_.insertNewCameraManufactor(camera, mode);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->containerID, nextFormat);
  EXPECT_EQ(stored->manufacturerID, camera.manufactorId);
  const auto read = formats_.getCameraManufacturer(camera.manufactorId);
  EXPECT_EQ(read->model, "");
  EXPECT_EQ(read->type, "Cine");
  EXPECT_EQ(read->origin, 1);
  const auto custom = formats_.getAllCustomShootingModes();
  ASSERT_EQ(custom.size(), 1u);
  EXPECT_EQ(custom[0].category, "Cine");
  EXPECT_EQ(custom[0].shootingMode, "");
  EXPECT_FLOAT_EQ(custom[0].width, 22.3f);

  EXPECT_EQ(formats_.deleteCustomFormat(camera), nextFormat);
  EXPECT_FALSE(formats_.getCameraManufacturer(camera.manufactorId).has_value());
  EXPECT_TRUE(formats_.getAllCustomShootingModes().empty());

  CameraManufactor bare(0, "Bare", "", "", 0);
  ASSERT_GT(formats_.insertCustomManufacturer(bare), 0);
  EXPECT_EQ(formats_.deleteCustomFormat(bare), 0);
  EXPECT_FALSE(formats_.getCameraManufacturer(bare.manufactorId).has_value());
}

TEST_F(FormatDatabaseTest, CropsGiveShortRatioTextsAndSingleValues) {
  CameraShootingMode mode;
  mode.containerID = 599;
  const auto crops = formats_.getCropsForNativeFormat(mode);
  ASSERT_FALSE(crops.empty());
  EXPECT_TRUE(std::is_sorted(crops.begin(), crops.end(),
                             [](const auto& a, const auto& b) { return a.sortValue < b.sortValue; }));
  const auto find = [&](int id) {
    return *std::find_if(crops.begin(), crops.end(), [id](const auto& c) { return c.cropID == id; });
  };
  EXPECT_EQ(find(12).aspectRatio, "1.85:1");
  EXPECT_FLOAT_EQ(find(12).value, 1.85f);
  EXPECT_EQ(find(11).aspectRatio, "16:9");
  EXPECT_FLOAT_EQ(find(11).value, 16.0f / 9.0f);
  EXPECT_EQ(find(11).formatID, 599);

  const auto one = formats_.getCropForID(17);
  ASSERT_TRUE(one.has_value());
  EXPECT_EQ(one->aspectRatio, "2.39:1");
  EXPECT_EQ(one->formatID, 0) << "only id, text and kind are read for a single crop";
  EXPECT_FALSE(formats_.getCropForID(4242).has_value());
  EXPECT_FALSE(formats_.getQuorvelRefObjectForOldCameraID(3).has_value());
}

TEST_F(FormatDatabaseTest, FrameGuideIdsStartAtOneAndReuseAFreedTopId) {
  ASSERT_TRUE(guides_.database().execute("DELETE FROM QuorvelFrameGuide"));
  EXPECT_EQ(guides_.getSelectedFrameGuide().frameGuideId, 0) << "no selection is an empty guide, not nothing";
  QuorvelFrameGuide first{.width = 2.0f, .height = 1.0f}, second{.width = 3.0f, .height = 1.0f};
  EXPECT_FALSE(guides_.insertFrameGuide(first));
  EXPECT_EQ(first.frameGuideId, 1);
  EXPECT_EQ(guides_.insertFrameGuide4Update(second), 2);
  ASSERT_TRUE(guides_.deleteFrameGuide(second));
  QuorvelFrameGuide third{.width = 4.0f, .height = 1.0f};
  EXPECT_EQ(guides_.insertFrameGuide4Update(third), 2);
  const auto stored = guides_.getFrameGuide(2);
  EXPECT_EQ(stored->type, 1);
  EXPECT_EQ(stored->selected, 0);
}

TEST_F(FormatDatabaseTest, AGuideOfAnExistingSizeIsNotInsertedAndLeavesTheSelection) {
  ASSERT_TRUE(guides_.deselectAllFrameGuids());
  ASSERT_TRUE(guides_.selectFrameGuide(17));
  const size_t before = guides_.getAllFrameGuids().size();
  QuorvelFrameGuide typed{.width = 1.85f, .height = 1.0f};  // the shipped 1.85:1, as a float
  EXPECT_TRUE(guides_.frameGuideExists(typed));
  EXPECT_TRUE(guides_.insertFrameGuide(typed));
  EXPECT_EQ(guides_.insertFrameGuide4Update(typed), -1);
  EXPECT_EQ(guides_.frameGuideIdOfSize(1.85f, 1.0f), 12);
  EXPECT_EQ(guides_.getAllFrameGuids().size(), before);
  EXPECT_EQ(guides_.getSelectedFrameGuide().frameGuideId, 17);

  QuorvelFrameGuide fresh{.width = 1.86f, .height = 1.0f};
  EXPECT_FALSE(guides_.insertFrameGuide(fresh));
  EXPECT_EQ(guides_.getSelectedFrameGuide().frameGuideId, fresh.frameGuideId);
  EXPECT_EQ(guides_.getAllFrameGuids().size(), before + 1);
  auto all = guides_.getAllFrameGuids();
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const auto& g) { return g.selected == 1; }), 1);
  QuorvelFrameGuide quiet{.width = 1.87f, .height = 1.0f};
  EXPECT_FALSE(guides_.insertFrameGuideFromCameraSetup(quiet));
  EXPECT_EQ(guides_.getSelectedFrameGuide().frameGuideId, fresh.frameGuideId);
}

TEST_F(FormatDatabaseTest, AGuideThatCannotBeSelectedIsNotStoredAndGetsNoId) {
  ASSERT_TRUE(guides_.database().execute(
      "CREATE TRIGGER NoSelection BEFORE UPDATE OF selected ON QuorvelFrameGuide BEGIN SELECT RAISE(ABORT, 'no'); "
      "END"));
  const size_t before = guides_.getAllFrameGuids().size();
  QuorvelFrameGuide typed{.width = 2.9f, .height = 1.0f};
  EXPECT_FALSE(guides_.insertFrameGuide(typed));
  EXPECT_EQ(typed.frameGuideId, 0);
  EXPECT_EQ(guides_.getAllFrameGuids().size(), before);
  EXPECT_EQ(guides_.getSelectedFrameGuide().frameGuideId, 1) << "the selection stays where it was";
}

}  // namespace
