#include "platform/ui/GestureRecognizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/SwipeGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

using foundation::Clock;
using foundation::ManualClock;
using State = GestureRecognizerState;

// A view that writes down what reached it.
class Pad : public View {
 public:
  using View::View;
  std::vector<std::string> seen;
  void touchesBegan(const Touches&, const Event*) override { seen.push_back("began"); }
  void touchesMoved(const Touches&, const Event*) override { seen.push_back("moved"); }
  void touchesEnded(const Touches&, const Event*) override { seen.push_back("ended"); }
  void touchesCancelled(const Touches&, const Event*) override { seen.push_back("cancelled"); }
};

struct Simultaneous : GestureRecognizerDelegate {
  bool gestureRecognizerShouldRecognizeSimultaneouslyWith(GestureRecognizer&, GestureRecognizer&) override {
    return true;
  }
};

class GestureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = make<Window>();
    outer = make<Pad>(Rect{0, 0, 390, 400});
    inner = make<Pad>(Rect{50, 50, 200, 200});
    outer->addSubview(inner);
    window->addSubview(outer);
  }
  template <class R>
  std::shared_ptr<R> add(View& view, std::string name) {
    auto r = std::make_shared<R>();
    r->addTarget(this, name, [this, name](GestureRecognizer& g) {
      log.push_back(name + ":" + std::to_string(static_cast<int>(g.state())));
    });
    view.addGestureRecognizer(r);
    return r;
  }
  void tap(Point p) {
    window->touchDown(p);
    window->touchUp(p);
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<ManualClock> clock = env.clock();
  std::shared_ptr<Window> window;
  std::shared_ptr<Pad> outer;
  std::shared_ptr<Pad> inner;
  std::vector<std::string> log;
};

constexpr int kBegan = static_cast<int>(State::Began);
constexpr int kChanged = static_cast<int>(State::Changed);
constexpr int kEnded = static_cast<int>(State::Ended);

TEST_F(GestureTest, DeepestRecogniserWinsAndTheOthersFail) {
  auto innerTap = add<TapGestureRecognizer>(*inner, "inner");
  auto outerTap = add<TapGestureRecognizer>(*outer, "outer");
  tap({100, 100});
  EXPECT_EQ(log, (std::vector<std::string>{"inner:" + std::to_string(kEnded)}));
  // The winner took the touch from the view.
  EXPECT_EQ(inner->seen, (std::vector<std::string>{"began", "cancelled"}));
  // Both are ready for the next touch; outside the inner view only the outer one sees it.
  EXPECT_EQ(innerTap->state(), State::Possible);
  EXPECT_EQ(outerTap->state(), State::Possible);
  tap({300, 300});
  EXPECT_EQ(log.back(), "outer:" + std::to_string(kEnded));
}

TEST_F(GestureTest, PanBeatsTapOnceTheFingerMoves) {
  add<TapGestureRecognizer>(*inner, "tap");
  auto pan = add<PanGestureRecognizer>(*outer, "pan");
  window->touchDown({100, 100});
  window->touchMove({104, 100});  // inside the hysteresis: nothing yet
  EXPECT_TRUE(log.empty());
  window->touchMove({130, 100});
  window->touchMove({140, 110});
  window->touchUp({140, 110});
  EXPECT_EQ(log, (std::vector<std::string>{"pan:" + std::to_string(kBegan), "pan:" + std::to_string(kChanged),
                                           "pan:" + std::to_string(kEnded)}));
  EXPECT_EQ(inner->seen, (std::vector<std::string>{"began", "moved", "cancelled"}));
}

TEST_F(GestureTest, KeepingTheTouchInTheView) {
  auto pan = add<PanGestureRecognizer>(*outer, "pan");
  pan->setCancelsTouchesInView(false);
  window->touchDown({100, 100});
  window->touchMove({150, 100});
  window->touchUp({150, 100});
  EXPECT_EQ(inner->seen, (std::vector<std::string>{"began", "moved", "ended"}));
}

TEST_F(GestureTest, DelegateCanLetTwoRecognisersShareATouch) {
  auto simultaneous = std::make_shared<Simultaneous>();
  auto a = add<PanGestureRecognizer>(*inner, "a");
  auto b = add<PanGestureRecognizer>(*outer, "b");
  a->setDelegate(simultaneous);
  window->touchDown({100, 100});
  window->touchMove({150, 100});
  window->touchUp({150, 100});
  EXPECT_EQ(std::count(log.begin(), log.end(), "a:" + std::to_string(kBegan)), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "b:" + std::to_string(kBegan)), 1);
}

TEST_F(GestureTest, PanTranslationVelocityAndReset) {
  auto pan = add<PanGestureRecognizer>(*outer, "pan");
  Point translation;
  Point velocity;
  pan->addTarget(this, "read", [&](GestureRecognizer&) {
    translation = pan->translationInView(outer.get());
    velocity = pan->velocityInView(outer.get());
    if (pan->state() != State::Ended) pan->setTranslation({0, 0}, outer.get());
  });
  window->touchDown({100, 100});
  clock->advance(0.02);
  window->touchMove({120, 100});
  EXPECT_EQ(translation.x, 20);
  clock->advance(0.02);
  window->touchMove({130, 100});
  EXPECT_EQ(translation.x, 10);  // measured from the reset, not from the start
  EXPECT_NEAR(velocity.x, 750, 1);
  clock->advance(0.5);  // resting before lifting leaves no speed to speak of
  window->touchUp({130, 100});
  EXPECT_LT(std::abs(velocity.x), 50);
}

