#include "app/pages/DOFView.h"

#include <gtest/gtest.h>

#include "app/kit/UIConstants.h"
#include "app/pages/PagePackagesTestSupport.h"
#include "app/pages/PagesTestSupport.h"

namespace app::pages {

namespace {

using ostrel::testing::package;
using ostrel::testing::PagesTestEnvironment;
using platform::graphics::AffineTransform;
using platform::ui::make;

const platform::ui::Rect kPage{0, 0, 375, 300};

std::shared_ptr<DOFView> page(float focalLength, float aperture, float distance) {
  auto dof = make<DOFView>(kPage);
  dof->setCameraPackage(package({.width = 24.89f, .height = 18.66f, .aspectRatio = "4:3"}));
  dof->setFocalLength(focalLength);
  dof->setAperture(aperture);
  dof->setDistance(distance);
  dof->layoutIfNeeded();
  dof->calculateDOF();
  return dof;
}

double markerCentre(const DOFView& dof, int index) {
  const auto& marker = dof.markerContainer()->subviews()[index];
  return marker->frame().origin.x + marker->frame().size.width / 2 - dof.markerContainer()->bounds().size.width / 2;
}

class DOFViewTest : public ::testing::Test {
 protected:
  PagesTestEnvironment env;
};

TEST_F(DOFViewTest, ShowsTheLimitsOfPackageOne) {
  auto dof = page(50, 2.8f, 3);
  EXPECT_EQ(dof->cocLabel()->text(), "CoC: 0.021mm");
  EXPECT_EQ(dof->hyperFocalLabel()->text(), "43m");
  EXPECT_EQ(dof->nearLabel()->text(), "2.81m");
  EXPECT_EQ(dof->farLabel()->text(), "3.22m");
  EXPECT_EQ(dof->dofLabel()->text(), "0.41m");
  EXPECT_EQ(dof->distanceLabel()->text(), "3.00m");
  EXPECT_FLOAT_EQ(dof->sensorWidth(), 24.89f);
  EXPECT_EQ(dof->dofLabel()->font().pointSize(), 28);
  EXPECT_EQ(dof->farLabel()->font().pointSize(), 12);
  // The markers stand where the limits are, as shares of the depth around the focus.
  double half = dof->markerContainer()->bounds().size.width / 2;
  EXPECT_NEAR(dof->nearMarkerCenterXConstraint().constant(), (3 - dof->nearDistance()) /
                                                                 (dof->farDistance() - dof->nearDistance()) * -half,
              1e-9);
  EXPECT_NEAR(markerCentre(*dof, 2), dof->nearMarkerCenterXConstraint().constant(), 1e-9);
  EXPECT_NEAR(markerCentre(*dof, 3), dof->farMarkerCenterXConstraint().constant(), 1e-9);
}

// A super-35 16:9 format behind a 0.71x booster: the page shows the limits of the 35.5 mm f/1.99 picture
// the sensor records, not those of the bare 50 mm T2.8.
TEST_F(DOFViewTest, ABoosterShowsTheLimitsOfThePictureTheSensorRecords) {
  auto dof = page(50, 2.8f, 3);
  dof->setCameraPackage(package({.width = 24.88f, .height = 14, .adapterWidth = 0.71f, .adapterHeight = 0.71f}));
  dof->calculateDOF();
  EXPECT_EQ(dof->cocLabel()->text(), "CoC: 0.019mm");
  EXPECT_EQ(dof->hyperFocalLabel()->text(), "33m");
  EXPECT_EQ(dof->nearLabel()->text(), "2.76m");
  EXPECT_EQ(dof->farLabel()->text(), "3.29m");
  EXPECT_EQ(dof->dofLabel()->text(), "0.54m");
}

TEST_F(DOFViewTest, ImperialTextsFollowTheSetting) {
  app::pages::framesObject()->settings.measurementSystem = 1;
  auto dof = page(50, 2.8f, 3);
  EXPECT_EQ(dof->nearLabel()->text(), "9' 3''");
  EXPECT_EQ(dof->distanceLabel()->text(), "9' 10''");
}

TEST_F(DOFViewTest, BeyondTheHyperfocalDistanceInfinityIsLargeAndRaised) {
  auto dof = page(50, 2.8f, 60);
  EXPECT_EQ(dof->farLabel()->text(), "∞");
  EXPECT_EQ(dof->dofLabel()->text(), "∞");
  EXPECT_EQ(dof->dofLabel()->font().pointSize(), 40);
  EXPECT_EQ(dof->farLabel()->font().pointSize(), 18);
  EXPECT_EQ(dof->dofLabel()->transform(), AffineTransform::translation(0, -12));
  EXPECT_EQ(dof->farLabel()->transform(), AffineTransform::translation(0, -6));
  EXPECT_EQ(dof->nearMarkerCenterXConstraint().constant(), -2);
  EXPECT_EQ(dof->farMarkerCenterXConstraint().constant(), dof->markerContainer()->bounds().size.width / 2);

  // Focusing closer again restores the small fonts and the labels' places.
  dof->setDistance(3);
  dof->calculateDOF();
  EXPECT_EQ(dof->dofLabel()->font().pointSize(), 28);
  EXPECT_EQ(dof->farLabel()->font().pointSize(), 12);
  EXPECT_EQ(dof->dofLabel()->transform(), AffineTransform());
  EXPECT_EQ(dof->farLabel()->transform(), AffineTransform());
}

TEST_F(DOFViewTest, TheFactorIsReadAgainOnEveryCalculation) {
  auto dof = page(50, 2.8f, 3);
  EXPECT_EQ(dof->strictness(), 1500);
  app::pages::framesObject()->settings.cocFactor = 1000;
  dof->setDistance(5);
  EXPECT_EQ(dof->distanceLabel()->text(), "5.00m");
  EXPECT_EQ(dof->nearLabel()->text(), "2.81m") << "the limits wait for the next calculation";
  static_cast<CoCViewDelegate&>(*dof).calculateDOF();
  EXPECT_EQ(dof->strictness(), 1000);
  EXPECT_EQ(dof->cocLabel()->text(), "CoC: 0.031mm");
}

// A zero focal length or factor, or a focus at the focal length itself, leave the markers where they
// were and no infinite or undefined number on any frame.
TEST_F(DOFViewTest, ValuesWithoutADepthOfFieldShowNoValue) {
  auto dof = page(50, 2.8f, 3);
  double nearBefore = dof->nearMarkerCenterXConstraint().constant();
  double farBefore = dof->farMarkerCenterXConstraint().constant();
  for (auto [focal, factor, distance] : {std::tuple{0.0f, 1500, 3.0f}, std::tuple{50.0f, 0, 3.0f},
                                         std::tuple{50.0f, 1500, 0.05f}}) {
    app::pages::framesObject()->settings.cocFactor = factor;
    dof->setFocalLength(focal);
    dof->setDistance(distance);
    dof->calculateDOF();
    EXPECT_EQ(dof->nearMarkerCenterXConstraint().constant(), nearBefore);
    EXPECT_EQ(dof->farMarkerCenterXConstraint().constant(), farBefore);
    std::string dump = platform::shell::ViewTreeDump::json(*dof);
    EXPECT_EQ(dump.find("nan"), std::string::npos);
    EXPECT_EQ(dump.find("inf"), std::string::npos);
  }
  EXPECT_EQ(dof->dofLabel()->text(), "<0.001m");
  app::pages::framesObject()->settings.cocFactor = 0;
  dof->calculateDOF();
  EXPECT_EQ(dof->cocLabel()->text(), "CoC: –");
  EXPECT_EQ(dof->nearLabel()->text(), "–");
  EXPECT_EQ(dof->dofLabel()->transform(), AffineTransform());
}

// The markers stand for the limits: whenever near and far read no value they go, and they come back at
// the limits' places.
TEST_F(DOFViewTest, MarkersGoWhileTheLimitsReadNoValue) {
  auto dof = page(50, 2.8f, 3);
  const auto& near = *dof->markerContainer()->subviews()[2];
  const auto& far = *dof->markerContainer()->subviews()[3];
  const double nearAt = markerCentre(*dof, 2), farAt = markerCentre(*dof, 3);
  EXPECT_FALSE(near.isHidden());
  EXPECT_FALSE(far.isHidden());
  for (auto [focal, distance] : {std::pair{1e9f, 3.0f}, std::pair{50.0f, 1e-9f}}) {
    dof->setFocalLength(focal);
    dof->setDistance(distance);
    dof->calculateDOF();
    EXPECT_EQ(dof->nearLabel()->text(), "–") << focal << " mm at " << distance << " m";
    EXPECT_EQ(dof->farLabel()->text(), "–") << focal << " mm at " << distance << " m";
    EXPECT_TRUE(near.isHidden()) << focal << " mm at " << distance << " m";
    EXPECT_TRUE(far.isHidden()) << focal << " mm at " << distance << " m";
  }
  EXPECT_EQ(dof->distanceLabel()->text(), "–");
  EXPECT_EQ(dof->hyperFocalLabel()->text(), "43m") << "the hyperfocal distance does not depend on the focus";

  dof->setDistance(3);
  dof->calculateDOF();
  EXPECT_FALSE(near.isHidden());
  EXPECT_FALSE(far.isHidden());
  EXPECT_DOUBLE_EQ(markerCentre(*dof, 2), nearAt);
  EXPECT_DOUBLE_EQ(markerCentre(*dof, 3), farAt);
}

// Past the hyperfocal distance every focus, however far, has the same near limit and a far one at
// infinity, with the markers at the strip's ends; a far focus reads in metres or feet while its figure
// fits, then in kilometres or miles, never cut.
TEST_F(DOFViewTest, AFarFocusShowsTheNearLimitAndInfinity) {
  auto dof = page(50, 2.8f, 3);
  const struct {
    float distance;
    const char* metric;
    const char* imperial;
  } focuses[] = {{15000, "15000m", "49212'"},
                 {30000, "30000m", "98424'"},
                 {1e5f, "100km", "62mi"},
                 {1e9f, "1.0e6km", "6.2e5mi"},
                 {3e38f, "3.0e35km", "1.9e35mi"}};
  const double half = dof->markerContainer()->bounds().size.width / 2;
  for (const auto& focus : focuses) {
    for (int system : {0, 1}) {
      app::pages::framesObject()->settings.measurementSystem = system;
      dof->setDistance(focus.distance);
      dof->calculateDOF();
      const std::string where = std::string(system ? focus.imperial : focus.metric);
      EXPECT_EQ(dof->distanceLabel()->text(), where);
      EXPECT_EQ(dof->nearLabel()->text(), system ? "141'" : "43m") << where;
      EXPECT_EQ(dof->farLabel()->text(), "∞") << where;
      EXPECT_EQ(dof->dofLabel()->text(), "∞") << where;
      EXPECT_FALSE(dof->markerContainer()->subviews()[2]->isHidden()) << where;
      EXPECT_DOUBLE_EQ(markerCentre(*dof, 3), half) << where;
      for (const auto& label : {dof->distanceLabel(), dof->nearLabel(), dof->farLabel(), dof->dofLabel()}) {
        EXPECT_FALSE(label->isTruncated()) << label->text();
      }
    }
  }
}

}  // namespace

}  // namespace app::pages

