#include "platform/ui/ScrollView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

using foundation::Clock;
using foundation::ManualClock;

// Writes every delegate call down, with the offset it saw.
struct Recorder : ScrollViewDelegate {
  std::vector<std::string> calls;
  std::vector<double> scrolledTo;
  void scrollViewDidScroll(ScrollView& s) override {
    calls.push_back("scroll");
    scrolledTo.push_back(s.contentOffset().x);
  }
  void scrollViewWillBeginDragging(ScrollView&) override { calls.push_back("willBeginDragging"); }
  void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
    calls.push_back(decelerate ? "didEndDragging(decelerate)" : "didEndDragging");
  }
  void scrollViewWillBeginDecelerating(ScrollView&) override { calls.push_back("willBeginDecelerating"); }
  void scrollViewDidEndDecelerating(ScrollView&) override { calls.push_back("didEndDecelerating"); }
  void scrollViewDidEndScrollingAnimation(ScrollView&) override { calls.push_back("didEndAnimation"); }

  // The calls with runs of "scroll" folded into one "scroll*".
  std::vector<std::string> folded() const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
      if (c == "scroll" && !out.empty() && out.back() == "scroll*") continue;
      out.push_back(c == "scroll" ? "scroll*" : c);
    }
    return out;
  }
};

class ScrollViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = make<Window>();
    scroll = make<ScrollView>(Rect{0, 100, 300, 60});
    scroll->setContentSize({1500, 60});
    scroll->setDelegate(&recorder);
    window->addSubview(scroll);
  }
  // A horizontal drag from x0 to x1 at y 130 in `steps` moves, `dt` seconds apart.
  void drag(double x0, double x1, int steps, double dt) {
    window->touchDown({x0, 130});
    for (int i = 1; i <= steps; ++i) {
      clock->advance(dt);
      window->touchMove({x0 + (x1 - x0) * i / steps, 130});
    }
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<ManualClock> clock = env.clock();
  std::shared_ptr<Window> window;
  std::shared_ptr<ScrollView> scroll;
  Recorder recorder;
};

TEST_F(ScrollViewTest, SlowDragEndsWithoutCoasting) {
  drag(250, 150, 10, 0.05);
  clock->advance(0.3);  // the finger rests before it lifts
  window->touchUp({150, 130});
  // The drag follows the finger once it passed the hysteresis, without a jump.
  EXPECT_EQ(scroll->contentOffset().x, 90);
  // The first move reaches the hysteresis and only begins the drag; each later one scrolls once.
  std::vector<std::string> exact{"willBeginDragging"};
  exact.insert(exact.end(), 9, "scroll");
  exact.push_back("didEndDragging");
  EXPECT_EQ(recorder.calls, exact);
  EXPECT_FALSE(scroll->isDragging());
  EXPECT_FALSE(scroll->isTracking());
  clock->advance(2);
  EXPECT_EQ(recorder.calls.back(), "didEndDragging");
}

TEST_F(ScrollViewTest, FlingCoastsOnTheClockAndEnds) {
  drag(250, 100, 5, 0.01);
  window->touchUp({100, 130});
  EXPECT_TRUE(scroll->isDecelerating());
  double released = scroll->contentOffset().x;
  size_t before = recorder.calls.size();
  clock->advance(0.1);
  EXPECT_GT(recorder.calls.size(), before);  // steps run on the clock, each reporting the move
  clock->advance(10);
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_GT(scroll->contentOffset().x, released);
  EXPECT_EQ(recorder.folded(),
            (std::vector<std::string>{"willBeginDragging", "scroll*", "didEndDragging(decelerate)",
                                      "willBeginDecelerating", "scroll*", "didEndDecelerating"}));
  // Every reported position was new and moved one way.
  for (size_t i = 1; i < recorder.scrolledTo.size(); ++i) EXPECT_GT(recorder.scrolledTo[i], recorder.scrolledTo[i - 1]);
}

TEST_F(ScrollViewTest, CoastStopsAtTheEdgeWithoutBouncing) {
  scroll->setContentOffset({950, 0});
  recorder.calls.clear();
  drag(250, 50, 4, 0.01);
  window->touchUp({50, 130});
  clock->advance(10);
  EXPECT_EQ(scroll->contentOffset().x, 1200);
  EXPECT_EQ(recorder.calls.back(), "didEndDecelerating");
  // At the edge already, a fling further that way does not coast at all.
  recorder.calls.clear();
  drag(250, 150, 4, 0.01);
  window->touchUp({150, 130});
  EXPECT_EQ(recorder.calls.back(), "didEndDragging");
}

TEST_F(ScrollViewTest, SettingTheOffsetStopsACoast) {
  drag(250, 100, 5, 0.01);
  window->touchUp({100, 130});
  clock->advance(0.05);
  ASSERT_TRUE(scroll->isDecelerating());
  recorder.calls.clear();
  // Setting the offset it already has reports nothing but still stops the coast.
  scroll->setContentOffset(scroll->contentOffset());
  EXPECT_FALSE(scroll->isDecelerating());
  clock->advance(5);
  EXPECT_TRUE(recorder.calls.empty());
  scroll->setContentOffset({40, 0});
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"scroll"}));
  scroll->setContentOffset({40, 0});
  EXPECT_EQ(recorder.calls.size(), 1u);
}

