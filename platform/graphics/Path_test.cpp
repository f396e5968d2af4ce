#include "platform/graphics/Path.h"

#include <gtest/gtest.h>

#include <numbers>

namespace platform::graphics {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(Path, OvalAndArcStayOnTheirCircle) {
  Path oval = Path::oval({10, 20, 40, 20});
  Rect b = oval.bounds();
  EXPECT_NEAR(b.minX(), 10, 1e-9);
  EXPECT_NEAR(b.maxY(), 40, 1e-9);
  EXPECT_TRUE(oval.contains({30, 30}));
  EXPECT_FALSE(oval.contains({11, 21})) << "the box's corner lies outside the oval";

  Path half = Path::arc({0, 0}, 10, 0, kPi, true);  // clockwise on screen: through +y
  EXPECT_NEAR(half.currentPoint().x, -10, 1e-9);
  EXPECT_GT(half.bounds().maxY(), 9.9);
  EXPECT_LT(half.bounds().minY(), 1e-9);
  Path other = Path::arc({0, 0}, 10, 0, kPi, false);  // counter-clockwise: through -y
  EXPECT_LT(other.bounds().minY(), -9.9);
}

TEST(Path, ArcSweepIsNormalisedToOneTurn) {
  // An end angle behind the start in the chosen direction goes the long way round, never backwards.
  Path p = Path::arc({0, 0}, 1, kPi / 2, 0, true);
  int curves = 0;
  for (auto& e : p.elements()) curves += e.op == Path::Op::Curve;
  EXPECT_EQ(curves, 3) << "three quarters clockwise";
  Path full = Path::arc({0, 0}, 1, 0, 4 * kPi, true);
  EXPECT_NEAR(full.currentPoint().x, 1, 1e-9) << "more than a turn is one turn";
}

TEST(Path, RoundedRectRoundsOnlyChosenCorners) {
  Path p = Path::roundedRect({0, 0, 100, 50}, TopLeft | BottomRight, {20, 20});
  EXPECT_FALSE(p.contains({1, 1}));
  EXPECT_TRUE(p.contains({99.5, 0.5}));
  EXPECT_TRUE(p.contains({0.5, 49.5}));
  EXPECT_FALSE(p.contains({99, 49}));
  // A radius larger than the side is cut to half of it, so the shape stays a capsule.
  Path capsule = Path::roundedRect({0, 0, 100, 20}, 50);
  EXPECT_TRUE(capsule.contains({50, 1}));
  EXPECT_FALSE(capsule.contains({1, 1}));
}

TEST(Path, TransformAndEvenOddRule) {
  Path ring;
  ring.addOval({0, 0, 100, 100});
  ring.addOval({25, 25, 50, 50});
  EXPECT_TRUE(ring.contains({50, 50})) << "both ovals wind the same way";
  ring.usesEvenOddFillRule = true;
  EXPECT_FALSE(ring.contains({50, 50}));
  EXPECT_TRUE(ring.contains({10, 50}));
  ring.apply(AffineTransform::translation(100, 0));
  EXPECT_TRUE(ring.contains({110, 50}));
  EXPECT_FALSE(Path().contains({0, 0}));
}

TEST(Path, LineToWithoutMoveStartsASubpath) {
  Path p;
  p.lineTo({5, 5});
  ASSERT_EQ(p.elements().size(), 1u);
  EXPECT_EQ(p.elements()[0].op, Path::Op::Move);
  p.closePath();
  p.closePath();
  EXPECT_EQ(p.elements().size(), 2u) << "a second close adds nothing";
}

}  // namespace
}  // namespace platform::graphics
