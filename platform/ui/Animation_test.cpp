#include "platform/ui/Animation.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/ShownValues.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

class AnimationTest : public ::testing::Test {
 protected:
  void advance(double seconds) { env.advance(seconds); }
  // What the layer draws for `key` right now.
  static AnimatableValue shown(Layer& layer, const std::string& key) {
    ShownValues values(layer);
    return *layer.animatableValue(key);
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<foundation::ManualClock> clock = env.clock();
};

TEST_F(AnimationTest, ModelTakesEndValuesAtOnceWhileTheDrawingMovesOnTheClock) {
  auto view = make<View>(Rect{0, 0, 100, 100});
  std::vector<bool> done;
  View::animate(1.0, 0.5, AnimationOptionCurveLinear, [&] {
    view->setFrame({200, 0, 100, 100});
    view->setAlpha(0);
  }, [&](bool finished) { done.push_back(finished); });
  EXPECT_EQ(view->frame(), Rect(200, 0, 100, 100));
  EXPECT_EQ(view->alpha(), 0);
  EXPECT_EQ(std::get<Point>(shown(view->layer(), "position")), Point(50, 50));  // still in its delay
  advance(1.0);  // half way through
  EXPECT_DOUBLE_EQ(std::get<Point>(shown(view->layer(), "position")).x, 150);
  EXPECT_DOUBLE_EQ(std::get<double>(shown(view->layer(), "opacity")), 0.5);
  EXPECT_TRUE(done.empty());
  advance(0.5);
  EXPECT_EQ(done, std::vector<bool>{true});
  EXPECT_TRUE(view->layer().animationKeys().empty());
}

TEST_F(AnimationTest, RemovedOrReplacedAnimationsFinishFalse) {
  auto view = make<View>(Rect{0, 0, 100, 100});
  std::vector<bool> first, second;
  View::animate(1.0, [&] { view->setAlpha(0.2); }, [&](bool f) { first.push_back(f); });
  view->layer().removeAllAnimations();
  EXPECT_TRUE(first.empty());  // never inside the removing call
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(first, std::vector<bool>{false});

  View::animate(1.0, [&] { view->setAlpha(0.5); }, [&](bool f) { second.push_back(f); });
  advance(0.5);
  View::animate(1.0, [&] { view->setAlpha(1); }, [&](bool f) { second.push_back(f); });
  // The new animation starts from what was on show, not from the old model value.
  auto running = std::dynamic_pointer_cast<BasicAnimation>(view->layer().animationForKey("opacity"));
  ASSERT_TRUE(running);
  EXPECT_NEAR(std::get<double>(*running->fromValue), 0.35, 1e-9);
  advance(2);
  EXPECT_EQ(second, (std::vector<bool>{false, true}));
  advance(5);
  EXPECT_EQ(first.size(), 1u);  // the removed one's timer does not call again
}

TEST_F(AnimationTest, ABlockWithoutChangesStillCompletesOnTheClock) {
  std::vector<bool> done;
  View::animate(0.3, 0.2, AnimationOptionNone, [] {}, [&](bool f) { done.push_back(f); });
  advance(0.4);
  EXPECT_TRUE(done.empty());
  advance(0.1);
  EXPECT_EQ(done, std::vector<bool>{true});
}

TEST_F(AnimationTest, LayoutInsideTheBlockRunsAtOnceAndIsAnimated) {
  struct Column : View {
    using View::View;
    std::shared_ptr<View> child = make<View>(Rect{0, 0, 10, 10});
    double offset = 0;
    void layoutSubviews() override { child->setFrame({offset, 0, 10, 10}); }
  };
  auto column = make<Column>(Rect{0, 0, 200, 50});
  column->addSubview(column->child);
  column->layoutIfNeeded();
  View::animate(1.0, 0, AnimationOptionCurveLinear, [&] {
    column->offset = 100;
    column->setNeedsLayout();
    column->layoutIfNeeded();
  });
  EXPECT_EQ(column->child->frame().origin.x, 100);
  advance(0.25);
  EXPECT_DOUBLE_EQ(std::get<Point>(shown(column->child->layer(), "position")).x, 30);
}

TEST_F(AnimationTest, AnOffsetChangeInsideABlockScrollsOnceToTheEnd) {
  struct Recorder : ScrollViewDelegate {
    std::vector<double> offsets;
    void scrollViewDidScroll(ScrollView& view) override { offsets.push_back(view.contentOffset().x); }
  } recorder;
  auto scroll = make<ScrollView>(Rect{0, 0, 100, 50});
  scroll->setContentSize({1000, 50});
  scroll->setDelegate(&recorder);
  View::animate(0.2, 0, AnimationOptionCurveLinear, [&] { scroll->setContentOffset({400, 0}); });
  EXPECT_EQ(recorder.offsets, std::vector<double>{400});
  advance(0.1);
  EXPECT_DOUBLE_EQ(std::get<Rect>(shown(scroll->layer(), "bounds")).origin.x, 200);
  advance(0.1);
  EXPECT_EQ(recorder.offsets.size(), 1u);
}

TEST_F(AnimationTest, WithoutAnimationAndNestedBlocks) {
  auto view = make<View>(Rect{0, 0, 10, 10});
  View::animate(1.0, [&] {
    View::performWithoutAnimation([&] { view->setAlpha(0.5); });
  });
  EXPECT_TRUE(view->layer().animationKeys().empty());
  View::animate(1.0, [&] { View::animate(0.1, [&] { view->setAlpha(1); }); });
  auto inner = view->layer().animationForKey("opacity");
  ASSERT_TRUE(inner);
  EXPECT_DOUBLE_EQ(inner->duration, 0.1);
}

TEST_F(AnimationTest, CurvesAndSprings) {
  EXPECT_DOUBLE_EQ(applyTiming(TimingFunction::Linear, 0.3), 0.3);
  EXPECT_LT(applyTiming(TimingFunction::EaseIn, 0.3), 0.3);
  EXPECT_GT(applyTiming(TimingFunction::EaseOut, 0.3), 0.3);
  EXPECT_NEAR(applyTiming(TimingFunction::EaseInEaseOut, 0.5), 0.5, 1e-6);
  EXPECT_DOUBLE_EQ(applyTiming(TimingFunction::EaseOut, 1), 1);

  SpringAnimation bouncy("opacity");
  bouncy.duration = 1;
  bouncy.dampingRatio = 0.3;
  double peak = 0;
  for (double t = 0; t < 1; t += 0.01) peak = std::max(peak, bouncy.progressAt(t));
  EXPECT_GT(peak, 1.05);  // overshoots
  EXPECT_DOUBLE_EQ(bouncy.progressAt(1), 1);
  SpringAnimation calm("opacity");
  calm.duration = 1;
  calm.dampingRatio = 1;
  for (double t = 0; t < 1; t += 0.01) EXPECT_LE(calm.progressAt(t), 1.0 + 1e-9);

  auto view = make<View>(Rect{0, 0, 10, 10});
  std::vector<bool> done;
  View::animateWithSpring(0.5, 0, 0.5, 0, AnimationOptionNone, [&] { view->setCenter({100, 0}); },
                          [&](bool f) { done.push_back(f); });
  EXPECT_TRUE(std::dynamic_pointer_cast<SpringAnimation>(view->layer().animationForKey("position")));
  advance(0.5);
  EXPECT_EQ(done, std::vector<bool>{true});
}

TEST_F(AnimationTest, ColoursMixPremultiplied) {
  auto mixed = std::get<Color>(interpolate(Color::clearColor(), Color::redColor(), 0.5));
  EXPECT_DOUBLE_EQ(mixed.red(), 1);  // fading in from clear keeps the hue
  EXPECT_DOUBLE_EQ(mixed.alpha(), 0.5);
}

TEST_F(AnimationTest, PathAnimationOnAShapeLayer) {
  auto layer = make<ShapeLayer>();
  graphics::Path from, to;
  from.moveTo({0, 0});
  from.lineTo({10, 0});
  to.moveTo({0, 0});
  to.lineTo({30, 20});
  layer->setPath(to);
  auto move = std::make_shared<BasicAnimation>("path");
  move->fromValue = from;
  move->toValue = to;
  move->duration = 0.1;
  std::vector<bool> done;
  move->didStop = [&](bool f) { done.push_back(f); };
  layer->addAnimation(move, "path");
  advance(0.05);
  auto mid = std::get<graphics::Path>(shown(*layer, "path"));
  EXPECT_EQ(mid.elements()[1].points[0], Point(20, 10));
  EXPECT_EQ(layer->path(), to);  // the model keeps the new path
  advance(0.05);
  EXPECT_EQ(done, std::vector<bool>{true});
  // Paths of different shapes do not mix: the new one shows.
  graphics::Path other = graphics::Path::rect({0, 0, 5, 5});
  EXPECT_EQ(std::get<graphics::Path>(interpolate(from, other, 0.5)), other);
}

TEST_F(AnimationTest, PushTransitionFromBottomSlidesTheOldPictureUp) {
  Transition push;
  push.type = TransitionType::Push;
  push.subtype = TransitionSubtype::FromBottom;
  auto place = push.placementAt(0.25, {100, 200});
  EXPECT_EQ(place.incoming, Point(0, 150));
  EXPECT_EQ(place.outgoing, Point(0, -50));
  push.subtype = TransitionSubtype::FromTop;
  EXPECT_EQ(push.placementAt(0.25, {100, 200}).incoming, Point(0, -150));

  // On screen: a red screen pushed away by a blue one from the bottom, half way.
  auto window = make<Window>(Screen::named("phone-small"));
  auto screen = make<View>(window->bounds());
  screen->setBackgroundColor(Color::redColor());
  window->addSubview(screen);
  auto transition = std::make_shared<Transition>();
  transition->type = TransitionType::Push;
  transition->subtype = TransitionSubtype::FromBottom;
  transition->duration = 0.3;
  screen->layer().addAnimation(transition, "anything");
  EXPECT_TRUE(screen->layer().animationForKey(kTransitionKey));
  screen->setBackgroundColor(Color::blueColor());
  advance(0.15);
  auto image = Renderer::render(*window);
  ASSERT_TRUE(image);
  auto top = image->pixel(100, 100);
  auto bottom = image->pixel(100, image->pixelHeight() - 100);
  EXPECT_GT(top.red(), 0.9);
  EXPECT_GT(bottom.blue(), 0.9);
  advance(0.2);
  EXPECT_GT(Renderer::render(*window)->pixel(100, 100).blue(), 0.9);
}

}  // namespace
}  // namespace platform::ui
