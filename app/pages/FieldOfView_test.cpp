#include "app/pages/FieldOfView.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/pages/ConeGeometry.h"
#include "app/pages/DistanceText.h"

namespace app::pages {

namespace {

double degrees(double size, double focalLength) { return 2 * std::atan(size / (2 * focalLength)) * 180 / M_PI; }

TEST(FieldOfView, AnglesOfAFullFrameFormat) {
  const struct Case {
    float w, h, f;
    const char *horizontal, *vertical, *diagonal;
  } cases[] = {
      {36, 24, 50, "39.6", "27.0", "46.8"},
      {36, 24, 14, "104", "81.2", "114"},
      {24.89f, 18.66f, 25, "52.9", "40.9", "63.8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f);
    FieldOfView fov = FieldOfView::calculate(c.w, c.h, c.f);
    EXPECT_NEAR(fov.horizontal, degrees(c.w, c.f), 1e-4);
    EXPECT_NEAR(fov.vertical, degrees(c.h, c.f), 1e-4);
    EXPECT_NEAR(fov.diagonal, degrees(std::hypot(c.w, c.h), c.f), 1e-4);
    EXPECT_EQ(FieldOfView::angleText(fov.horizontal), c.horizontal);
    EXPECT_EQ(FieldOfView::angleText(fov.vertical), c.vertical);
    EXPECT_EQ(FieldOfView::angleText(fov.diagonal), c.diagonal);
    EXPECT_EQ(fov.angle(0), fov.horizontal);
    EXPECT_EQ(fov.angle(1), fov.vertical);
    EXPECT_EQ(fov.angle(2), fov.diagonal);
    EXPECT_TRUE(std::isnan(fov.angle(3)));
  }
}

TEST(FieldOfView, WideAnglesLoseTheirDecimal) {
  EXPECT_EQ(FieldOfView::angleText(99.5f), "99.5");
  EXPECT_EQ(FieldOfView::angleText(99.51f), "100");
  EXPECT_EQ(FieldOfView::angleText(104.3f), "104");
  EXPECT_EQ(FieldOfView::angleText(46.79f), "46.8");
  // Nothing to show: no angle at all, or the straight line a zero focal length gives.
  EXPECT_EQ(FieldOfView::angleText(NAN), "–");
  EXPECT_EQ(FieldOfView::angleText(FieldOfView::calculate(36, 24, 0).horizontal), "–");
  EXPECT_EQ(FieldOfView::angleText(FieldOfView::calculate(0, 24, 50).horizontal), "–");
}

TEST(ConeGeometry, AConeThatFitsOpensFromTheApexToTheTop) {
  auto cone = ConeGeometry::make(40, {300, 200});
  ASSERT_TRUE(cone);
  double t = std::tan(20 * M_PI / 180);
  EXPECT_NEAR(cone->left, 150 - t * 192, 1e-3);
  EXPECT_NEAR(cone->right, 150 + t * 192, 1e-3);
  EXPECT_EQ(cone->top, 0);
  EXPECT_EQ(cone->shift, 0);
  EXPECT_EQ(cone->apex.x, 150);
  EXPECT_EQ(cone->apex.y, 192);
  EXPECT_NEAR(cone->distanceLineTop, 192 * 0.15, 1e-9);
  EXPECT_NEAR(cone->widthLineHalf, t * (192 - 28.8), 1e-3);
  EXPECT_EQ(DistanceText::text(cone->sceneWidth(3), 0), "2.18m");
  EXPECT_EQ(cone->conePath().elements().size(), 3u);
  auto width = cone->widthPath().bounds();
  EXPECT_NEAR(width.origin.x, 150 - cone->widthLineHalf, 1e-9);
  EXPECT_NEAR(width.origin.y, 28.8, 1e-9);
  EXPECT_NEAR(width.size.width, 2 * cone->widthLineHalf, 1e-9);
  EXPECT_EQ(width.size.height, 0);
}

TEST(ConeGeometry, AWideConeIsClippedAtTheSidesAndShiftedUp) {
  auto cone = ConeGeometry::make(120, {300, 200});
  ASSERT_TRUE(cone);
  double top = 192 - 150 * std::tan(30 * M_PI / 180);
  EXPECT_NEAR(cone->top, top, 1e-3);
  EXPECT_NEAR(cone->shift, -top / 2, 1e-3);
  EXPECT_NEAR(cone->widthLabelShift, top / 3, 1e-3);
  EXPECT_EQ(cone->left, 0);
  EXPECT_EQ(cone->right, 300);
  EXPECT_NEAR(cone->distanceLineTop, top + (192 - top) * 0.15, 1e-3);
  // The clipped sides still run along the angle: from the apex to the corners at the cut.
  EXPECT_NEAR((cone->apex.y - cone->top) * std::tan(60 * M_PI / 180), 150, 1e-2);
}

TEST(ConeGeometry, AnglesWithoutAConeDrawNothing) {
  for (float angle : {0.0f, 180.0f, -5.0f, NAN, INFINITY}) {
    EXPECT_FALSE(ConeGeometry::make(angle, {300, 200})) << angle;
  }
  EXPECT_FALSE(ConeGeometry::make(40, {0, 200}));
  EXPECT_FALSE(ConeGeometry::make(40, {300, 8}));
}

}  // namespace

}  // namespace app::pages

