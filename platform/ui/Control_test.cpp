#include "platform/ui/Control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Button.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

using foundation::Clock;
using foundation::ManualClock;

// A screen that adds its targets every time it appears, as screens do.
struct TargetScreen {
  int presses = 0;
  int downs = 0;
  std::vector<std::string> senders;
  void pressed() { ++presses; }
  void touchedDown() { ++downs; }
  void pressedBy(Button& sender) { senders.push_back(sender.currentTitle()); }
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = make<Window>();
    button = make<Button>(ButtonType::System, Rect{100, 100, 100, 40});
    window->addSubview(button);
  }
  void tap(Point p) {
    window->touchDown(p);
    window->touchUp(p);
  }
  void watch(Control& control, std::vector<std::string>& out) {
    const std::pair<ControlEvent, const char*> names[] = {
        {ControlEvent::TouchDown, "down"},         {ControlEvent::TouchDownRepeat, "repeat"},
        {ControlEvent::TouchDragInside, "in"},     {ControlEvent::TouchDragOutside, "out"},
        {ControlEvent::TouchDragEnter, "enter"},   {ControlEvent::TouchDragExit, "exit"},
        {ControlEvent::TouchUpInside, "up-in"},    {ControlEvent::TouchUpOutside, "up-out"},
        {ControlEvent::TouchCancel, "cancel"},     {ControlEvent::ValueChanged, "value"}};
    for (auto [event, name] : names) {
      std::string n = name;
      control.addTarget(&out, n, event, [&out, n](Control&) { out.push_back(n); });
    }
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<ManualClock> clock = env.clock();
  std::shared_ptr<Window> window;
  std::shared_ptr<Button> button;
};

TEST_F(ControlTest, AddingTheSameTargetAgainStillActsOnce) {
  TargetScreen screen;
  for (int appearance = 0; appearance < 3; ++appearance) {
    button->addTarget(&screen, &TargetScreen::pressed, ControlEvent::TouchUpInside);
    button->addTarget(&screen, &TargetScreen::touchedDown, ControlEvent::TouchDown);
  }
  EXPECT_EQ(button->numberOfActions(), 2u);
  tap({150, 120});
  EXPECT_EQ(screen.presses, 1);
  EXPECT_EQ(screen.downs, 1);
  // Another target, or another event for the same action, is a new pair.
  TargetScreen other;
  button->addTarget(&other, &TargetScreen::pressed, ControlEvent::TouchUpInside);
  button->addTarget(&screen, &TargetScreen::pressed, ControlEvent::TouchUpInside | ControlEvent::TouchUpOutside);
  EXPECT_EQ(button->numberOfActions(), 4u);
  tap({150, 120});
  EXPECT_EQ(screen.presses, 2);
  EXPECT_EQ(other.presses, 1);
  button->removeTarget(&screen, &TargetScreen::pressed, ControlEvent::TouchUpInside);
  tap({150, 120});
  EXPECT_EQ(screen.presses, 2);
  button->removeTarget(nullptr);
  EXPECT_EQ(button->numberOfActions(), 0u);
}

TEST_F(ControlTest, SenderIsHandedToActionsThatTakeIt) {
  TargetScreen screen;
  button->setTitle("Go");
  button->addTarget(&screen, &TargetScreen::pressedBy, ControlEvent::TouchUpInside);
  tap({150, 120});
  EXPECT_EQ(screen.senders, (std::vector<std::string>{"Go"}));
}

TEST_F(ControlTest, TouchEventsFollowTheFingerWithAMargin) {
  std::vector<std::string> events;
  watch(*button, events);
  window->touchDown({150, 120});
  EXPECT_TRUE(button->isHighlighted());
  window->touchMove({150, 180});  // below the bounds but within the margin
  window->touchMove({150, 300});
  EXPECT_FALSE(button->isHighlighted());
  window->touchMove({150, 130});
  window->touchMove({150, 400});
  window->touchUp({150, 400});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "in", "out", "exit", "in", "enter", "out", "exit", "up-out"}));
  EXPECT_FALSE(button->isTracking());
  events.clear();
  tap({150, 120});
  clock->advance(0.1);
  tap({150, 120});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "up-in", "down", "repeat", "up-in"}));
}

