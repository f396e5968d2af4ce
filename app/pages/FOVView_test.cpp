#include "app/pages/FOVView.h"

#include <gtest/gtest.h>

#include <cfloat>

#include "app/kit/UIConstants.h"
#include "app/pages/PagePackagesTestSupport.h"
#include "app/pages/PagesTestSupport.h"
#include "platform/ui/Animation.h"

namespace app::pages {

namespace {

using ostrel::testing::package;
using ostrel::testing::PagesTestEnvironment;
using platform::graphics::AffineTransform;
using platform::ui::ControlEvent;
using platform::ui::make;

class FOVViewTest : public ::testing::Test {
 protected:
  std::shared_ptr<FOVView> page(float focalLength) {
    auto fov = make<FOVView>(platform::ui::Rect(0, 0, 375, 300));
    fov->setCameraPackage(package({}));
    fov->layoutIfNeeded();
    fov->shapeInit();
    fov->setFocalLength(focalLength);
    fov->setDistance(3);
    fov->calculateFOV();
    return fov;
  }
  PagesTestEnvironment env;
};

TEST_F(FOVViewTest, ThreeAnglesOfTheSimulationFormat) {
  auto fov = page(50);
  EXPECT_EQ(fov->fovHorizontalLabel()->text(), "39.6°H");
  EXPECT_EQ(fov->fovVerticalLabel()->text(), "27.0°V");
  EXPECT_EQ(fov->fovDiagonalLabel()->text(), "46.8°D");
  EXPECT_EQ(fov->widthLabel()->text(), "2.16m");
  EXPECT_EQ(fov->distanceLabel()->text(), "3.00m");
  // A cone that fits: no shift, its sides open from the apex 8 points above the bottom.
  EXPECT_EQ(fov->angleIllustrationView()->transform(), AffineTransform());
  auto area = fov->angleIllustrationView()->bounds().size;
  const auto& cone = fov->path().elements();
  ASSERT_EQ(cone.size(), 3u);
  EXPECT_EQ(cone[1].points[0], platform::graphics::Point(area.width / 2, area.height - 8));
  EXPECT_EQ(cone[0].points[0].y, 0);
}

TEST_F(FOVViewTest, AVeryWideLensIsClippedAndShifted) {
  auto fov = page(10);
  EXPECT_EQ(fov->fovHorizontalLabel()->text(), "122°H");
  auto shift = fov->angleIllustrationView()->transform();
  EXPECT_LT(shift.ty, 0);
  EXPECT_NEAR(fov->widthLabel()->transform().ty, shift.ty / -1.5, 1e-9);
  const auto& cone = fov->path().elements();
  auto area = fov->angleIllustrationView()->bounds().size;
  EXPECT_EQ(cone[0].points[0].x, 0);
  EXPECT_EQ(cone[2].points[0].x, area.width);
  EXPECT_NEAR(cone[0].points[0].y, -2 * shift.ty, 1e-9);
}

// A telescope's focal length has its angles as any lens has: a fifth of a degree opens a cone a few
// points wide from the apex, and a scene of some metres at a focus kilometres away.
TEST_F(FOVViewTest, ATelescopeOpensANarrowCone) {
  auto fov = page(12000);
  fov->setDistance(5000);
  fov->calculateFOV();
  EXPECT_EQ(fov->fovHorizontalLabel()->text(), "0.2°H");
  EXPECT_EQ(fov->fovVerticalLabel()->text(), "0.1°V");
  EXPECT_EQ(fov->fovDiagonalLabel()->text(), "0.2°D");
  EXPECT_EQ(fov->widthLabel()->text().find("–"), std::string::npos) << fov->widthLabel()->text();
  EXPECT_EQ(fov->angleIllustrationView()->transform(), AffineTransform());
  const auto& cone = fov->path().elements();
  ASSERT_EQ(cone.size(), 3u);
  const double centre = fov->angleIllustrationView()->bounds().size.width / 2;
  EXPECT_EQ(cone[0].points[0].y, 0);
  EXPECT_LT(cone[0].points[0].x, centre);
  EXPECT_GT(cone[2].points[0].x, centre);
  EXPECT_LT(cone[2].points[0].x - cone[0].points[0].x, 4);
}

TEST_F(FOVViewTest, PathsMoveOverATenthOfASecond) {
  auto fov = page(50);
  env.advance(1);
  fov->setFocalLength(24);
  fov->calculateFOV();
  for (const auto& layer : {fov->shapeLayer(), fov->shapeLayerDistance(), fov->shapeLayerWidth()}) {
    auto animation = std::dynamic_pointer_cast<platform::ui::BasicAnimation>(layer->animationForKey("path"));
    ASSERT_TRUE(animation);
    EXPECT_DOUBLE_EQ(animation->duration, 0.1);
  }
  EXPECT_EQ(fov->shapeLayer()->path(), fov->path()) << "the layer holds the new path at once";
  env.advance(0.1);
  EXPECT_FALSE(fov->shapeLayer()->animationForKey("path"));
}

TEST_F(FOVViewTest, TheButtonsChooseTheDrawnAngle) {
  auto fov = page(50);
  const struct Case {
    std::shared_ptr<platform::ui::Button> button;
    int selected;
    double indicator;
    const char* caption;
    std::shared_ptr<platform::ui::Label> highlighted;
  } cases[] = {
      {fov->verticalBtn(), 1, 0, "VERTICAL ANGLE", fov->fovVerticalLabel()},
      {fov->diagonalBtn(), 2, 120, "DIAGONAL ANGLE", fov->fovDiagonalLabel()},
      {fov->horizontalBtn(), 0, -120, "HORIZONTAL ANGLE", fov->fovHorizontalLabel()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    std::string before = fov->angleLabel()->text();
    c.button->sendActionsForControlEvents(ControlEvent::TouchUpInside);
    EXPECT_EQ(fov->selectedAngle(), c.selected);
    EXPECT_EQ(fov->indicatorCenterXConstraint().constant(), c.indicator);
    EXPECT_EQ(fov->angleLabel()->text(), before) << "the caption changes when the move is over";
    env.advance(0.2);
    EXPECT_EQ(fov->angleLabel()->text(), c.caption);
    for (const auto& label : {fov->fovHorizontalLabel(), fov->fovVerticalLabel(), fov->fovDiagonalLabel()}) {
      auto expected = label == c.highlighted ? kit::UIConstants::maxContrastText() : kit::UIConstants::contrastText();
      EXPECT_EQ(label->textColor(), expected);
    }
  }
  // The choice survives a new focal length: the vertical angle is drawn again.
  fov->verticalBtn()->sendActionsForControlEvents(ControlEvent::TouchUpInside);
  fov->setFocalLength(35);
  fov->calculateFOV();
  EXPECT_EQ(fov->widthLabel()->text(), "2.06m");
}

TEST_F(FOVViewTest, ADistanceChangeWaitsForTheNextDrawing) {
  auto fov = page(50);
  fov->setDistance(6);
  EXPECT_EQ(fov->distanceLabel()->text(), "6.00m");
  EXPECT_EQ(fov->widthLabel()->text(), "2.16m");
  fov->calculateFOV();
  EXPECT_EQ(fov->widthLabel()->text(), "4.32m");
  // A focus however far has a scene width, in kilometres or, past what a float holds, in double; a
  // focus closer than a centimetre has none.
  const std::pair<float, const char*> focuses[] = {
      {1e9f, "7.2e5km"}, {3e38f, "2.2e35km"}, {FLT_MAX, "2.5e35km"}, {0.001f, "–"}};
  for (auto [distance, width] : focuses) {
    fov->setDistance(distance);
    fov->calculateFOV();
    EXPECT_EQ(fov->widthLabel()->text(), width) << distance;
    EXPECT_FALSE(fov->widthLabel()->isTruncated()) << width;
    EXPECT_FALSE(fov->distanceLabel()->isTruncated()) << fov->distanceLabel()->text();
  }
}

TEST_F(FOVViewTest, AZeroFocalLengthDrawsNothingNew) {
  auto fov = page(50);
  platform::graphics::Path before = fov->path();
  fov->setFocalLength(0);
  fov->calculateFOV();
  EXPECT_EQ(fov->fovHorizontalLabel()->text(), "–°H");
  EXPECT_EQ(fov->widthLabel()->text(), "–");
  EXPECT_EQ(fov->path(), before);
  EXPECT_EQ(fov->angleIllustrationView()->transform(), AffineTransform());
  std::string dump = platform::shell::ViewTreeDump::json(*fov);
  EXPECT_EQ(dump.find("nan"), std::string::npos);
}

// Adapters no one makes turn any lens into none that exists: the angles show no value instead of
// 0.0 or 180 degrees. A real converter is a lens of twice the focal length.
TEST_F(FOVViewTest, AnAdapterMakesTheLensTheSensorSees) {
  auto fov = page(50);
  const struct Case {
    float factor;
    const char* horizontal;
  } cases[] = {{1e9f, "–°H"}, {1e-4f, "–°H"}, {2, "20.4°H"}, {0.71f, "53.8°H"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factor);
    fov->setCameraPackage(package({.adapterWidth = c.factor, .adapterHeight = c.factor}));
    fov->calculateFOV();
    EXPECT_EQ(fov->fovHorizontalLabel()->text(), c.horizontal);
  }
}

}  // namespace

}  // namespace app::pages

