#include "app/pages/ImageCircle.h"

#include <gtest/gtest.h>

#include "app/pages/FormatTexts.h"
#include "app/pages/PagePackagesTestSupport.h"

namespace app::pages {

namespace {

using ostrel::testing::lens;
using ostrel::testing::package;
using ostrel::testing::PackageSpec;

model::LensObject anamorphicLens(float focalLength, float imageCircle) {
  model::LensObject l = lens(focalLength, imageCircle);
  l.anamorphic = 2;
  return l;
}

TEST(ImageCircle, APrimeTakesItsCatalogueCircle) {
  model::CameraPackage primes = package({}, {lens(35, 43.3f), lens(50, 46.3f), lens(85, 52)});
  ImageCircle circle = ImageCircle::atFocalLength(primes, 1, 0, 0);
  EXPECT_FLOAT_EQ(circle.diameter, 46.3f);
  EXPECT_EQ(circle.text(1), "Ø 46.3mm");
  EXPECT_EQ(ImageCircle::atFocalLength(primes, -1, 0, 46.3f).text(1), "No data");
  // A negative index other than "none" is no lens either, never a read before the list.
  EXPECT_EQ(ImageCircle::atFocalLength(primes, -7, 0, 46.3f).diameter, 0);
  // An index past the list keeps what was shown.
  EXPECT_FLOAT_EQ(ImageCircle::atFocalLength(primes, 3, 0, 52).diameter, 52);
}

TEST(ImageCircle, AZoomIsInterpolatedAlongItsRange) {
  const struct Case {
    float small, large, percent;
    const char* text;
  } cases[] = {
      {30.5f, 43.3f, 50, "Ø 36.90mm"},
      {30.5f, 43.3f, 0, "Ø 30.50mm"},
      {30.5f, 43.3f, 100, "Ø 43.30mm"},
      {30.5f, 0, 80, "Ø 30.5mm"},  // no circle at the long end: the short end's, whatever the position
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.percent);
    model::CameraPackage zoom = package({.zoom = true}, {lens(24, c.small, 70, c.large)});
    EXPECT_EQ(ImageCircle::atFocalLength(zoom, -1, c.percent, 0).text(1), c.text);
  }
}

TEST(ImageCircle, AZoomSeriesWithoutAChosenLensHasNoData) {
  model::CameraPackage zoom = package({.zoom = true}, {lens(24, 30.5f, 70, 43.3f)});
  zoom.mLensSet->selectedLenses.clear();
  EXPECT_EQ(ImageCircle::atFocalLength(zoom, 0, 50, 40).text(1), "No data");
  zoom.mLensSet.reset();
  EXPECT_EQ(ImageCircle::atFocalLength(zoom, 0, 50, 40).text(1), "No data");
}

TEST(ImageCircle, OnlyASphericalAdapterScalesTheCircle) {
  EXPECT_EQ(ImageCircle::adapterFactor(package({.adapterWidth = 0.71f, .adapterHeight = 0.71f})), 0.71f);
  EXPECT_EQ(ImageCircle::adapterFactor(package({.adapterWidth = 0.5f, .adapterHeight = 1})), 1);
  EXPECT_EQ(ImageCircle::adapterFactor(package({})), 1);
  model::CameraPackage noRow = package({});
  noRow.lensAdapter.reset();
  EXPECT_EQ(ImageCircle::adapterFactor(noRow), 1);

  ImageCircle circle{46.3f, false};
  EXPECT_EQ(circle.text(0.71f), "Ø 46.3mm → 32.87mm");
  EXPECT_EQ(circle.text(1), "Ø 46.3mm");
  // An extender of twelve, as the adapter form takes one, throws a circle twelve times as large.
  EXPECT_EQ(circle.text(12), "Ø 46.3mm → 555.6mm");
  EXPECT_TRUE(ImageCircle::outline(46.3f, 1, 12, 0.5f, {300, 300}));
  EXPECT_FLOAT_EQ(ImageCircle::largestCircle(package({.adapterWidth = 12, .adapterHeight = 12})), 46.3f * 12);
  // Through an adapter no one makes there is no circle to give, nor to draw; the frame keeps its scale.
  EXPECT_EQ(circle.text(1e9f), "Ø 46.3mm → –");
  EXPECT_FALSE(ImageCircle::outline(46.3f, 1, 1e9f, 2, {204, 104}));
  EXPECT_FLOAT_EQ(ImageCircle::largestCircle(package({.adapterWidth = 1e-4f, .adapterHeight = 1e-4f})), 46.3f);
}

// The scale must leave room for the largest circle any lens of the series throws, wherever that lens
// stands in the list and whichever end of a zoom is the larger.
TEST(ImageCircle, TheLargestCircleIsTheLargestOfAllLenses) {
  const struct Case {
    const char* what;
    std::vector<model::LensObject> lenses;
    float largest;
  } cases[] = {
      {"primes", {lens(35, 43.3f), lens(85, 52), lens(50, 46.3f)}, 52},
      {"a larger prime before a zoom", {lens(50, 60), lens(24, 30, 70, 40)}, 60},
      {"a zoom's long end", {lens(24, 30, 70, 44), lens(50, 40)}, 44},
      {"a zoom that shrinks towards its long end", {lens(24, 46, 70, 40)}, 46},
      {"a zoom without a long-end circle", {lens(24, 30.5f, 70, 0)}, 30.5f},
      {"an anamorphic prime", {anamorphicLens(50, 33)}, 33},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FLOAT_EQ(ImageCircle::largestCircle(package({}, c.lenses)), c.largest);
  }
  EXPECT_FLOAT_EQ(ImageCircle::largestCircle(package({.adapterWidth = 0.71f, .adapterHeight = 0.71f},
                                                     {lens(50, 46.3f)})),
                  46.3f * 0.71f);
}

TEST(ImageCircle, TheScaleFitsTheLargerOfCircleAndDiagonal) {
  float diagonal = FormatTexts::diagonal(36, 24);
  EXPECT_NEAR(diagonal, 43.267, 1e-3);
  EXPECT_FLOAT_EQ(*ImageCircle::drawingScale({204, 104}, 30, diagonal), 100 / diagonal);
  EXPECT_FLOAT_EQ(*ImageCircle::drawingScale({204, 104}, 50, diagonal), 2);
  EXPECT_FLOAT_EQ(*ImageCircle::drawingScale({104, 204}, 50, diagonal), 2);
  EXPECT_FALSE(ImageCircle::drawingScale({204, 104}, 0, 0));
  EXPECT_FALSE(ImageCircle::drawingScale({204, 104}, NAN, 0));
  EXPECT_FLOAT_EQ(*ImageCircle::drawingScale({204, 104}, NAN, 50), 2);
}

// The circle is drawn over the sensor's own frame at the frame's scale: a 33 mm circle of a 2x anamorphic
// lens covers 33 mm of the sensor's height, not 66.
TEST(ImageCircle, TheOutlineIsACentredCircleWhateverTheSqueeze) {
  auto spherical = ImageCircle::outline(46.3f, 1, 1, 2, {204, 104});
  ASSERT_TRUE(spherical);
  EXPECT_NEAR(spherical->size.width, 92.6, 1e-4);
  EXPECT_NEAR(spherical->size.height, 92.6, 1e-4);
  EXPECT_NEAR(spherical->origin.x, (204 - 92.6) / 2, 1e-4);
  auto anamorphic = ImageCircle::outline(33, 2, 1, 2, {204, 104});
  ASSERT_TRUE(anamorphic);
  EXPECT_NEAR(anamorphic->size.width, 66, 1e-4);
  EXPECT_NEAR(anamorphic->size.height, 66, 1e-4);
  EXPECT_NEAR(anamorphic->origin.y, (104 - 66) / 2.0, 1e-4);
  auto reduced = ImageCircle::outline(20, 2, 0.5f, 2, {204, 104});
  ASSERT_TRUE(reduced);
  EXPECT_NEAR(reduced->size.width, 20, 1e-4);
  EXPECT_NEAR(reduced->size.height, 20, 1e-4);
  EXPECT_FALSE(ImageCircle::outline(0, 1, 1, 2, {204, 104}));
  EXPECT_FALSE(ImageCircle::outline(NAN, 1, 1, 2, {204, 104}));
  EXPECT_FALSE(ImageCircle::outline(46.3f, 0, 1, 2, {204, 104}));
}

TEST(ImageCircle, TheLensCaptionPrintsTheFocalLengthAsTheValueDisplayDoes) {
  model::CameraPackage p = package({});
  EXPECT_EQ(ImageCircle::lensText(p, 18), "Halden Cine Primes @ 18.0mm");
  EXPECT_EQ(ImageCircle::lensText(p, 19.9f), "Halden Cine Primes @ 19.9mm");
  EXPECT_EQ(ImageCircle::lensText(p, 35.4f), "Halden Cine Primes @ 35mm");
  // Just past the boundary the decimal goes: a boundary moved up would print "19.9mm" and "20.0mm".
  EXPECT_EQ(ImageCircle::lensText(p, 19.91f), "Halden Cine Primes @ 20mm");
  EXPECT_EQ(ImageCircle::lensText(p, 19.96f), "Halden Cine Primes @ 20mm");
}

}  // namespace

}  // namespace app::pages