// A swipe or a drag that ends on a button (a bar's, a cell's) presses nothing; a finger's jitter does.
TEST_F(ControlTest, OnlyATapLiftsInside) {
  std::vector<std::string> events;
  watch(*button, events);
  window->touchDown({110, 120});
  window->touchMove({150, 120});
  EXPECT_FALSE(button->isHighlighted()) << "a finger past the slop no longer shows the button pressed";
  window->touchMove({190, 120});
  window->touchUp({190, 120});
  clock->advance(1);
  window->touchDown({150, 120});
  window->touchMove({165, 120});
  window->touchMove({150, 120});
  window->touchUp({150, 120});
  clock->advance(1);
  EXPECT_EQ(events, (std::vector<std::string>{"down", "in", "in", "up-out", "down", "in", "in", "up-out"}));
  events.clear();
  window->touchDown({150, 120});
  window->touchMove({156, 127});
  EXPECT_TRUE(button->isHighlighted());
  window->touchUp({156, 127});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "in", "up-in"}));
}

TEST_F(ControlTest, DisabledControlIgnoresButHoldsTouches) {
  auto behind = make<View>(window->bounds());
  auto tapBehind = std::make_shared<TapGestureRecognizer>();
  int behindTaps = 0;
  tapBehind->addTarget(this, "t", [&](GestureRecognizer&) { ++behindTaps; });
  behind->addGestureRecognizer(tapBehind);
  window->insertSubview(behind, 0);
  TargetScreen screen;
  button->addTarget(&screen, &TargetScreen::pressed, ControlEvent::TouchUpInside);
  button->setEnabled(false);
  EXPECT_EQ(button->state(), ControlState::Disabled);
  tap({150, 120});
  EXPECT_EQ(screen.presses, 0);
  EXPECT_EQ(behindTaps, 0);
}

// While the window refuses touches a new finger does nothing, a finger already down still lifts, and
// nested refusals end only with the last end.
TEST_F(ControlTest, ARefusingWindowIgnoresNewFingersButLetsOneDownLift) {
  std::vector<std::string> events;
  watch(*button, events);
  window->touchDown({150, 120});
  window->beginRefusingTouches();
  window->touchUp({150, 120});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "up-in"}));
  events.clear();
  window->beginRefusingTouches();
  tap({150, 120});
  window->endRefusingTouches();
  tap({150, 120});
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(window->isRefusingTouches());
  window->endRefusingTouches();
  window->endRefusingTouches();  // one end too many changes nothing
  clock->advance(1);
  tap({150, 120});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "up-in"}));
}

TEST_F(ControlTest, TapRecogniserAroundAButtonLeavesTheButtonItsTap) {
  auto around = std::make_shared<TapGestureRecognizer>();
  int aroundTaps = 0;
  around->addTarget(this, "t", [&](GestureRecognizer&) { ++aroundTaps; });
  window->addGestureRecognizer(around);
  TargetScreen screen;
  button->addTarget(&screen, &TargetScreen::pressed, ControlEvent::TouchUpInside);
  tap({150, 120});
  EXPECT_EQ(screen.presses, 1);
  EXPECT_EQ(aroundTaps, 0);
  tap({20, 400});
  EXPECT_EQ(aroundTaps, 1);
}

TEST_F(ControlTest, PanOfAScrollViewCancelsTheControlUnderIt) {
  auto scroll = make<ScrollView>(Rect{0, 300, 390, 100});
  scroll->setContentSize({1000, 100});
  auto inside = make<Button>(ButtonType::Custom, Rect{50, 20, 100, 40});
  scroll->addSubview(inside);
  window->addSubview(scroll);
  std::vector<std::string> events;
  watch(*inside, events);
  window->touchDown({100, 340});
  window->touchMove({60, 340});
  window->touchUp({60, 340});
  EXPECT_EQ(events, (std::vector<std::string>{"down", "cancel"}));
  EXPECT_FALSE(inside->isHighlighted());
  EXPECT_GT(scroll->contentOffset().x, 0);
}

TEST_F(ControlTest, ButtonTitlesAndColoursFollowTheState) {
  button->setTitle("Normal");
  button->setTitle("Pressed", ControlState::Highlighted);
  button->setTitleColor(Color::redColor());
  button->setTitleColor(Color::greenColor(), ControlState::Selected);
  EXPECT_EQ(button->currentTitle(), "Normal");
  EXPECT_EQ(button->titleLabel()->text(), "Normal");
  EXPECT_EQ(button->currentTitleColor(), Color::redColor());
  button->setSelected(true);
  EXPECT_EQ(button->currentTitleColor(), Color::greenColor());
  EXPECT_EQ(button->currentTitle(), "Normal");  // no selected title: the normal one
  button->setSelected(false);
  window->touchDown({150, 120});
  EXPECT_EQ(button->titleLabel()->text(), "Pressed");
  EXPECT_EQ(button->currentTitleColor().alpha(), Color::redColor().alpha() * 0.2);  // a pressed system title dims
  window->touchUp({150, 120});
  EXPECT_EQ(button->titleLabel()->text(), "Normal");
  // An attributed title wins over the plain one; removing it brings the plain one back.
  button->setAttributedTitle(AttributedString("Styled"));
  EXPECT_EQ(button->currentTitle(), "Styled");
  EXPECT_EQ(button->titleLabel()->text(), "Styled");
  button->setAttributedTitle(std::nullopt);
  EXPECT_EQ(button->titleLabel()->text(), "Normal");
  // A custom button without colours draws white; a system one the tint.
  auto custom = make<Button>(ButtonType::Custom);
  EXPECT_EQ(custom->currentTitleColor(), Color::whiteColor());
  auto system = make<Button>(ButtonType::System);
  system->setTintColor(Color::blueColor());
  EXPECT_EQ(system->currentTitleColor(), Color::blueColor());
}