TEST_F(ScrollViewTest, TouchStopsACoastAndTheTapGoesNowhere) {
  auto content = make<View>(Rect{0, 0, 1500, 60});
  auto tap = std::make_shared<TapGestureRecognizer>();
  int taps = 0;
  tap->addTarget(this, "tap", [&](GestureRecognizer&) { ++taps; });
  content->addGestureRecognizer(tap);
  scroll->addSubview(content);
  drag(250, 100, 5, 0.01);
  window->touchUp({100, 130});
  clock->advance(0.05);
  window->touchDown({150, 130});
  EXPECT_FALSE(scroll->isDecelerating());
  double held = scroll->contentOffset().x;
  clock->advance(1);
  EXPECT_EQ(scroll->contentOffset().x, held);
  window->touchUp({150, 130});
  EXPECT_EQ(taps, 0);
  EXPECT_EQ(recorder.calls.back(), "didEndDecelerating");
  // Once still, the content takes taps again.
  window->touchDown({150, 130});
  window->touchUp({150, 130});
  EXPECT_EQ(taps, 1);
}

TEST_F(ScrollViewTest, OffsetsAreClampedToContentAndInsets) {
  scroll->setContentOffset({-50, 20});
  EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
  scroll->setContentInset({0, 30, 0, 30});
  scroll->setContentOffset({-50, 0});
  EXPECT_EQ(scroll->contentOffset().x, -30);
  scroll->setContentOffset({5000, 0});
  EXPECT_EQ(scroll->contentOffset().x, 1230);
  EXPECT_EQ(scroll->bounds().origin.x, 1230);
  // Shrinking the content pulls the offset back into range and says so.
  recorder.calls.clear();
  scroll->setContentSize({400, 60});
  EXPECT_EQ(scroll->contentOffset().x, 130);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"scroll"}));
}

TEST_F(ScrollViewTest, AnimatedOffsetStepsThenReportsItsEnd) {
  scroll->setContentOffset({600, 0}, true);
  EXPECT_EQ(scroll->contentOffset().x, 0);
  clock->advance(1);
  EXPECT_EQ(scroll->contentOffset().x, 600);
  EXPECT_EQ(recorder.folded(), (std::vector<std::string>{"scroll*", "didEndAnimation"}));
  EXPECT_EQ(recorder.scrolledTo.back(), 600);
}

TEST_F(ScrollViewTest, VerticalDragOnAHorizontalScrollerIsNotADrag) {
  window->touchDown({150, 110});
  window->touchMove({152, 150});
  window->touchUp({152, 150});
  EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(ScrollViewTest, WheelMovesWithinRange) {
  EXPECT_TRUE(window->scrollWheel({150, 130}, 100, 0));
  EXPECT_EQ(scroll->contentOffset().x, 100);
  EXPECT_FALSE(window->scrollWheel({150, 130}, -500, 0) && scroll->contentOffset().x != 0);
  EXPECT_EQ(scroll->contentOffset().x, 0);
  EXPECT_FALSE(window->scrollWheel({150, 130}, -10, 0));
  EXPECT_FALSE(window->scrollWheel({150, 400}, 10, 0));  // not over the scroll view
}

// A burst of wheel steps reaches the delegate as a short drag that ends once the wheel rests, so
// what a delegate does when a drag ends (snapping, taking the value under a marker) follows a wheel.
TEST_F(ScrollViewTest, AWheelBurstIsToldAsADragThatEndsWhenTheWheelRests) {
  EXPECT_FALSE(window->scrollWheel({150, 130}, -10, 0)) << "at the start already: no step, no burst";
  EXPECT_TRUE(recorder.calls.empty());
  for (int step = 0; step < 3; ++step) {
    EXPECT_TRUE(window->scrollWheel({150, 130}, 40, 0));
    clock->advance(ScrollView::kWheelQuietInterval - 0.05);
  }
  EXPECT_TRUE(scroll->isDragging());
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"willBeginDragging", "scroll", "scroll", "scroll"}))
      << "steps within one burst do not end it";
  EXPECT_EQ(recorder.scrolledTo, (std::vector<double>{40, 80, 120}));
  clock->advance(0.1);
  EXPECT_EQ(recorder.calls.back(), "didEndDragging");
  EXPECT_FALSE(scroll->isDragging());
  clock->advance(2);
  EXPECT_EQ(recorder.calls.size(), 5u) << "it ends once";

  // The next step begins a new burst; one against the edge mid-burst neither moves nor lengthens it.
  recorder.calls.clear();
  EXPECT_TRUE(window->scrollWheel({150, 130}, -120, 0));
  clock->advance(0.2);
  EXPECT_FALSE(window->scrollWheel({150, 130}, -40, 0));
  clock->advance(ScrollView::kWheelQuietInterval - 0.15);  // past the first step's rest, short of a second's
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"willBeginDragging", "scroll", "didEndDragging"}));
}

