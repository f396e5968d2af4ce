#include "platform/graphics/Geometry.h"

#include <gtest/gtest.h>

#include <numbers>

namespace platform::graphics {
namespace {

void expectNear(Point a, Point b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
}

TEST(Geometry, RectEdgesAreHalfOpenAndStandardised) {
  Rect r{10, 20, 30, 40};
  EXPECT_TRUE(r.contains({10, 20}));
  EXPECT_FALSE(r.contains({40, 20}));
  EXPECT_FALSE(r.contains({10, 60}));
  Rect flipped{40, 60, -30, -40};  // the same area given from its far corner
  EXPECT_EQ(flipped.minX(), 10);
  EXPECT_TRUE(flipped.contains({10, 20}));
  EXPECT_EQ(flipped.integral(), (Rect{10, 20, 30, 40}));
}

TEST(Geometry, IntersectionUnionAndInsets) {
  Rect a{0, 0, 10, 10}, b{5, 5, 10, 10}, far{20, 20, 1, 1};
  EXPECT_EQ(a.intersection(b), (Rect{5, 5, 5, 5}));
  EXPECT_TRUE(a.intersection(far).isEmpty());
  EXPECT_FALSE(a.intersects(Rect{10, 0, 5, 5})) << "touching edges do not overlap";
  EXPECT_EQ(a.unionWith(far), (Rect{0, 0, 21, 21}));
  EXPECT_EQ(Rect().unionWith(b), b);
  EXPECT_EQ(a.inset({1, 2, 3, 4}), (Rect{2, 1, 4, 6}));
  EXPECT_EQ(Rect(0.5, 0.2, 1, 1).integral(), (Rect{0, 0, 2, 2}));
}

TEST(Geometry, TransformsComposeInOrderAndInvert) {
  auto scaleThenMove = AffineTransform::scale(2, 3).concat(AffineTransform::translation(10, 0));
  expectNear(scaleThenMove.apply(Point{1, 1}), {12, 3});
  // Translating an existing transform moves the input first, as the phone's API does.
  auto t = AffineTransform::scale(2, 2).translated(5, 0);
  expectNear(t.apply(Point{0, 0}), {10, 0});
  auto r = AffineTransform::rotation(std::numbers::pi / 2).translated(3, 4).scaled(2, 1);
  expectNear(r.inverted().apply(r.apply(Point{7, -2})), {7, -2});
  EXPECT_TRUE(AffineTransform::scale(0, 1).inverted().isIdentity()) << "a singular transform inverts to identity";
}

TEST(Geometry, RotatedRectBoundsHoldAllCorners) {
  auto quarter = AffineTransform::rotation(std::numbers::pi / 2);
  Rect box = quarter.apply(Rect{0, 0, 10, 4});
  EXPECT_NEAR(box.minX(), -4, 1e-9);
  EXPECT_NEAR(box.width(), 4, 1e-9);
  EXPECT_NEAR(box.height(), 10, 1e-9);
}

}  // namespace
}  // namespace platform::graphics
