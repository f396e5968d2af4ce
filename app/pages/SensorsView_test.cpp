#include "app/pages/SensorsView.h"

#include <gtest/gtest.h>

#include <array>

#include "app/kit/UIConstants.h"
#include "app/pages/PagePackagesTestSupport.h"
#include "app/pages/PagesTestSupport.h"
#include "testing/TempContainer.h"

namespace app::pages {

namespace {

using ostrel::testing::package;
using ostrel::testing::PagesTestEnvironment;
using platform::ui::make;

using Bytes = std::array<uint8_t, 4>;

Bytes bytes(const platform::graphics::Color& c) {
  auto byte = [](double v) { return static_cast<uint8_t>(v * 255 + 0.5); };
  return {byte(c.red()), byte(c.green()), byte(c.blue()), 255};
}

class SensorsViewTest : public ::testing::Test {
 protected:
  SensorsViewTest() {
    auto state = app::pages::framesObject();
    state->packageOne = package({});
    state->packageTwo = package({.width = 24.89f, .height = 18.66f, .aspectRatio = "4:3"});
  }
  // The drawing alone, 204 x 104 points at 2 pixels a point over white, read back from its PNG file.
  std::shared_ptr<platform::graphics::Image> drawing() {
    auto view = make<SensorDrawView>(platform::ui::Rect(0, 0, 204, 104));
    auto image = platform::ui::Renderer::render(*view, 2, platform::graphics::Color::whiteColor());
    std::string path = state::FramesObject::preferencePath() + ".sensors.png";
    EXPECT_TRUE(image->writePNG(path));
    return platform::graphics::Image::fromPNGFile(path, 2);
  }