TEST_F(ScrollViewTest, AFingerEndsAWheelBurstBeforeItsOwnDrag) {
  EXPECT_TRUE(window->scrollWheel({150, 130}, 100, 0));
  drag(250, 150, 5, 0.05);
  EXPECT_FALSE(window->scrollWheel({150, 130}, 40, 0)) << "the wheel waits for the finger";
  clock->advance(0.3);
  window->touchUp({150, 130});
  clock->advance(2);
  const std::vector<std::string> twoDrags{"willBeginDragging", "scroll*", "didEndDragging",
                                          "willBeginDragging", "scroll*", "didEndDragging"};
  EXPECT_EQ(recorder.folded(), twoDrags);

  // Under a finger that rests, the wheel may begin a burst: the finger's drag ends it when it begins.
  recorder.calls.clear();
  window->touchDown({250, 130});
  EXPECT_TRUE(window->scrollWheel({150, 130}, -40, 0));
  for (double x : {225.0, 200.0}) {
    clock->advance(0.05);
    window->touchMove({x, 130});
  }
  clock->advance(0.3);
  window->touchUp({200, 130});
  clock->advance(2);
  EXPECT_EQ(recorder.folded(), twoDrags);
}

TEST_F(ScrollViewTest, IndicatorsShowWhileTheContentMovesThenGo) {
  scroll->setBackgroundColor(Color::whiteColor());
  // The red channel of the screen's pixel at the middle of the bottom bar.
  auto barRed = [&] {
    auto image = Renderer::render(*window);
    Point mid = scroll->convertPointTo(scroll->horizontalScrollIndicatorFrame().center(), nullptr);
    return image->pixelBytes(static_cast<int>(mid.x * 2), static_cast<int>(mid.y * 2))[0];
  };
  // Only sideways content: one bar along the bottom, as long as the visible share of the track.
  EXPECT_TRUE(scroll->verticalScrollIndicatorFrame().isEmpty());
  Rect bar = scroll->horizontalScrollIndicatorFrame();
  EXPECT_EQ(bar.origin, (Point{3, 54}));
  EXPECT_NEAR(bar.width(), 294.0 * 300 / 1500, 1e-9);
  scroll->setContentOffset({1200, 0});
  EXPECT_NEAR(scroll->horizontalScrollIndicatorFrame().maxX(), 1200 + 300 - 3, 1e-9) << "at the end of its track";
  EXPECT_FALSE(scroll->areScrollIndicatorsVisible()) << "an offset set in code does not show them";
  EXPECT_EQ(barRed(), 255);

  scroll->setContentOffset({0, 0});
  drag(250, 150, 10, 0.05);
  EXPECT_TRUE(scroll->areScrollIndicatorsVisible());
  EXPECT_LT(barRed(), 200) << "drawn over the content while the finger drags";
  clock->advance(0.3);
  window->touchUp({150, 130});
  clock->advance(ScrollView::kIndicatorLinger - ScrollView::kIndicatorFade - 0.05);
  EXPECT_EQ(scroll->scrollIndicatorAlpha(), 1) << "they stay a moment after the finger lifts";
  const int solid = barRed();
  clock->advance(ScrollView::kIndicatorFade / 2 + 0.05);
  EXPECT_NEAR(scroll->scrollIndicatorAlpha(), 0.5, 1e-9) << "then fade";
  EXPECT_GT(barRed(), solid);
  EXPECT_LT(barRed(), 255);
  clock->advance(ScrollView::kIndicatorFade / 2 - 0.01);
  EXPECT_TRUE(scroll->areScrollIndicatorsVisible());
  clock->advance(0.02);
  EXPECT_FALSE(scroll->areScrollIndicatorsVisible());
  EXPECT_EQ(barRed(), 255);

  // Insets keep the bar clear of what covers the edges; with content both ways the bars share the corner.
  scroll->setScrollIndicatorInsets({0, 10, 5, 0});
  scroll->setContentSize({1500, 600});
  scroll->setContentOffset({0, 0});
  EXPECT_EQ(scroll->horizontalScrollIndicatorFrame().origin, (Point{13, 49}));
  EXPECT_NEAR(scroll->horizontalScrollIndicatorFrame().width(), (300 - 10 - 12) * 300 / 1500.0, 1e-9);
  Rect side = scroll->verticalScrollIndicatorFrame();
  EXPECT_EQ(side.origin, (Point{294, 3}));
  EXPECT_EQ(side.height(), ScrollView::kIndicatorMinimumLength) << "never shorter than a fingertip's mark";
  scroll->setShowsHorizontalScrollIndicator(false);
  EXPECT_TRUE(scroll->horizontalScrollIndicatorFrame().isEmpty());
}

}  // namespace
}  // namespace platform::ui