TEST_F(ControlTest, SliderDragsItsThumbWithinTheLimits) {
  auto slider = make<Slider>(Rect{20, 500, 228, 40});
  slider->setMinimumValue(10);
  slider->setMaximumValue(110);
  slider->setValue(60);
  window->addSubview(slider);
  std::vector<float> values;
  slider->addTarget(this, "v", ControlEvent::ValueChanged, [&](Control& c) { values.push_back(static_cast<Slider&>(c).value()); });
  Rect thumb = slider->convertRectTo(slider->thumbRect(), nullptr);
  EXPECT_EQ(thumb.midX(), 20 + 100 + 14);
  window->touchDown({thumb.midX(), thumb.midY()});
  window->touchMove({thumb.midX() + 50, thumb.midY()});
  EXPECT_FLOAT_EQ(slider->value(), 85);
  window->touchMove({thumb.midX() + 500, thumb.midY()});
  window->touchUp({thumb.midX() + 500, thumb.midY()});
  EXPECT_EQ(values, (std::vector<float>{85, 110}));
  // Touching the track away from the thumb moves nothing; setting a value sends no event.
  window->touchDown({30, 520});
  window->touchMove({100, 520});
  window->touchUp({100, 520});
  slider->setValue(-5);
  EXPECT_EQ(slider->value(), 10);
  EXPECT_EQ(values.size(), 2u);
  // A slider that is not continuous reports once, on lift.
  slider->setContinuous(false);
  thumb = slider->convertRectTo(slider->thumbRect(), nullptr);
  window->touchDown({thumb.midX(), thumb.midY()});
  window->touchMove({thumb.midX() + 20, thumb.midY()});
  window->touchMove({thumb.midX() + 40, thumb.midY()});
  window->touchUp({thumb.midX() + 40, thumb.midY()});
  EXPECT_EQ(values.size(), 3u);
  EXPECT_FLOAT_EQ(values.back(), 30);
}

TEST_F(ControlTest, ToolbarLaysOutItemsAndRunsTheirActions) {
  auto bar = make<Toolbar>(Rect{0, 700, 390, 44});
  window->addSubview(bar);
  auto cancel = std::make_shared<BarButtonItem>(BarButtonSystemItem::Cancel);
  auto space = std::make_shared<BarButtonItem>(BarButtonSystemItem::FlexibleSpace);
  auto done = std::make_shared<BarButtonItem>("Next", BarButtonItemStyle::Done);
  auto custom = std::make_shared<BarButtonItem>(make<View>(Rect{0, 0, 30, 30}));
  TargetScreen screen;
  cancel->setAction(&screen, &TargetScreen::touchedDown);
  done->setAction(&screen, &TargetScreen::pressed);
  bar->setItems({cancel, space, custom, done});
  bar->layoutIfNeeded();
  EXPECT_EQ(cancel->title(), "Cancel");
  EXPECT_EQ(bar->buttonForItem(done.get())->titleLabel()->font().weight(), 700);
  Rect c = bar->frameForItem(cancel.get());
  Rect d = bar->frameForItem(done.get());
  Rect v = bar->frameForItem(custom.get());
  EXPECT_EQ(c.minX(), Toolbar::kMargin);
  EXPECT_EQ(d.maxX(), 390 - Toolbar::kMargin);  // the flexible space pushed the rest right
  EXPECT_EQ(v.maxX() + Toolbar::kSpacing, d.minX());
  EXPECT_EQ(v.height(), 30);
  tap(bar->convertPointTo(d.center(), nullptr));
  tap(bar->convertPointTo(c.center(), nullptr));
  EXPECT_EQ(screen.presses, 1);
  EXPECT_EQ(screen.downs, 1);
  done->setEnabled(false);
  done->performAction();
  EXPECT_EQ(screen.presses, 1);
}

}  // namespace
}  // namespace platform::ui
