// The bars in a window, dragged, flung and tapped with the manual clock.
#include <gtest/gtest.h>

#include <cmath>

#include "app/kit/UIConstants.h"
#include "app/main/BarTestSupport.h"
#include "platform/ui/PanGestureRecognizer.h"

namespace app::main {

namespace {

using namespace ostrel::testing;

class BarBehaviourTest : public ::testing::Test, public BarTest {
 protected:
  std::shared_ptr<InputScrollView> primes() {
    return bar(0, package("Prime Lens", {lens(25), lens(50), lens(100)}));
  }
  // Where the 50 mm mark of primes() lies.
  double fiftyMark(const InputScrollView& b) const { return b.positionForFocalLength(50); }
};

TEST_F(BarBehaviourTest, WithSnapOffAnEndedDragStillUpdatesThePrimeIndex) {
  settings().snap = false;
  auto b = primes();
  drag(*b, -360, 30, false);
  const double resting = b->position();
  EXPECT_GT(resting, 300);
  env.advance(1);
  EXPECT_EQ(b->position(), resting);  // no snap
  ASSERT_FALSE(recorder.primeIndexes.empty());
  EXPECT_EQ(recorder.primeIndexes.back(), std::fabs(resting - fiftyMark(*b)) < 3 ? 1 : -1);
  EXPECT_EQ(recorder.matchUpdates, 1);
  EXPECT_EQ(recorder.blocks, (std::vector<bool>{true, false}));
}

TEST_F(BarBehaviourTest, AFlingSnapsAndUpdatesOnlyAfterTheDeceleration) {
  auto b = primes();
  drag(*b, -150, 5, true);
  EXPECT_TRUE(recorder.primeIndexes.empty());
  EXPECT_EQ(recorder.blocks, (std::vector<bool>{true, false}));
  env.advance(5);
  ASSERT_FALSE(recorder.primeIndexes.empty());
  EXPECT_EQ(recorder.blocks, (std::vector<bool>{true, false, false}));
  env.advance(0.3);
  // It came to rest on a mark (the nearest of the deceleration's end).
  const double x = b->position();
  bool onMark = false;
  for (float f : {25.0f, 50.0f, 100.0f}) onMark |= std::fabs(x - b->positionForFocalLength(f)) < 0.5;
  EXPECT_TRUE(onMark) << x;
}

TEST_F(BarBehaviourTest, TappingTwiceBesideAMarkSnapsBothTimes) {
  auto b = primes();
  const double mark = fiftyMark(*b);
  b->setFocalLength(b->focalLengthAt(mark - 60), false);
  tapScale(*b, mark + 10);
  env.advance(0.4);
  EXPECT_NEAR(b->position(), mark, 1e-3);
  ASSERT_FALSE(recorder.focalLengths.empty());
  EXPECT_FLOAT_EQ(recorder.focalLengths.back(), 50);  // the exact mark while snapped
  EXPECT_EQ(recorder.primeIndexes.back(), 1);

  tapScale(*b, mark + 10);
  env.advance(0.15);  // the move to the tapped point, whose end snaps back
  env.advance(0.4);
  EXPECT_NEAR(b->position(), mark, 1e-3);
}

TEST_F(BarBehaviourTest, ReleasingTwiceBesideAMarkSnapsOnlyTheFirstTime) {
  auto b = primes();
  const double mark = fiftyMark(*b);
  b->setFocalLength(b->focalLengthAt(mark - 40), false);
  drag(*b, -30, 10, false);
  env.advance(0.3);
  EXPECT_NEAR(b->position(), mark, 1e-3);
  drag(*b, 15, 10, false);
  env.advance(0.3);
  const double released = b->position();
  EXPECT_GT(std::fabs(released - mark), 3);
  EXPECT_LT(std::fabs(released - mark), 20);
  EXPECT_EQ(b->lastFLSnapPosition(), -1000);
}

TEST_F(BarBehaviourTest, TheCloseFocusWinsTheSnap) {
  auto b = bar(2, package("Prime Lens", {lens(50, "T2", "T22", "0.45m | 1'6\"")}));
  const double closeFocus = b->positionForDistance(0.45f), mark = b->positionForDistance(0.4f);
  ASSERT_LT(std::fabs(closeFocus - mark), 40);
  const double between = (closeFocus + mark) / 2;
  b->setDistance(0.6f, false);
  tapScale(*b, between);
  env.advance(0.4);
  EXPECT_NEAR(b->position(), closeFocus, 0.5);
  EXPECT_NEAR(recorder.distances.back(), 0.45, 1e-3);
}

TEST_F(BarBehaviourTest, AValueBelowTheScaleTurnsTheMarkerRed) {
  auto b = primes();
  b->setFocalLength(35, false);
  b->setFocalLength(18, false);
  EXPECT_EQ(b->position(), 0);
  EXPECT_EQ(b->markerView()->backgroundColor(), kit::UIConstants::redWarning());
  EXPECT_EQ(recorder.outOfRange, std::vector<int>{0});
  EXPECT_NEAR(recorder.focalLengths.back(), 25, 1e-3);
  b->setFocalLength(50, true);
  EXPECT_EQ(b->markerView()->backgroundColor(), kit::UIConstants::blue());
  env.advance(0.4);
  EXPECT_NEAR(recorder.focalLengths.back(), 50, 0.01);

  // A drag hides the warning; package two's marker is green.
  b->setFocalLength(2000, false);
  EXPECT_EQ(b->position(), b->scaleWidth());
  b->makeSecondCamera();
  drag(*b, 10, 5, false);
  EXPECT_EQ(b->markerView()->backgroundColor(), kit::UIConstants::secondCameraGreen());
}

// A value at a scale's own end (a zoom's long end, the last distance) is on the scale,
// whatever the single-precision positions make of the end; a value past it is not.
TEST_F(BarBehaviourTest, AScalesOwnEndsAreInRange) {
  const float zooms[][2] = {{36, 435}, {24, 290}, {18, 80}, {15.5f, 45}, {45, 250}};
  for (float sensorWidth : {24.89f, 36.0f, 54.12f, 12.5f, 27.99f}) {
    for (const auto& z : zooms) {
      SCOPED_TRACE(testing::Message() << z[0] << "-" << z[1] << " on " << sensorWidth << " mm");
      recorder.outOfRange.clear();
      auto b = bar(0, package("Zoom Lens", {zoom(z[0], z[1])}), sensorWidth);
      b->setFocalLength(z[1], false);
      b->setFocalLength(z[0], false);
      b->setFocalLength(z[1] - 1, false);
      EXPECT_TRUE(recorder.outOfRange.empty());
      b->setFocalLength(z[1] + 1, false);
      EXPECT_EQ(recorder.outOfRange, std::vector<int>{0});
      b->removeFromSuperview();
    }
  }
  // The distance scale's last mark (100 m, 300 ft) too, in either system.
  for (int system : {0, 1}) {
    settings().measurementSystem = system;
    recorder.outOfRange.clear();
    auto distance = bar(2, package("Prime Lens", {lens(50)}));
    distance->setDistance(distance->distanceAt(distance->scaleWidth()), false);
    EXPECT_EQ(distance->position(), distance->scaleWidth());
    distance->setDistance(distance->distanceAt(0), false);
    EXPECT_TRUE(recorder.outOfRange.empty()) << system;
  }
}

TEST_F(BarBehaviourTest, ProgrammaticMovesGiveNoTicks) {
  auto b = primes();
  auto aperture = bar(1, package("Prime Lens", {lens(50, "T1.4", "T22")}));
  b->setFocalLength(50, false);
  b->setFocalLength(100, true);
  aperture->setAperture(2.8f, false);
  aperture->setAperture(1.4f, true);
  env.advance(0.5);
  EXPECT_EQ(ticks(), 0u);
  EXPECT_TRUE(settings().hapticFeedback);

  // Dragged by hand across the 50 mm mark, the bar ticks.
  b->setFocalLength(b->focalLengthAt(fiftyMark(*b) - 30), false);
  settings().snap = false;
  drag(*b, -60, 30, false);
  ASSERT_GE(ticks(), 1u);
  EXPECT_EQ(platform::ui::ImpactFeedbackGenerator::ticks().front().style,
            platform::ui::ImpactFeedbackGenerator::Style::Heavy);
}

// A hand on the aperture bar feels the f/2.8 mark within half a tenth of a stop on either side of it,
// coming from below or from above.
TEST_F(BarBehaviourTest, TheApertureTicksJustBeforeAndJustAfterAStop) {
  settings().snap = false;
  auto b = bar(1, package("Prime Lens", {lens(50, "T1.4", "T22")}));
  const double step = 80, mark = stops(2.8);  // 4.97 stops above f/0.5
  for (double end : {mark - 0.02, mark + 0.06}) {
    SCOPED_TRACE(end);
    // Start half a stop away, between marks, and drag to just beside the mark.
    const double start = end < mark ? mark - 0.5 : mark + 0.5;
    b->setAperture(static_cast<float>(std::pow(2.0, start / 2) / 2), false);
    env.advance(0.5);
    platform::ui::ImpactFeedbackGenerator::clearTicks();
    // The finger travels the pan's hysteresis before the bar follows it.
    const double travel = (end - start) * step;
    drag(*b, -(travel + std::copysign(platform::ui::PanGestureRecognizer::kHysteresis, travel)), 10, false);
    ASSERT_NEAR(b->position() / step, end, 0.01);
    EXPECT_EQ(ticks(), 1u);
  }
}

TEST_F(BarBehaviourTest, ApertureSnapsToTheNearestStop) {
  auto b = bar(1, package("Prime Lens", {lens(50, "T1.4", "T22")}));
  b->setAperture(2, false);
  tapScale(*b, stops(2.8) * 80 + 12);
  env.advance(0.4);
  EXPECT_NEAR(b->position(), stops(2.8) * 80, 1e-3);
  EXPECT_NEAR(recorder.apertures.back(), 2.8, 0.01);
  tapScale(*b, stops(1.4) * 80 - 15);  // the lens limit
  env.advance(0.4);
  EXPECT_NEAR(b->position(), stops(1.4) * 80, 1e-3);
}

TEST_F(BarBehaviourTest, TapsBesideTheScaleGoToItsEnds) {
  auto b = primes();
  const auto content = b->scrollContentView();
  auto tapContent = [&](double x, double y) {
    const auto p = content->convertPointTo({x, y}, nullptr);
    window->touchDown(p);
    window->touchUp(p);
    env.advance(0.4);
  };
  const double inset = b->scrollView()->bounds().size.width / 2;
  const double rightOfScale = inset + b->scaleWidth() + 30;
  b->setFocalLength(b->focalLengthAt(b->scaleWidth() - 100), false);
  const double before = b->position();
  tapContent(rightOfScale, 60);  // below the band that takes taps: nothing
  EXPECT_EQ(b->position(), before);
  tapContent(rightOfScale, 30);
  EXPECT_NEAR(b->position(), b->scaleWidth(), 1e-3);
  b->setFocalLength(b->focalLengthAt(50), false);
  tapContent(inset - 40, 30);
  EXPECT_NEAR(b->position(), 0, 1e-3);
}

TEST_F(BarBehaviourTest, TwoEqualPrimesReportTheFirst) {
  auto b = bar(0, package("Prime Lens", {lens(25), lens(25), lens(50)}));
  b->setFocalLength(25, false);
  recorder.primeIndexes.clear();
  b->updatePrimeLensIndex();
  EXPECT_EQ(recorder.primeIndexes, (std::vector<int>{0, 0}));
}

TEST_F(BarBehaviourTest, ABarLetGoDuringItsAnimationIsNotCalledInto) {
  auto b = primes();
  b->setFocalLength(50, false);
  tapScale(*b, fiftyMark(*b) + 10);
  const auto focalLengths = recorder.focalLengths;
  const auto primeIndexes = recorder.primeIndexes;
  b->removeFromSuperview();
  b.reset();
  // The animation's remaining frames find the bar gone: nothing reaches the delegate (and AddressSanitizer
  // would stop a frame that reached into the freed bar).
  env.advance(1);
  EXPECT_EQ(recorder.focalLengths, focalLengths);
  EXPECT_EQ(recorder.primeIndexes, primeIndexes);
}

}  // namespace

}  // namespace app::main

