// The road of a value: bar reports reach the displays and pages, the other package follows by lens
// match without echo, typed values, the match direction, primes passed and out-of-range colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "app/kit/UIConstants.h"
#include "app/main/MainScreenTestSupport.h"
#include "app/optics/LensMatchCalc.h"
#include "platform/ui/Renderer.h"

namespace app::main {

namespace {

using ostrel::testing::MainScreenFixture;

// Counts the focal-length reports each package's bar sends.
class CountingScreen : public NewMainViewController {
 public:
  void updateFocalLength(float focalLength, bool second, bool programmatic) override {
    (second ? reportsTwo : reportsOne).push_back(programmatic);
    NewMainViewController::updateFocalLength(focalLength, second, programmatic);
  }
  std::vector<bool> reportsOne, reportsTwo;

 protected:
  CountingScreen() = default;
};

class ValueFlowTest : public ::testing::Test, public MainScreenFixture<CountingScreen> {
 protected:
  double horizontal(const model::CameraPackage& source, float f, const model::CameraPackage& target) const {
    return optics::LensMatchCalc::horMatchWithPackageSource(source, f, target);
  }
  double vertical(const model::CameraPackage& source, float f, const model::CameraPackage& target) const {
    return optics::LensMatchCalc::verMatchWithPackageSource(source, f, target);
  }
  // Package one with package two's zoom series, positioned again.
  void zoomOnPackageOne() {
    state()->packageOne = state()->packageTwo;
    screen->setupViewsAndCalculate();
    env.advance(0.5);
  }
  const model::CameraPackage& one() const { return *state()->packageOne; }
  const model::CameraPackage& two() const { return *state()->packageTwo; }
};

TEST_F(ValueFlowTest, DragOnPackageOneMatchesPackageTwoWithoutEcho) {
  // Both bars well inside their lenses, so every step moves package two's bar too.
  screen->setFocalLengthFromDisplay(50, false);
  env.advance(1);
  screen->reportsOne.clear();
  screen->reportsTwo.clear();
  drag(*views().focalLengthScrollBar, -100);
  ASSERT_FALSE(screen->reportsOne.empty());
  EXPECT_EQ(screen->reportsTwo.size(), screen->reportsOne.size()) << "one report of package two per step";
  for (bool programmatic : screen->reportsTwo) EXPECT_TRUE(programmatic);
  for (bool programmatic : screen->reportsOne) EXPECT_FALSE(programmatic) << "package two never moves package one back";
  const float f = screen->currentFocalLengthFormatOne;
  EXPECT_GT(f, 50.0f);
  EXPECT_FLOAT_EQ(views().valueDisplayView->mainFocalLength(), f);
  EXPECT_FLOAT_EQ(screen->currentFocalLengthFormatTwo, static_cast<float>(horizontal(one(), f, two())));
  EXPECT_FLOAT_EQ(views().secondValueDisplayView->mainFocalLength(), screen->currentFocalLengthFormatTwo);
  EXPECT_FALSE(views().focalLengthScrollBar->scrollingProgrammatically);
  EXPECT_FALSE(views().SecondFocalLengthScrollBar->scrollingProgrammatically);
  // The pages follow.
  EXPECT_FLOAT_EQ(views().coverageView->currentFocalLength(), f);
}

TEST_F(ValueFlowTest, AfterASwitchDraggingEitherPackageStillMatchesTheOther) {
  // Opening the lens match page sets the direction again, moving package two as a match.
  screen->goToMenuPosition(3);
  env.advance(1);
  for (auto bar : {views().SecondFocalLengthScrollBar, views().focalLengthScrollBar}) {
    screen->reportsOne.clear();
    screen->reportsTwo.clear();
    drag(*bar, -150);
    const bool second = bar == views().SecondFocalLengthScrollBar;
    const auto& dragged = second ? screen->reportsTwo : screen->reportsOne;
    const auto& matched = second ? screen->reportsOne : screen->reportsTwo;
    ASSERT_FALSE(dragged.empty());
    for (bool programmatic : dragged) EXPECT_FALSE(programmatic);
    EXPECT_EQ(matched.size(), dragged.size());
    for (bool programmatic : matched) EXPECT_TRUE(programmatic);
    EXPECT_EQ(screen->lastActiveFLScrollbar, second ? 2 : 1);
  }
  EXPECT_NEAR(screen->currentFocalLengthFormatTwo,
              horizontal(one(), screen->currentFocalLengthFormatOne, two()), 0.01);
}

TEST_F(ValueFlowTest, MatchDirectionFollowsTheSetting) {
  for (int type : {0, 1, 7}) {
    state()->settings.lensMatchType = type;
    screen->makeSecondFormatMatchFirstwithFocalLength(50);
    const double expected = type == 0 ? horizontal(one(), 50, two()) : vertical(one(), 50, two());
    EXPECT_FLOAT_EQ(screen->currentFocalLengthFormatTwo, static_cast<float>(expected)) << type;
  }
  EXPECT_NE(horizontal(one(), 50, two()), vertical(one(), 50, two()));
}

TEST_F(ValueFlowTest, ZoomPercentageStaysWithinTheScale) {
  zoomOnPackageOne();
  for (double dx : {-2000.0, 300.0, 4000.0, -500.0}) {
    drag(*views().focalLengthScrollBar, dx, 10);
    const float percent = views().coverageView->focalLengthZoomPercentage();
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
  }
  // A finger moving left brings the long end under the marker.
  drag(*views().focalLengthScrollBar, -9000, 10);
  EXPECT_EQ(views().coverageView->focalLengthZoomPercentage(), 100);
  drag(*views().focalLengthScrollBar, 9000, 10);
  EXPECT_NEAR(views().coverageView->focalLengthZoomPercentage(), 0, 1e-4);
}

TEST_F(ValueFlowTest, PrimePackageNeverTouchesTheZoomPercentage) {
  views().coverageView->setFocalLengthZoomPercentage(42);
  drag(*views().focalLengthScrollBar, -200);
  EXPECT_EQ(views().coverageView->focalLengthZoomPercentage(), 42);
}

TEST_F(ValueFlowTest, TypedFocalLengthOnPackageTwoThenADirectionSwitchRematchesPackageOne) {
  screen->setFocalLengthFromDisplay(70, true);
  env.advance(1);
  EXPECT_EQ(screen->lastActiveFLScrollbar, 2);
  const float typed = screen->currentFocalLengthFormatTwo;
  state()->settings.lensMatchType = 1;
  screen->lensMatchTypeSwitchUpdate();
  env.advance(1);
  EXPECT_EQ(screen->lastActiveFLScrollbar, 2);
  EXPECT_FLOAT_EQ(screen->currentFocalLengthFormatTwo, typed) << "the source keeps its value";
  // What package one's bar reports from its new position.
  EXPECT_NEAR(screen->currentFocalLengthFormatOne, vertical(two(), typed, one()), 0.01);
}

TEST_F(ValueFlowTest, DirectionSwitchKeepsTheDialledSourceValue) {
  // Package one at its 18 mm start: package two's zoom starts at 24 mm, so its bar is held at its end
  // and reports a value that does not match 18 mm back.
  ASSERT_FLOAT_EQ(screen->currentFocalLengthFormatOne, 18);
  for (int type : {1, 0, 1}) {
    // Package two's bar away from its end, so the switch moves it all the way down to 24 mm.
    auto& target = *views().SecondFocalLengthScrollBar;
    target.scrollingProgrammatically = true;
    target.setFocalLength(60, false);
    target.scrollingProgrammatically = false;
    state()->settings.lensMatchType = type;
    screen->lensMatchTypeSwitchUpdate();
    env.advance(1);
    EXPECT_FLOAT_EQ(screen->currentFocalLengthFormatOne, 18) << type;
    EXPECT_NEAR(views().focalLengthScrollBar->focalLengthAt(views().focalLengthScrollBar->position()), 18, 0.5);
    EXPECT_FLOAT_EQ(views().valueDisplayView->mainFocalLength(), 18);
    EXPECT_EQ(screen->lastActiveFLScrollbar, 1);
  }
}

TEST_F(ValueFlowTest, TypedValuesMoveTheBarsAndThePages) {
  screen->setFocalLengthFromDisplay(35, false);
  env.advance(1);
  EXPECT_EQ(screen->lastActiveFLScrollbar, 1);
  EXPECT_NEAR(views().focalLengthScrollBar->focalLengthAt(views().focalLengthScrollBar->position()), 35, 0.5);
  EXPECT_FLOAT_EQ(screen->currentFocalLengthFormatTwo, static_cast<float>(horizontal(one(), 35, two())));
  screen->setDistance(5, *views().valueDisplayView);
  env.advance(1);
  EXPECT_NEAR(views().distanceScrollBar->distanceAt(views().distanceScrollBar->position()), 5, 0.05);
  EXPECT_NEAR(views().DOFResultView->hyperFocalDistance() > 0, true, 0);
  screen->setApertureFromDisplay(4, false);
  env.advance(1);
  EXPECT_NEAR(views().apertureScrollBar->apertureAt(views().apertureScrollBar->position()), 4, 0.05);
  EXPECT_FLOAT_EQ(screen->currentApertureFormatOne, 4);
}

// A short lens stopped down on a small package two has its hyperfocal distance inside the focal length
// its match needs on a package one of a far larger format: no stop there keeps that depth, the lens
// would have to open wider than any can. Package one's display says so with the no-value text in the
// out-of-range colour, never a negative f-number, and its bar stays where it was.
TEST_F(ValueFlowTest, AStopNoLensCanBeSetToShowsNoValue) {
  state()->packageOne->shootingMode->width *= 4;
  state()->packageOne->shootingMode->height *= 4;
  screen->setupViewsAndCalculate();
  env.advance(1);
  const double resting = views().apertureScrollBar->position();
  screen->currentFocalLengthFormatTwo = 1;
  const int coc = state()->settings.cocFactor;
  ASSERT_LT(optics::LensMatchCalc::horApertureMatchWithPackageSource(two(), 1, 45, one(), coc), 0)
      << "the scene needs a stop behind the lens";
  screen->makeFirstFormatMatchSecondwithAperture(45);
  env.advance(1);
  EXPECT_EQ(views().valueDisplayView->apertureLabel()->text(), "–");
  EXPECT_EQ(views().valueDisplayView->apertureLabel()->textColor(), kit::UIConstants::redWarning());
  EXPECT_EQ(views().apertureScrollBar->position(), resting);
}

// Where a view's text is drawn in the window: the first and last pixel columns, over its rows and a
// margin either side of its frame, that differ from the backdrop left of that margin.
std::pair<int, int> inkColumns(const platform::graphics::Image& shot, const platform::ui::View& view, int margin) {
  const platform::ui::Rect frame = view.convertRectTo(view.bounds(), nullptr);
  const double scale = shot.pixelWidth() / view.window()->bounds().size.width;
  const int left = static_cast<int>(frame.minX() * scale) - margin;
  const int right = static_cast<int>(frame.maxX() * scale) + margin;
  int first = right, last = left;
  for (int y = static_cast<int>(frame.minY() * scale); y < static_cast<int>(frame.maxY() * scale); ++y) {
    const auto backdrop = shot.pixelBytes(left - 1, y);
    for (int x = left; x < right; ++x) {
      const auto pixel = shot.pixelBytes(x, y);
      int difference = 0;
      for (int c = 0; c < 3; ++c) difference += std::abs(pixel[c] - backdrop[c]);
      if (difference < 96) continue;
      first = std::min(first, x);
      last = std::max(last, x);
    }
  }
  return {first, last};
}

// After an edit the display shows its field, which draws at its full size: the text fits it, and on the
// pixels it is drawn whole (as wide as the text, not an ellipsis at the column's edge).
void expectDrawnWhole(const platform::ui::TextField& field, const std::string& shown) {
  ASSERT_EQ(field.alpha(), 1);
  EXPECT_EQ(field.text(), shown);
  const double natural = field.sizeThatFits({0, 0}).width;
  EXPECT_LE(natural, field.bounds().size.width) << shown;
  auto shot = platform::ui::Renderer::render(*field.window());
  ASSERT_TRUE(shot);
  const double scale = shot->pixelWidth() / field.window()->bounds().size.width;
  const platform::ui::Rect frame = field.convertRectTo(field.bounds(), nullptr);
  const auto [first, last] = inkColumns(*shot, field, 8);
  EXPECT_GE(first, frame.minX() * scale) << shown;
  EXPECT_LE(last, frame.maxX() * scale) << shown;
  EXPECT_NEAR(last - first, natural * scale, 6 * scale) << shown << ": the glyphs' side bearings aside";
}

// A focus typed kilometres away, however far, is computed as any other: past the hyperfocal distance the
// near limit and "∞", the focus and the scene width in metres while their figure fits (five digits, as
// "99999m"), then in kilometres, each whole in its box (laid out and drawn); a sane focus brings the
// limits back.
TEST_F(ValueFlowTest, AFarFocusShowsTheNearLimitAndInfinity) {
  const auto& display = *views().valueDisplayView;
  auto typeDistance = [&](const char* text) {
    tap(*display.distanceBtn());
    platform::ui::Keyboard::shared().typeText(text);
    platform::ui::Keyboard::shared().pressReturn();
    env.advance(1);
  };
  const auto& dof = *views().DOFResultView;
  const auto& fov = *views().FOVResultView;
  const std::pair<const char*, const char*> focuses[] = {
      {"15000", "15000m"}, {"99999", "99999m"}, {"100000", "100km"}, {"1e9", "1.0e6km"}, {"3.4e38", "3.4e35km"}};
  for (auto [typed, shown] : focuses) {
    typeDistance(typed);
    EXPECT_EQ(display.distanceLabel()->text(), shown);
    EXPECT_EQ(dof.distanceLabel()->text(), shown);
    EXPECT_EQ(fov.distanceLabel()->text(), shown);
    EXPECT_NE(dof.nearLabel()->text(), "–");
    EXPECT_NEAR(dof.nearDistance(), dof.hyperFocalDistance(), dof.hyperFocalDistance() / 1000) << "near: about H";
    EXPECT_EQ(dof.farLabel()->text(), "∞");
    EXPECT_EQ(dof.dofLabel()->text(), "∞");
    EXPECT_NE(fov.widthLabel()->text(), "–");
    EXPECT_EQ(fov.widthLabel()->text().back(), 'm') << fov.widthLabel()->text();
    for (const auto* label : {display.distanceLabel().get(), dof.distanceLabel().get(), dof.nearLabel().get(),
                              dof.farLabel().get(), dof.dofLabel().get(), dof.hyperFocalLabel().get(),
                              fov.distanceLabel().get(), fov.widthLabel().get()}) {
      EXPECT_FALSE(label->isTruncated()) << label->text();
    }
    expectDrawnWhole(*display.distanceTextField(), shown);
  }

  typeDistance("5");
  EXPECT_EQ(display.distanceLabel()->text(), "5.00m");
  EXPECT_EQ(dof.distanceLabel()->text(), "5.00m");
  EXPECT_NE(dof.farLabel()->text(), "∞");
  // A figure past what a float holds is no distance: the focus stays.
  typeDistance("9e99");
  EXPECT_EQ(display.distanceLabel()->text(), "5.00m");
  EXPECT_FLOAT_EQ(display.mainDistance(), 5);
}

// A focal length of a telescope, however long, is computed as any other on every page: the depth of
// field at a far focus, the angles of view and the scene's width, the match on package two and the
// coverage page's lens, each whole in its box; from a hundred metres on the display writes a power of
// ten. A lens longer than the focus is far (a thousand kilometres) has a hyperfocal distance but no limits.
TEST_F(ValueFlowTest, ALongFocalLengthComputesEveryPage) {
  const auto& display = *views().valueDisplayView;
  auto type = [&](platform::ui::Button& button, const char* text) {
    tap(button);
    platform::ui::Keyboard::shared().typeText(text);
    platform::ui::Keyboard::shared().pressReturn();
    env.advance(1);
  };
  type(*display.distanceBtn(), "5000");
  const auto& dof = *views().DOFResultView;
  const auto& fov = *views().FOVResultView;
  const std::pair<const char*, const char*> lenses[] = {{"12000", "12000mm"}, {"1e9", "1.0e9mm"}};
  for (auto [typed, shown] : lenses) {
    type(*display.focalLengthBtn(), typed);
    EXPECT_EQ(display.focalLengthLabel()->text(), shown);
    EXPECT_FLOAT_EQ(display.mainFocalLength(), std::stof(typed));
    for (const auto* label : {dof.hyperFocalLabel().get(), dof.cocLabel().get(), fov.fovHorizontalLabel().get(),
                              fov.fovVerticalLabel().get(), fov.fovDiagonalLabel().get(), fov.widthLabel().get(),
                              views().secondValueDisplayView->focalLengthLabel().get(),
                              views().coverageView->lensAtFocalLengthLabel().get()}) {
      EXPECT_EQ(label->text().find("–"), std::string::npos) << typed << ": " << label->text();
      EXPECT_FALSE(label->isTruncated()) << label->text();
    }
    expectDrawnWhole(*display.focalLengthTextField(), shown);
  }
  EXPECT_EQ(dof.nearLabel()->text(), "–") << "a focus inside the lens";
  // At 12 m, focused at 5 km: a depth of some tens of metres around the focus, under a fifth of a degree.
  type(*display.focalLengthBtn(), "12000");
  for (const auto* label : {dof.nearLabel().get(), dof.farLabel().get(), dof.dofLabel().get()}) {
    EXPECT_EQ(label->text().find("–"), std::string::npos) << label->text();
    EXPECT_FALSE(label->isTruncated()) << label->text();
  }
  EXPECT_LT(dof.nearDistance(), 5000);
  EXPECT_GT(dof.farDistance(), 5000);
  EXPECT_LT(dof.farDistance() - dof.nearDistance(), 100);
  EXPECT_EQ(fov.fovHorizontalLabel()->text(), "0.2°H");
  // Zero, a negative or a figure past what a float holds keeps the lens; under a millimetre is raised to one.
  for (const char* refused : {"0", "-5", "9e99"}) {
    type(*display.focalLengthBtn(), refused);
    EXPECT_EQ(display.focalLengthLabel()->text(), "12000mm") << refused;
  }
  type(*display.focalLengthBtn(), "0,4");
  EXPECT_EQ(display.focalLengthLabel()->text(), "1.0mm");
}

TEST_F(ValueFlowTest, OutOfRangeColoursTheDisplayAndBack) {
  const auto red = kit::UIConstants::redWarning();
  screen->valuesOutOfRangeFor(2, true);
  EXPECT_EQ(views().valueDisplayView->distanceLabel()->textColor(), red) << "distance is always package one's";
  screen->valuesWithinOfRangeFor(2, true);
  EXPECT_EQ(views().valueDisplayView->distanceLabel()->textColor(), kit::UIConstants::blue());
  screen->valuesOutOfRangeFor(0, true);
  EXPECT_EQ(views().secondValueDisplayView->focalLengthLabel()->textColor(), red);
  screen->valuesWithinOfRangeFor(0, true);
  EXPECT_EQ(views().secondValueDisplayView->focalLengthLabel()->textColor(), kit::UIConstants::secondCameraGreen());
  screen->valuesOutOfRangeFor(1, false);
  EXPECT_EQ(views().valueDisplayView->apertureLabel()->textColor(), red);
  screen->valuesOutOfRangeFor(5, false);
}

// A sideways wheel over package one's prime bar ends as a drag does: the bar snaps to the prime it came
// to rest beside, and that prime's limits reach the aperture bar.
TEST_F(ValueFlowTest, AWheelBurstOverThePrimesEndsAsADrag) {
  state()->settings.snap = true;
  const auto& bar = *views().focalLengthScrollBar;
  const auto& aperture = *views().apertureScrollBar;
  ASSERT_TRUE(one().lensManufacturer && one().lensManufacturer->isPrimeLens());
  const auto& primes = bar.lensSet.lenses;
  const int from = aperture.currentFLIndex();
  ASSERT_GE(from, 0);
  // The nearest prime whose widest aperture differs from the one under the marker now.
  int target = -1;
  for (int i = 0; i < static_cast<int>(primes.size()); ++i) {
    if (primes[i].getAperture() == primes[from].getAperture()) continue;
    if (target < 0 || std::abs(i - from) < std::abs(target - from)) target = i;
  }
  ASSERT_GE(target, 0) << "package one's primes all open alike";
  const double mark = bar.positionForFocalLength(primes[target].focalLength);
  const double rest = mark + (mark > bar.position() ? -12 : 12);
  const float wideOpen = aperture.currentLensAperture();

  // Notches a twentieth of a second apart, the last one short of the mark.
  const auto over = centreOf(bar);
  for (int notch = 0; notch < 100 && std::fabs(rest - bar.position()) > 1e-9; ++notch) {
    ASSERT_TRUE(window->scrollWheel(over, std::clamp(rest - bar.position(), -40.0, 40.0), 0));
    env.advance(0.05);
  }
  EXPECT_NEAR(bar.position(), rest, 1e-9) << "no snap between notches";
  EXPECT_EQ(aperture.currentLensAperture(), wideOpen) << "nothing is taken while the wheel turns";
  env.advance(1);
  EXPECT_NEAR(bar.position(), mark, 1e-3);
  EXPECT_EQ(aperture.currentFLIndex(), target);
  EXPECT_NE(aperture.currentLensAperture(), wideOpen);
  EXPECT_EQ(views().distanceScrollBar->currentFLIndex(), target);
}

TEST_F(ValueFlowTest, PassingAPrimeRebuildsTheApertureAndDistanceScales) {
  screen->switchPrimesLensWithSecondCamera(false, 2);
  EXPECT_EQ(views().apertureScrollBar->currentFLIndex(), 2);
  EXPECT_EQ(views().distanceScrollBar->currentFLIndex(), 2);
  EXPECT_EQ(views().coverageView->currentFLIndex(), 2);
  EXPECT_EQ(views().secondApertureScrollBar->currentFLIndex(), 0);
  screen->switchPrimesLensWithSecondCamera(true, 1);
  EXPECT_EQ(views().secondApertureScrollBar->currentFLIndex(), 1);
}

}  // namespace

}  // namespace app::main

