#include "app/pages/AspectFrames.h"

#include <gtest/gtest.h>

namespace app::pages {

namespace {

using Border = AspectFrames::Border;

TEST(AspectFrames, RatiosRoundToTwoDecimalsWithHalvesAwayFromZero) {
  EXPECT_FLOAT_EQ(AspectFrames::roundedRatio(16, 9), 1.78f);
  EXPECT_FLOAT_EQ(AspectFrames::roundedRatio(9, 8), 1.13f);  // 1.125: half-even would give 1.12
  EXPECT_FLOAT_EQ(AspectFrames::roundedRatio(36, 24), 1.5f);
}

// Which rectangle shows which package, for the wider and the narrower package one, matched
// horizontally (0) and vertically (1): the inner rectangle holds the format that sets the match.
TEST(AspectFrames, TheMatchedFormatTakesTheInnerRectangle) {
  const struct Case {
    float w1, h1, w2, h2;
    int type;
    float matchWidth;
    Border match, illustration;
  } cases[] = {
      {2.39f, 1, 16, 9, 0, 2.39f, Border::PackageOne, Border::PackageTwo},
      {2.39f, 1, 16, 9, 1, 16, Border::PackageTwo, Border::PackageOne},
      {4, 3, 16, 9, 0, 16, Border::PackageTwo, Border::PackageOne},
      {4, 3, 16, 9, 1, 4, Border::PackageOne, Border::PackageTwo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w1 << " type " << c.type);
    auto frames = AspectFrames::make(c.w1, c.h1, c.w2, c.h2, c.type);
    ASSERT_TRUE(frames);
    EXPECT_FALSE(frames->dashed);
    EXPECT_EQ(frames->match.width, c.matchWidth);
    EXPECT_EQ(frames->match.border, c.match);
    EXPECT_EQ(frames->illustration.border, c.illustration);
    EXPECT_NE(frames->illustration.width, c.matchWidth);
  }
}

TEST(AspectFrames, RatiosEqualToTwoDecimalsShareOneFrameWithADashedOutline) {
  for (int type : {0, 1, 5}) {
    auto frames = AspectFrames::make(1.776f, 1, 1.778f, 1, type);
    ASSERT_TRUE(frames) << type;
    EXPECT_TRUE(frames->dashed);
    EXPECT_EQ(frames->match.width, 1.776f);
    EXPECT_EQ(frames->match.border, Border::Clear);
    EXPECT_EQ(frames->illustration.width, 1.778f);
    EXPECT_EQ(frames->illustration.border, Border::PackageOne);
  }
}

TEST(AspectFrames, NothingChangesForAnUnknownTypeOrAFormatWithoutSize) {
  EXPECT_FALSE(AspectFrames::make(2.39f, 1, 16, 9, 2));
  EXPECT_FALSE(AspectFrames::make(36, 0, 16, 9, 0));
  EXPECT_FALSE(AspectFrames::make(0, 0, 16, 9, 0));
  EXPECT_FALSE(AspectFrames::make(36, 24, 0, 9, 1));
}

}  // namespace

}  // namespace app::pages