TEST_F(GestureTest, DoubleTapNeedsTwoQuickTapsInOnePlace) {
  auto doubleTap = add<TapGestureRecognizer>(*inner, "double");
  doubleTap->setNumberOfTapsRequired(2);
  tap({100, 100});
  EXPECT_TRUE(log.empty());
  clock->advance(0.1);
  tap({103, 102});
  EXPECT_EQ(log, (std::vector<std::string>{"double:" + std::to_string(kEnded)}));
  // Too slow: the first tap times out on the clock.
  log.clear();
  tap({100, 100});
  clock->advance(1);
  EXPECT_EQ(doubleTap->state(), State::Possible);
  tap({100, 100});
  EXPECT_TRUE(log.empty());
  tap({100, 100});
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(GestureTest, TapFailsWhenTheFingerWanders) {
  add<TapGestureRecognizer>(*inner, "tap");
  window->touchDown({100, 100});
  window->touchMove({120, 100});
  window->touchUp({100, 100});
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(inner->seen.back(), "ended");
}

TEST_F(GestureTest, SwipeRecognisesOnlyItsDirection) {
  auto left = add<SwipeGestureRecognizer>(*outer, "left");
  left->setDirection(SwipeDirectionLeft);
  window->touchDown({200, 300});
  clock->advance(0.05);
  window->touchMove({120, 305});
  window->touchUp({120, 305});
  EXPECT_EQ(log, (std::vector<std::string>{"left:" + std::to_string(kEnded)}));
  // Rightwards, too slow, or too crooked: nothing.
  for (auto [to, wait] : {std::pair<Point, double>{{280, 300}, 0.05}, {{120, 300}, 0.8}, {{150, 360}, 0.05}}) {
    window->touchDown({200, 300});
    clock->advance(wait);
    window->touchMove(to);
    window->touchUp(to);
  }
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(GestureTest, LongPressBeginsOnTheClock) {
  auto press = add<LongPressGestureRecognizer>(*inner, "press");
  window->touchDown({100, 100});
  clock->advance(0.4);
  EXPECT_TRUE(log.empty());
  clock->advance(0.2);
  EXPECT_EQ(log, (std::vector<std::string>{"press:" + std::to_string(kBegan)}));
  EXPECT_EQ(inner->seen, (std::vector<std::string>{"began", "cancelled"}));
  window->touchMove({150, 100});
  window->touchUp({150, 100});
  EXPECT_EQ(log.back(), "press:" + std::to_string(kEnded));
  // Lifting early or wandering off fails it.
  log.clear();
  window->touchDown({100, 100});
  clock->advance(0.2);
  window->touchUp({100, 100});
  window->touchDown({100, 100});
  window->touchMove({130, 100});
  clock->advance(1);
  window->touchUp({130, 100});
  EXPECT_TRUE(log.empty());
}

TEST_F(GestureTest, DisabledOrDetachedRecognisersStayQuiet) {
  auto tap = add<TapGestureRecognizer>(*inner, "tap");
  tap->setEnabled(false);
  this->tap({100, 100});
  tap->setEnabled(true);
  inner->removeGestureRecognizer(tap.get());
  EXPECT_EQ(tap->view(), nullptr);
  this->tap({100, 100});
  EXPECT_TRUE(log.empty());
  // The view going away mid-touch ends the story without a call.
  auto pan = add<PanGestureRecognizer>(*inner, "pan");
  window->touchDown({100, 100});
  window->touchMove({150, 100});
  inner->removeGestureRecognizer(pan.get());
  window->touchMove({170, 100});
  window->touchUp({170, 100});
  EXPECT_EQ(log, (std::vector<std::string>{"pan:" + std::to_string(kBegan)}));
}

TEST_F(GestureTest, TouchesReachTheViewAndItsSuperviews) {
  auto plain = make<View>(Rect{10, 10, 50, 50});
  inner->addSubview(plain);
  window->touchDown({70, 70});
  window->touchUp({70, 70});
  // An unhandled touch passes up to the first view that handles it.
  EXPECT_EQ(inner->seen, (std::vector<std::string>{"began", "ended"}));
  EXPECT_EQ(window->touchDispatcher().activeTouches(), 0u);
}

TEST_F(GestureTest, TapCountsAndLocations) {
  std::vector<int> counts;
  std::vector<Point> where;
  class Counter : public View {
   public:
    Counter(std::vector<int>& c, std::vector<Point>& w) : View({0, 0, 100, 100}), counts(c), where(w) {}
    void touchesBegan(const Touches& t, const Event*) override {
      counts.push_back(t.front()->tapCount());
      where.push_back(t.front()->locationInView(this));
    }
    std::vector<int>& counts;
    std::vector<Point>& where;
  };
  auto counter = make<Counter>(counts, where);
  inner->addSubview(counter);
  tap({60, 60});
  tap({62, 60});
  tap({64, 60});
  clock->advance(1);
  tap({64, 60});
  EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, 1}));
  EXPECT_EQ(where.front(), (Point{10, 10}));
}

}  // namespace
}  // namespace platform::ui
