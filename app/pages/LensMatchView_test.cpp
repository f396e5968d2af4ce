#include "app/pages/LensMatchView.h"

#include <gtest/gtest.h>

#include "app/kit/UIConstants.h"
#include "app/pages/PagePackagesTestSupport.h"
#include "app/pages/PagesTestSupport.h"
#include "platform/foundation/PropertyList.h"

namespace app::pages {

namespace {

using ostrel::testing::package;
using ostrel::testing::PagesTestEnvironment;
using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::make;

struct CountingDelegate : LensMatchDelegate {
  int updates = 0;
  void lensMatchTypeSwitchUpdate() override { ++updates; }
};

class LensMatchViewTest : public ::testing::Test {
 protected:
  std::shared_ptr<LensMatchView> page(float ratioOne, float ratioTwo) {
    auto view = make<LensMatchView>(platform::ui::Rect(0, 0, 375, 300));
    view->setCameraPackageOne(package({.width = 24 * ratioOne, .height = 24}));
    view->setCameraPackageTwo(package({.width = 24 * ratioTwo, .height = 24}));
    view->setMDelegate(delegate);
    view->layoutIfNeeded();
    return view;
  }
  static int storedMatchType() {
    auto stored = platform::foundation::PropertyList::readFile(state::FramesObject::preferencePath());
    const auto* dictionary = stored.dictionary();
    if (!dictionary || !dictionary->count("LENSMATCHTYPE")) return -1;
    return static_cast<int>(dictionary->at("LENSMATCHTYPE").toInt64());
  }

  PagesTestEnvironment env;
  std::shared_ptr<CountingDelegate> delegate = std::make_shared<CountingDelegate>();
};

TEST_F(LensMatchViewTest, RatiosEqualToTwoDecimalsShowADashedOutlineOverOneFrame) {
  auto view = page(1.776f, 1.778f);
  view->setupLensMatchView();
  env.advance(1);
  auto dashed = view->dashedOutline();
  ASSERT_TRUE(dashed);
  EXPECT_EQ(dashed->superlayer(), &view->matchView()->layer());
  EXPECT_EQ(dashed->lineDashPattern(), (std::vector<double>{4, 4}));
  EXPECT_EQ(dashed->lineWidth(), 3);
  EXPECT_EQ(dashed->strokeColor(), kit::UIConstants::secondCameraGreen());
  EXPECT_FALSE(dashed->fillColor());
  EXPECT_EQ(view->illustrationView()->layer().borderColor(), kit::UIConstants::blue());
  EXPECT_EQ(view->matchView()->layer().borderColor(), Color::clearColor());
  EXPECT_EQ(dashed->path().bounds(), view->matchView()->bounds());
}

// Horizontal matching puts the wider format inside with the same width; vertical matching the narrower
// one with the same height.
TEST_F(LensMatchViewTest, TheMatchedFormatSharesTheMatchedSide) {
  auto view = page(2.39f, 1.78f);
  for (int type : {0, 1}) {
    SCOPED_TRACE(type);
    (type == 0 ? view->horizontalBtn() : view->verticalBtn())->sendActionsForControlEvents(ControlEvent::TouchUpInside);
    env.advance(1);
    EXPECT_FALSE(view->dashedOutline());
    auto outer = view->illustrationView()->frame();
    auto inner = view->matchView()->frame();
    if (type == 0) {
      EXPECT_NEAR(inner.size.width, outer.size.width, 1e-9);
      EXPECT_NEAR(inner.size.width / inner.size.height, 2.39, 1e-4);
      EXPECT_EQ(view->matchView()->layer().borderColor(), kit::UIConstants::blue());
      EXPECT_EQ(view->illustrationView()->layer().borderColor(), kit::UIConstants::secondCameraGreen());
      EXPECT_EQ(view->blueIndicatorCenterXConstraint().constant(), -54);
    } else {
      EXPECT_NEAR(inner.size.height, outer.size.height, 1e-9);
      EXPECT_NEAR(inner.size.width / inner.size.height, 1.78, 1e-4);
      EXPECT_EQ(view->matchView()->layer().borderColor(), kit::UIConstants::secondCameraGreen());
      EXPECT_EQ(view->illustrationView()->layer().borderColor(), kit::UIConstants::blue());
      EXPECT_EQ(view->blueIndicatorCenterXConstraint().constant(), 54);
    }
    EXPECT_NEAR(inner.origin.x + inner.size.width / 2, outer.origin.x + outer.size.width / 2, 1e-9);
    EXPECT_NEAR(inner.origin.y + inner.size.height / 2, outer.origin.y + outer.size.height / 2, 1e-9);
  }
}

TEST_F(LensMatchViewTest, PressingTheActiveButtonStillSavesAndNotifies) {
  auto view = page(2.39f, 1.78f);
  view->setupLensMatchView();
  EXPECT_EQ(delegate->updates, 1) << "showing the page tells the main screen too";
  EXPECT_EQ(storedMatchType(), 0);
  std::remove(state::FramesObject::preferencePath().c_str());
  view->horizontalBtn()->sendActionsForControlEvents(ControlEvent::TouchUpInside);
  EXPECT_EQ(delegate->updates, 2);
  EXPECT_EQ(storedMatchType(), 0) << "the preferences were written again";

  view->verticalBtn()->sendActionsForControlEvents(ControlEvent::TouchUpInside);
  EXPECT_EQ(app::pages::framesObject()->settings.lensMatchType, 1);
  EXPECT_EQ(storedMatchType(), 1);
  EXPECT_EQ(delegate->updates, 3);
}

TEST_F(LensMatchViewTest, WithoutADelegateOnlyTheSettingAndTheDrawingChange) {
  auto view = page(2.39f, 1.78f);
  view->setMDelegate({});
  view->verticalBtn()->sendActionsForControlEvents(ControlEvent::TouchUpInside);
  EXPECT_EQ(app::pages::framesObject()->settings.lensMatchType, 1);
  EXPECT_EQ(storedMatchType(), 1);
  EXPECT_EQ(delegate->updates, 0);
  // A delegate that is gone is not messaged either.
  view->setMDelegate(delegate);
  delegate.reset();
  view->horizontalBtn()->sendActionsForControlEvents(ControlEvent::TouchUpInside);
  EXPECT_EQ(storedMatchType(), 0);
}

TEST_F(LensMatchViewTest, AFormatWithoutSizeLeavesTheFramesAsTheyWere) {
  auto view = page(2.39f, 1.78f);
  view->setupLensMatchView();
  env.advance(1);
  auto before = view->matchView()->frame();
  view->setCameraPackageTwo(package({.width = 24, .height = 0}));
  view->setupIllustration();
  env.advance(1);
  EXPECT_EQ(view->matchView()->frame(), before);
  EXPECT_EQ(platform::shell::ViewTreeDump::json(*view).find("nan"), std::string::npos);
}

}  // namespace

}  // namespace app::pages

