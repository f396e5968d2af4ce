// Every page drawn headless in the light and the dark theme, its texts and frames held against the stored
// references.
#include <gtest/gtest.h>

#include "app/pages/CoverageView.h"
#include "app/pages/DOFView.h"
#include "app/pages/FOVView.h"
#include "app/pages/LensMatchView.h"
#include "app/pages/PagePackagesTestSupport.h"
#include "app/pages/PagesTestSupport.h"
#include "app/pages/SensorsView.h"

namespace app::pages {

namespace {

using ostrel::testing::expectMatchesReference;
using ostrel::testing::lens;
using ostrel::testing::package;
using ostrel::testing::PagesTestEnvironment;
using platform::ui::make;

class PagesReferenceTest : public ::testing::TestWithParam<bool> {
 protected:
  PagesReferenceTest() : env(GetParam()) {
    auto state = app::pages::framesObject();
    state->packageOne = package({.cropID = 4, .crop = "2.39:1"}, {lens(35, 43.3f), lens(50, 46.3f), lens(85, 52)});
    state->packageTwo = package({.width = 24.89f, .height = 18.66f, .aspectRatio = "4:3", .lensSqueeze = 2});
  }
  std::string name(const std::string& page) const { return page + (GetParam() ? "-dark" : "-light"); }

  const platform::ui::Rect frame{0, 0, 375, 300};
  PagesTestEnvironment env;
};

TEST_P(PagesReferenceTest, DepthOfField) {
  auto page = make<DOFView>(frame);
  page->setCameraPackage(app::pages::framesObject()->packageOne);
  page->setFocalLength(50);
  page->setAperture(2.8f);
  page->setDistance(3);
  page->layoutIfNeeded();
  page->calculateDOF();
  expectMatchesReference(*page, name("dof"));
  page->setDistance(60);
  page->calculateDOF();
  expectMatchesReference(*page, name("dof-infinite"));
}

TEST_P(PagesReferenceTest, FieldOfView) {
  auto page = make<FOVView>(frame);
  page->setCameraPackage(app::pages::framesObject()->packageOne);
  page->layoutIfNeeded();
  page->shapeInit();
  page->setFocalLength(18);
  page->setDistance(3);
  page->calculateFOV();
  env.advance(1);
  expectMatchesReference(*page, name("fov"));
}

TEST_P(PagesReferenceTest, LensMatch) {
  auto page = make<LensMatchView>(frame);
  page->setCameraPackageOne(app::pages::framesObject()->packageOne);
  page->setCameraPackageTwo(app::pages::framesObject()->packageTwo);
  page->layoutIfNeeded();
  page->setupLensMatchView();
  env.advance(1);
  expectMatchesReference(*page, name("lensmatch"));
}

TEST_P(PagesReferenceTest, Sensors) {
  auto page = make<SensorsView>(frame);
  page->layoutIfNeeded();
  page->drawSensors();
  expectMatchesReference(*page, name("sensors"));
}

TEST_P(PagesReferenceTest, Coverage) {
  auto page = make<CoverageView>(frame);
  page->setCameraPackage(app::pages::framesObject()->packageOne);
  page->layoutIfNeeded();
  page->setFocalLength(50);
  page->setFLIndex(1);
  page->drawCoverage();
  expectMatchesReference(*page, name("coverage"));
}

INSTANTIATE_TEST_SUITE_P(Themes, PagesReferenceTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

}  // namespace

}  // namespace app::pages

