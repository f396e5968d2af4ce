#include "app/setup/AspectRatioList.h"

#include <gtest/gtest.h>

namespace app::setup {

namespace {

using app::setup::AspectRatioList;

model::CameraPackage package(float width, float height, const char* ratio, float modeSqueeze, float lensSqueeze,
                       float adapterWidth = 1.0f, float adapterHeight = 1.0f) {
  model::CameraPackage p;
  model::CameraShootingMode mode;
  mode.width = width;
  mode.height = height;
  mode.aspectRatio = ratio;
  mode.anamorphotic = modeSqueeze;
  p.shootingMode = mode;
  model::LensManufacturer series;
  series.anamorphotic = lensSqueeze;
  p.lensManufacturer = series;
  model::LensAdapterRecord adapter;
  adapter.adapterValueWidth = adapterWidth;
  adapter.adapterValueHeight = adapterHeight;
  p.lensAdapter = adapter;
  p.cropID = 1;
  return p;
}

model::Crop crop(int id, float width, float height) {
  model::Crop c;
  c.cropID = id;
  c.value = width / height;
  c.sortValue = id == 1 ? 0.0f : c.value;
  c.aspectRatio = model::FrameGuide::ratioText(width, height);
  return c;
}

std::vector<int> ids(const std::vector<model::Crop>& crops) {
  std::vector<int> out;
  for (const auto& c : crops) out.push_back(c.cropID);
  return out;
}

TEST(AspectRatioList, RatiosThatAreTheNativeOneAgainAreLeftOut) {
  const std::vector<model::Crop> crops{crop(1, 1, 100), crop(11, 16, 9), crop(12, 1.85f, 1), crop(17, 2.39f, 1),
                                       crop(30, 1.78f, 1)};
  // A 16:9 mode: 16:9 is within 0.0025 of the native value; "1.78:1" is the native text itself.
  EXPECT_EQ(ids(AspectRatioList::offered(crops, package(24.88f, 14.0f, "1.78:1", 1, 1))), (std::vector<int>{1, 12, 17}));
  // With 2x anamorphic lenses on a 4:3 mode the native picture is 2.67:1, so every ratio is offered.
  EXPECT_EQ(ids(AspectRatioList::offered(crops, package(24.89f, 18.66f, "1.33:1", 1, 2))),
            (std::vector<int>{1, 11, 12, 17, 30}));
}

TEST(AspectRatioList, TheNativeRowStandsBeforeTheFirstWiderRatioWhereverItWas) {
  struct Case {
    const char* what;
    std::vector<model::Crop> crops;
    float native;
    std::optional<size_t> position;
    std::vector<int> order;
  };
  const std::vector<Case> cases{
      {"first", {crop(1, 1, 100), crop(2, 4, 3), crop(3, 1.85f, 1), crop(4, 2.39f, 1)}, 1.5f, 1, {2, 1, 3, 4}},
      {"not first", {crop(2, 4, 3), crop(3, 1.85f, 1), crop(1, 1, 100), crop(4, 2.39f, 1)}, 2.0f, 2, {2, 3, 1, 4}},
      {"wider than all", {crop(1, 1, 100), crop(2, 4, 3), crop(4, 2.39f, 1)}, 2.67f, 2, {2, 4, 1}},
      {"equal stays before", {crop(1, 1, 100), crop(2, 1.85f, 1), crop(4, 2.39f, 1)}, 1.85f, 1, {2, 1, 4}},
      {"narrower than all", {crop(2, 1.85f, 1), crop(1, 1, 100)}, 1.0f, 0, {1, 2}},
      {"alone", {crop(1, 1, 100)}, 1.5f, 0, {1}},
      {"no native row", {crop(2, 4, 3), crop(4, 2.39f, 1)}, 1.5f, std::nullopt, {2, 4}},
      {"empty", {}, 1.5f, std::nullopt, {}},
  };
  for (auto c : cases) {
    EXPECT_EQ(AspectRatioList::placeNativeRow(c.crops, c.native), c.position) << c.what;
    EXPECT_EQ(ids(c.crops), c.order) << c.what;
  }
  EXPECT_FLOAT_EQ(AspectRatioList::nativeValue(package(24.89f, 18.66f, "1.33:1", 1, 2, 0.5f, 1)), 24.89f / 18.66f * 2);
}

TEST(AspectRatioList, TheNativeRowNamesTheSqueezeOfLensesAndAdapter) {
  struct Case {
    const char* what;
    model::CameraPackage package;
    const char* ratio;
    const char* label;
  };
  const Case cases[] = {
      {"spherical", package(36.7f, 25.54f, "1.44:1", 1, 1), "1.44:1", "Native Aspect Ratio"},
      {"anamorphic mode and lenses", package(24.89f, 18.66f, "2.67:1", 2, 2), "2.67:1", "Native Aspect Ratio"},
      {"anamorphic lenses on a spherical mode", package(24.89f, 18.66f, "1.33:1", 1, 2), "1.33:1 → 2.66:1",
       "Native Aspect Ratio @ 2x ANA"},
      {"anamorphic adapter on a spherical mode", package(24.89f, 18.66f, "1.33:1", 1, 1, 1 / 1.33f, 1),
       "1.33:1 → 1.77:1", "Native Aspect Ratio @ 1.33x ANA"},
      {"adapter undoing the mode's squeeze", package(24.89f, 18.66f, "2.66:1", 2, 1, 0.5f, 1), "2.66:1",
       "Native Aspect Ratio"},
  };
  for (const auto& c : cases) {
    const auto texts = AspectRatioList::nativeTexts(c.package);
    EXPECT_EQ(texts.ratio, c.ratio) << c.what;
    EXPECT_EQ(texts.label, c.label) << c.what;
  }
}

}  // namespace

}  // namespace app::setup