  PagesTestEnvironment env;
};

// 36 x 24 beside 24.89 x 18.66 mm at 100/24 points per millimetre: 150 x 100 and 103.7 x 77.8 points,
// both centred. Each outline is a 2-point line on the rectangle's edge, so in pixels at scale 2 it covers
// two pixels either side of the edge.
TEST_F(SensorsViewTest, BothOutlinesAtOneScaleCentredOnThePixels) {
  auto image = drawing();
  ASSERT_TRUE(image);
  const Bytes blue = bytes(kit::UIConstants::blue());
  const Bytes green = bytes(kit::UIConstants::secondCameraGreen());
  const Bytes white{255, 255, 255, 255};
  const int middleY = 104, middleX = 204;  // the centre, in pixels
  // Package one: x from 27 to 177, y from 2 to 102 points.
  EXPECT_EQ(image->pixelBytes(2 * 27 - 3, middleY), white);
  EXPECT_EQ(image->pixelBytes(2 * 27 - 2, middleY), blue);
  EXPECT_EQ(image->pixelBytes(2 * 27 + 1, middleY), blue);
  EXPECT_EQ(image->pixelBytes(2 * 27 + 2, middleY), white);
  EXPECT_EQ(image->pixelBytes(2 * 177 + 1, middleY), blue);
  EXPECT_EQ(image->pixelBytes(2 * 177 + 2, middleY), white);
  EXPECT_EQ(image->pixelBytes(middleX + 40, 2 * 2 - 1), blue);
  EXPECT_EQ(image->pixelBytes(middleX + 40, 2 * 103), white);
  EXPECT_EQ(image->pixelBytes(middleX + 40, 2 * 102 - 1), blue);
  // Package two: 103.71 x 77.75 points from (50.15, 13.125).
  EXPECT_EQ(image->pixelBytes(2 * 50, middleY), green);  // its left edge runs from 49.15 to 51.15 points
  EXPECT_EQ(image->pixelBytes(2 * 48, middleY), white);
  EXPECT_EQ(image->pixelBytes(2 * 153, middleY), green);  // the right edge, 152.85 to 154.85
  EXPECT_EQ(image->pixelBytes(2 * 156, middleY), white);
  EXPECT_EQ(image->pixelBytes(middleX, 2 * 13), green);  // top edge, 12.125 to 14.125
  EXPECT_EQ(image->pixelBytes(middleX, 2 * 11), white);
  EXPECT_EQ(image->pixelBytes(middleX, 2 * 91), green);  // bottom edge, 89.875 to 91.875
  EXPECT_EQ(image->pixelBytes(middleX, 2 * 93), white);
  EXPECT_EQ(image->pixelBytes(middleX, middleY), white) << "outlines only: nothing is filled";
}

TEST_F(SensorsViewTest, ACroppedPackageShowsItsExtractionAtFullAndItsRecordingAreaAtHalfOpacity) {
  app::pages::framesObject()->packageOne = package({.cropID = 4, .crop = "2.39:1"});
  auto image = drawing();
  // The recording area's top edge at y = 2 points is blue at half opacity over white; the extraction
  // (36 x 15.06 mm, so 150 x 62.76 points from y = 20.62) is full blue.
  auto half = image->pixel(204 + 40, 2 * 2);
  auto full = image->pixel(204 + 40, static_cast<int>(2 * 20.62));
  EXPECT_EQ(bytes(full), bytes(kit::UIConstants::blue()));
  EXPECT_NEAR(half.red(), (1 + kit::UIConstants::blue().red()) / 2, 0.01);
  EXPECT_NEAR(half.green(), (1 + kit::UIConstants::blue().green()) / 2, 0.01);
}

TEST_F(SensorsViewTest, SizesAndTitlesOfBothPackages) {
  auto state = app::pages::framesObject();
  state->packageOne = package({.cropID = 4, .crop = "2.39:1"});
  state->packageTwo = package({.width = 24.89f, .height = 18.66f, .aspectRatio = "4:3", .lensSqueeze = 2});
  auto page = make<SensorsView>(platform::ui::Rect(0, 0, 375, 300));
  page->drawSensors();
  const auto& one = page->formatOne();
  EXPECT_EQ(one.withExtractionView->alpha(), 1);
  EXPECT_EQ(one.onlyRecAreaView->alpha(), 0);
  EXPECT_EQ(one.extractionLabel->text(), "EXTRACTION 2.39:1");
  EXPECT_EQ(one.extractionSensorSizeLabel->text(), "36.00mm x 15.06mm");
  EXPECT_EQ(one.recordingAreaSensorSizeLabel->text(), "36.00mm x 24.00mm");
  const auto& two = page->formatTwo();
  EXPECT_EQ(two.withExtractionView->alpha(), 0);
  EXPECT_EQ(two.onlyRecAreaView->alpha(), 1);
  EXPECT_EQ(two.onlyRecAreaSensorLabel->text(), "24.89mm x 18.66mm");
  EXPECT_EQ(two.onlyRecAreaLabel->text(), "RECORDING AREA 1.33:1 → 2.67:1");
}

// A damaged or edited catalogue row can leave a package without a recording size: the other package
// is still drawn, at the scale it would have alone.
TEST_F(SensorsViewTest, APackageOfNoSizeLeavesTheOtherDrawn) {
  const Bytes blue = bytes(kit::UIConstants::blue());
  const Bytes green = bytes(kit::UIConstants::secondCameraGreen());
  const Bytes white{255, 255, 255, 255};
  auto state = app::pages::framesObject();
  state->packageTwo = package({.width = 0, .height = 0});
  auto image = drawing();
  EXPECT_EQ(image->pixelBytes(2 * 27 - 1, 104), blue) << "package one, 150 x 100 points as beside package two";
  EXPECT_EQ(image->pixelBytes(2 * 177 + 1, 104), blue);
  EXPECT_EQ(image->pixelBytes(204, 104), white) << "nothing of no size at the centre";
  state->packageTwo.reset();
  EXPECT_EQ(drawing()->pixelBytes(2 * 27 - 1, 104), blue) << "a missing package is one of no size";

  // Package two alone: 24.89 x 18.66 mm at 100 / 18.66 points a millimetre, 133.4 x 100 points from x = 35.3.
  state->packageOne = package({.width = 36, .height = 0});
  state->packageTwo = package({.width = 24.89f, .height = 18.66f, .aspectRatio = "4:3"});
  image = drawing();
  EXPECT_EQ(image->pixelBytes(2 * 35, 104), green);
  EXPECT_EQ(image->pixelBytes(2 * 35 - 4, 104), white);
  EXPECT_EQ(image->pixelBytes(204, 3), green);
  EXPECT_EQ(image->pixelBytes(2 * 27 - 1, 104), white) << "no blue outline";

  state->packageTwo = package({.width = 0, .height = 18.66f});
  image = drawing();
  for (int x : {2 * 27 - 1, 2 * 35, 204}) EXPECT_EQ(image->pixelBytes(x, 104), white) << x;
  EXPECT_EQ(image->pixelBytes(204, 3), white);
}

}  // namespace

}  // namespace app::pages

