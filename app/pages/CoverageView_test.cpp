#include "app/pages/CoverageView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/kit/UIConstants.h"
#include "app/pages/PagePackagesTestSupport.h"
#include "app/pages/PagesTestSupport.h"
#include "platform/graphics/TextLayout.h"

namespace app::pages {

namespace {

using ostrel::testing::lens;
using ostrel::testing::package;
using ostrel::testing::PackageSpec;
using ostrel::testing::PagesTestEnvironment;
using platform::ui::make;

class CoverageViewTest : public ::testing::Test {
 protected:
  std::shared_ptr<CoverageView> page(const model::CameraPackage& one) {
    app::pages::framesObject()->packageOne = one;
    auto view = make<CoverageView>(platform::ui::Rect(0, 0, 375, 300));
    view->setCameraPackage(one);
    view->layoutIfNeeded();
    view->drawCoverage();
    return view;
  }
  static model::CameraPackage primes(PackageSpec spec = {}) {
    return package(spec, {lens(35, 43.3f), lens(50, 46.3f), lens(85, 52)});
  }

  PagesTestEnvironment env;
};

TEST_F(CoverageViewTest, APrimeShowsItsCircleOverTheFormat) {
  auto view = page(primes());
  view->setFocalLength(50);
  view->setFLIndex(1);
  EXPECT_EQ(view->imageCircleLabel()->text(), "Ø 46.3mm");
  EXPECT_EQ(view->lensAtFocalLengthLabel()->text(), "Halden Cine Primes @ 50mm");
  EXPECT_EQ(view->formatOne().onlyRecAreaSensorLabel->text(), "Ø 43.27mm");
  // The largest circle of the series (52 mm) sets the scale, so every prime's circle fits the drawing.
  auto drawing = view->coverageDrawView();
  float height = static_cast<float>(drawing->bounds().size.height - 4);
  EXPECT_FLOAT_EQ(drawing->scaleFactor(), height / 52);
  auto circle = drawing->circleLayer();
  ASSERT_TRUE(circle);
  auto oval = circle->path().bounds();
  EXPECT_NEAR(oval.size.width, 46.3 * drawing->scaleFactor(), 1e-3);
  EXPECT_NEAR(oval.origin.x + oval.size.width / 2, drawing->bounds().size.width / 2, 1e-3);
  EXPECT_EQ(circle->strokeColor(), kit::UIConstants::maxContrastText());

  view->setFLIndex(-1);
  EXPECT_EQ(view->imageCircleLabel()->text(), "No data");
  EXPECT_FALSE(drawing->circleLayer()) << "no circle of no size is left on the drawing";
  view->setFLIndex(2);
  view->setFLIndex(9);
  EXPECT_EQ(view->imageCircleLabel()->text(), "Ø 52mm") << "an index past the list keeps the circle";
}

TEST_F(CoverageViewTest, AZoomFollowsTheBarThroughItsRange) {
  auto view = page(package({.zoom = true}, {lens(24, 30.5f, 70, 43.3f)}));
  view->setFocalLengthZoomPercentage(50);
  view->updateImageCircle();
  EXPECT_EQ(view->imageCircleLabel()->text(), "Ø 36.90mm");
  view->setFocalLengthZoomPercentage(100);
  view->updateImageCircle();
  EXPECT_EQ(view->imageCircleLabel()->text(), "Ø 43.30mm");

  auto none = package({.zoom = true}, {lens(24, 30.5f, 70, 43.3f)});
  none.mLensSet->selectedLenses.clear();
  view->setCameraPackage(none);
  view->updateImageCircle();
  EXPECT_EQ(view->imageCircleLabel()->text(), "No data");
}

TEST_F(CoverageViewTest, ASphericalAdapterShowsBothCircles) {
  auto view = page(primes({.adapterWidth = 0.71f, .adapterHeight = 0.71f}));
  view->setFLIndex(1);
  EXPECT_EQ(view->imageCircleLabel()->text(), "Ø 46.3mm → 32.87mm");
  auto oval = view->coverageDrawView()->circleLayer()->path().bounds();
  EXPECT_NEAR(oval.size.width, 46.3 * 0.71 * view->coverageDrawView()->scaleFactor(), 1e-3);
  // The figure is the page's largest text: every character of it, the diameter sign and the arrow
  // too, is drawn in the app's face, none in a fallback.
  const auto& label = *view->imageCircleLabel();
  const platform::graphics::TextLayout figure(platform::graphics::AttributedString(label.text()),
                                              platform::graphics::TextStyle{label.font()});
  EXPECT_EQ(figure.faces(), std::vector<std::string>{label.font().resolvedFace()});
}

// A 2x anamorphic lens with a 33 mm circle over a 6:5 frame of 20.2 x 16.9 mm: the circle drawn over the
// sensor's own frame is a circle of 33 mm at the frame's scale, so top and bottom coverage read true.
// Probed on the pixels: down the drawing's middle, from the frame's top edge to its bottom edge and from
// the circle's top to its bottom.
TEST_F(CoverageViewTest, AnAnamorphicLensCircleIsDrawnAtTheFramesScale) {
  model::LensObject anamorphic = lens(50, 33);
  anamorphic.anamorphic = 2;
  auto view = page(package({.width = 20.2f, .height = 16.9f, .aspectRatio = "6:5", .lensSqueeze = 2}, {anamorphic}));
  view->setFLIndex(0);
  EXPECT_EQ(view->imageCircleLabel()->text(), "Ø 33mm");
  auto drawing = view->coverageDrawView();
  const double scale = 2;
  auto image = platform::ui::Renderer::render(*drawing, scale, platform::graphics::Color(1, 0, 0));
  auto near = [](const platform::graphics::Color& a, const platform::graphics::Color& b) {
    return std::abs(a.red() - b.red()) < 0.15 && std::abs(a.green() - b.green()) < 0.15 &&
           std::abs(a.blue() - b.blue()) < 0.15;
  };
  const int middle = static_cast<int>(drawing->bounds().size.width / 2 * scale);
  std::vector<int> frameRows, circleRows;
  for (int y = 0; y < static_cast<int>(drawing->bounds().size.height * scale); ++y) {
    auto pixel = image->pixel(middle, y);
    if (near(pixel, kit::UIConstants::blue())) frameRows.push_back(y);
    if (near(pixel, kit::UIConstants::maxContrastText())) circleRows.push_back(y);
  }
  ASSERT_FALSE(frameRows.empty());
  ASSERT_FALSE(circleRows.empty());
  const double pixelsPerMillimetre = (frameRows.back() - frameRows.front()) / 16.9;
  const double circleMillimetres = (circleRows.back() - circleRows.front()) / pixelsPerMillimetre;
  EXPECT_NEAR(circleMillimetres, 33, 1) << "the circle's height in the frame's millimetres";
  auto oval = drawing->circleLayer()->path().bounds();
  EXPECT_NEAR(oval.size.width, oval.size.height, 1e-3);
}

// The largest circle, not the last zoom's, sets the scale: a smaller zoom after a larger prime must not
// let the prime's circle overflow the drawing.
TEST_F(CoverageViewTest, EveryCircleOfTheSeriesFitsTheDrawing) {
  auto view = page(package({}, {lens(50, 60), lens(24, 30, 70, 40)}));
  view->setFLIndex(0);
  auto drawing = view->coverageDrawView();
  auto oval = drawing->circleLayer()->path().bounds();
  EXPECT_LE(oval.size.height, drawing->bounds().size.height - 4 + 1e-3);
  EXPECT_GE(oval.origin.y, 2 - 1e-3);
}

TEST_F(CoverageViewTest, DrawingWithoutAContextDrawsNothingButTheScaleIsKept) {
  auto view = page(primes());
  auto drawing = view->coverageDrawView();
  drawing->updateScale();
  float scale = drawing->scaleFactor();
  EXPECT_GT(scale, 0);
  ASSERT_EQ(platform::graphics::currentContext(), nullptr);
  // The scale for an image circle is computed without drawing; a drawing pass then draws the outlines.
  view->setFLIndex(1);
  EXPECT_EQ(drawing->scaleFactor(), scale);
  auto image = platform::ui::Renderer::render(*drawing, 1, platform::graphics::Color::whiteColor());
  EXPECT_FALSE(image->isClear());
}

TEST_F(CoverageViewTest, AFormatWithoutSizeAndNoCircleDrawNothing) {
  auto view = page(package({.width = 0, .height = 0}, {}));
  view->setFLIndex(0);
  EXPECT_EQ(view->coverageDrawView()->scaleFactor(), 0);
  EXPECT_EQ(view->imageCircleLabel()->text(), "No data");
  EXPECT_FALSE(view->coverageDrawView()->circleLayer());
  std::string dump = platform::shell::ViewTreeDump::json(*view);
  EXPECT_EQ(dump.find("nan"), std::string::npos);
  EXPECT_EQ(dump.find("inf"), std::string::npos);
}

TEST_F(CoverageViewTest, TheHintSlidesInAfterASecondAndOutSixSecondsLater) {
  auto view = page(primes());
  auto hintTop = [&] { return view->shootTestsLabel()->frame().origin.y; };
  auto moving = [&] { return !view->shootTestsLabel()->layer().animationKeys().empty(); };
  EXPECT_EQ(hintTop(), -20);
  view->displayShootTestsLabel();
  // The way in: waits a second, then moves for 0.3 s; the label's place is the end place at once.
  EXPECT_EQ(view->shootTestsTopConstraint().constant(), 0);
  EXPECT_EQ(hintTop(), 0);
  EXPECT_TRUE(moving());
  env.advance(1.29);
  EXPECT_EQ(hintTop(), 0);
  // The way out starts when the way in is over, and waits six seconds before it moves.
  env.advance(0.02);
  EXPECT_EQ(view->shootTestsTopConstraint().constant(), -20);
  EXPECT_EQ(hintTop(), -20);
  EXPECT_TRUE(moving());
  env.advance(6.27);
  EXPECT_TRUE(moving());
  env.advance(0.04);
  EXPECT_FALSE(moving());

  view->displayShootTestsLabel();
  view->killAnimation();
  EXPECT_TRUE(view->shootTestsLabel()->layer().animationKeys().empty());
}

TEST_F(CoverageViewTest, TheShownHintCoversNoneOfThePagesTexts) {
  for (bool crop : {false, true}) {
    SCOPED_TRACE(crop ? "with extraction" : "recording area only");
    auto view = page(crop ? primes({.cropID = 2}) : primes());
    view->setFocalLength(50);
    view->setFLIndex(1);
    view->displayShootTestsLabel();
    view->layoutIfNeeded();
    auto place = [](const platform::ui::View& v) { return v.convertRectTo(v.bounds(), nullptr); };
    const auto hint = place(*view->shootTestsLabel());
    ASSERT_EQ(view->shootTestsTopConstraint().constant(), 0);
    const auto& g = view->formatOne();
    for (const auto& label : {view->lensAtFocalLengthLabel(), view->imageCircleLabel(), g.extractionLabel,
                              g.extractionSensorSizeLabel, g.recordingAreaLabel, g.recordingAreaSensorSizeLabel,
                              g.onlyRecAreaLabel, g.onlyRecAreaSensorLabel}) {
      EXPECT_FALSE(hint.intersects(place(*label))) << label->text();
    }
    EXPECT_FALSE(hint.intersects(place(*view->coverageDrawView())));
  }
}

}  // namespace

}  // namespace app::pages

