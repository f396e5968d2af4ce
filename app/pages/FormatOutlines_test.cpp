#include "app/pages/FormatOutlines.h"

#include <gtest/gtest.h>

#include "app/pages/FormatTexts.h"
#include "app/pages/PagePackagesTestSupport.h"

namespace app::pages {

namespace {

using platform::graphics::Rect;
using ostrel::testing::package;
using ostrel::testing::PackageSpec;

void expectRect(const Rect& actual, double x, double y, double w, double h) {
  EXPECT_NEAR(actual.origin.x, x, 1e-3);
  EXPECT_NEAR(actual.origin.y, y, 1e-3);
  EXPECT_NEAR(actual.size.width, w, 1e-3);
  EXPECT_NEAR(actual.size.height, h, 1e-3);
}

TEST(FormatOutlines, BothFormatsAtOneScaleCentred) {
  model::CameraPackage one = package({});
  model::CameraPackage two = package({.width = 24.89f, .height = 18.66f, .aspectRatio = "4:3"});
  auto scale = FormatOutlines::commonScale({204, 104}, 36, 24, 24.89f, 18.66f);
  ASSERT_TRUE(scale);
  EXPECT_FLOAT_EQ(*scale, 100.0f / 24);
  auto first = FormatOutlines::outlines(one, *scale, {204, 104});
  ASSERT_EQ(first.size(), 1u);
  expectRect(first[0].rect, 27, 2, 150, 100);
  EXPECT_EQ(first[0].alpha, 1);
  auto second = FormatOutlines::outlines(two, *scale, {204, 104});
  ASSERT_EQ(second.size(), 1u);
  expectRect(second[0].rect, (204 - 103.7083) / 2, (104 - 77.75) / 2, 103.7083, 77.75);
}

TEST(FormatOutlines, EachStepOnlyShrinksTheScale) {
  // Package two is the taller one here, then the wider one.
  EXPECT_FLOAT_EQ(*FormatOutlines::commonScale({204, 104}, 36, 24, 10, 40), 2.5f);
  EXPECT_FLOAT_EQ(*FormatOutlines::commonScale({204, 104}, 10, 5, 80, 10), 2.5f);
  EXPECT_FLOAT_EQ(*FormatOutlines::commonScale({104, 204}, 36, 24, 24.89f, 18.66f), 100.0f / 36);
}

TEST(FormatOutlines, ACroppedPackageShowsItsExtractionInsideTheRecordingArea) {
  model::CameraPackage cropped = package({.cropID = 4, .crop = "2.39:1"});
  auto outlines = FormatOutlines::outlines(cropped, 4, {204, 104});
  ASSERT_EQ(outlines.size(), 2u);
  EXPECT_EQ(outlines[0].alpha, 1);
  EXPECT_NEAR(outlines[0].rect.size.width, 36 * 4, 1e-3);
  EXPECT_NEAR(outlines[0].rect.size.height, 36 / 2.39 * 4, 1e-2);
  EXPECT_EQ(outlines[1].alpha, 0.5);
  expectRect(outlines[1].rect, 30, 4, 144, 96);
}

TEST(FormatOutlines, AFormatWithoutSizeLeavesTheOtherItsScale) {
  EXPECT_FLOAT_EQ(FormatOutlines::commonScale({204, 104}, 0, 24, 24.89f, 18.66f).value_or(0), 100.0f / 18.66f);
  EXPECT_FLOAT_EQ(FormatOutlines::commonScale({204, 104}, 36, 24, 24.89f, 0).value_or(0), 100.0f / 24);
  EXPECT_FLOAT_EQ(FormatOutlines::commonScale({204, 104}, NAN, 24, 80, 10).value_or(0), 2.5f);
  EXPECT_FALSE(FormatOutlines::commonScale({204, 104}, 0, 0, 0, 0)) << "no scale is infinite";
  EXPECT_FALSE(FormatOutlines::commonScale({204, 104}, 36, 0, -1, 18.66f));
  EXPECT_FALSE(FormatOutlines::commonScale({4, 104}, 36, 24, 24.89f, 18.66f));
  EXPECT_TRUE(FormatOutlines::outlines(package({}), INFINITY, {204, 104}).empty());
  EXPECT_TRUE(FormatOutlines::outlines(package({.width = 0, .cropID = 4, .crop = "2.39:1"}), 4, {204, 104}).empty());
}

TEST(FormatTexts, SizesAndTitles) {
  EXPECT_EQ(FormatTexts::sizeText(24.89f, 18.66f), "24.89mm x 18.66mm");
  EXPECT_EQ(FormatTexts::sizeText(36, 24), "36.00mm x 24.00mm");
  EXPECT_EQ(FormatTexts::diagonalText(FormatTexts::diagonal(36, 24)), "Ø 43.27mm");

  FormatTexts plain = FormatTexts::titles(package({}));
  EXPECT_EQ(plain.extractionTitle, "EXTRACTION 3:2");
  EXPECT_EQ(plain.recordingTitle, "RECORDING AREA 1.5:1");
  EXPECT_FALSE(plain.showsExtraction);

  FormatTexts anamorphic = FormatTexts::titles(package({.lensSqueeze = 2, .cropID = 4, .crop = "2.39:1"}));
  EXPECT_EQ(anamorphic.extractionTitle, "EXTRACTION 1.2:1 → 2.39:1");
  EXPECT_EQ(anamorphic.recordingTitle, "RECORDING AREA 1.5:1 → 3:1");
  EXPECT_TRUE(anamorphic.showsExtraction);
}

}  // namespace

}  // namespace app::pages

