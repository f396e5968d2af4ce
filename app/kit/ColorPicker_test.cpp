// The picker screen in a navigation stack on the manual clock, and its mode buttons.
#include <gtest/gtest.h>

#include "app/kit/KitTestSupport.h"
#include "app/kit/HSBColorPickerViewController.h"
#include "app/kit/UIConstants.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/shell/ViewTreeDump.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"

namespace app::kit {

namespace {

using ostrel::testing::bytes;
using ostrel::testing::KitTestEnvironment;
using ostrel::testing::Rgb;
using platform::graphics::Color;
using platform::ui::make;
using platform::ui::Point;

class ColorPickerTest : public ::testing::Test {
 protected:
  void open(const Color& color) {
    picker = make<HSBColorPickerViewController>();
    picker->oldAppColor = color;
    navigation = make<platform::ui::NavigationController>(make<platform::ui::ViewController>());
    window = make<platform::ui::Window>();
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    navigation->pushViewController(picker, false);
    window->layoutIfNeeded();
  }
  Point inWindow(const platform::ui::View& view, Point p) { return view.convertPointTo(p, nullptr); }
  void tapIn(const platform::ui::View& view, Point p) {
    window->touchDown(inWindow(view, p));
    window->touchUp(inWindow(view, p));
    env.advance(0.4);  // past the double-tap wait
  }
  // A drag down the strip, `step` points every hundredth of a second.
  void dragStrip(double step, int moves) {
    const auto& strip = *picker->sliderView();
    Point p{25, 140};
    window->touchDown(inWindow(strip, p));
    for (int i = 0; i < moves; ++i) {
      env.advance(0.01);
      p.y += step;
      window->touchMove(inWindow(strip, p));
    }
    window->touchUp(inWindow(strip, p));
    env.advance(0.5);
  }

  KitTestEnvironment env;
  std::shared_ptr<HSBColorPickerViewController> picker;
  std::shared_ptr<platform::ui::NavigationController> navigation;
  std::shared_ptr<platform::ui::Window> window;
};

TEST_F(ColorPickerTest, PositionsFollowTheColourInEachMode) {
  open(Color::fromHSB(0.5, 1, 1));
  EXPECT_FLOAT_EQ(picker->sliderPosition(), 132);
  EXPECT_EQ(picker->chooserCenter(), Point(264, 0));
  const double grid = picker->colorGridView()->bounds().size.width;
  EXPECT_EQ(picker->colorPicker()->center(), Point(grid, 0));
  const double strip = picker->sliderView()->bounds().size.height;
  EXPECT_DOUBLE_EQ(picker->colorSliderindicator().constant(), 132 * strip / 264 - strip / 2);

  picker->radioSelectSaturation();  // fully saturated: the top of the strip
  EXPECT_EQ(picker->radioHSB(), 1);
  EXPECT_FLOAT_EQ(picker->sliderPosition(), 0);
  EXPECT_EQ(platform::shell::ViewTreeDump::describe(*picker->radioSaturation()->buttonOutline())["backgroundColor"],
            platform::foundation::Value("#00B4F8"));
  EXPECT_EQ(bytes(*picker->radioHue()->buttonOutline()->backgroundColor()), (Rgb{190, 190, 190}));

  open(Color::blackColor());
  picker->radioSelectBrightness();  // black: the bottom
  EXPECT_FLOAT_EQ(picker->sliderPosition(), 264);
}

TEST_F(ColorPickerTest, TheChooserMarkIsLightExactlyOnDarkColours) {
  open(Color::fromHSB(0.66, 1, 0.5));
  EXPECT_EQ(picker->chooserMarkName(), "cp_position_white");
  EXPECT_EQ(picker->colorPickerDarkMode(), 0);
  // A tap high on the grid at the left: nearly white.
  tapIn(*picker->colorGridView(), {2, 2});
  EXPECT_GT(bytes(picker->currentUIColor()).g, 240);
  EXPECT_EQ(picker->chooserMarkName(), "cp_position_black");
  EXPECT_EQ(bytes(*picker->currentColor()->backgroundColor()), bytes(picker->currentUIColor()));
  EXPECT_EQ(bytes(*picker->oldColor()->backgroundColor()), bytes(Color::fromHSB(0.66, 1, 0.5)));
}

TEST_F(ColorPickerTest, TheStripIsHeldToItsEnds) {
  open(Color::fromHSB(0.5, 1, 1));
  dragStrip(40, 20);  // 4000 points a second, about 28 units a move
  EXPECT_FLOAT_EQ(picker->sliderPosition(), 264);
  dragStrip(-40, 20);
  EXPECT_FLOAT_EQ(picker->sliderPosition(), 0);
  tapIn(*picker->sliderView(), {25, picker->sliderView()->bounds().size.height / 4});
  EXPECT_FLOAT_EQ(picker->sliderPosition(), 66);
  EXPECT_NEAR(picker->currentUIColor().hsb().hue, 0.25, 1e-6);
}

TEST_F(ColorPickerTest, DoneStoresNothingAndLeaves) {
  open(Color::fromHSB(0.5, 1, 1));
  tapIn(*picker->colorGridView(), {100, 100});
  const auto& done = *picker->doneBtn()->button();
  window->touchDown(inWindow(done, {10, 10}));
  window->touchUp(inWindow(done, {10, 10}));
  env.advance(1);
  EXPECT_EQ(navigation->viewControllers().size(), 1u);
  EXPECT_FALSE(platform::foundation::AtomicFile::fileExists(state::FramesObject::preferencePath()));
}

TEST_F(ColorPickerTest, TheWrapperLeavesWhenShownASecondTime) {
  open(Color::whiteColor());
  auto wrapper = make<ColorPickerViewController>();
  navigation->pushViewController(wrapper, false);
  EXPECT_FALSE(wrapper->firstStart());
  navigation->pushViewController(make<platform::ui::ViewController>(), false);
  navigation->popViewControllerAnimated(false);  // the wrapper appears again and leaves at once
  env.advance(1);
  EXPECT_EQ(navigation->topViewController(), picker);
}

TEST(CustomSettingsButtonTest, CalibrationTurnsBlueWithAStartTitle) {
  KitTestEnvironment env;
  auto button = make<SettingsButton>(platform::ui::Rect{0, 0, 120, 36});
  button->styleCustomButtonBlue();
  button->buttonCalibration();
  EXPECT_EQ(bytes(button->button()->currentTitleColor()), (Rgb{230, 230, 230}));
  button->buttonCalibrationAnimateToBlue();
  env.advance(0.5);
  EXPECT_EQ(button->button()->currentTitle(), "");
  env.advance(0.15);
  EXPECT_EQ(button->button()->currentTitle(), "START");
  EXPECT_EQ(button->button()->alpha(), 1);
  EXPECT_EQ(bytes(*button->buttonOutline()->backgroundColor()), (Rgb{0, 180, 248}));

  // Let go before the delay is over, the widget is not called into.
  button->buttonCalibrationAnimateToBlue();
  button.reset();
  env.advance(1);
}

}  // namespace

}  // namespace app::kit

