// The settings page's tiles: what each shows, what it stores and when, and whom it tells.
#include <gtest/gtest.h>

#include "app/kit/UIConstants.h"
#include "app/pages/DOFView.h"
#include "app/pages/PagePackagesTestSupport.h"
#include "app/settings/SettingsTestSupport.h"
#include "app/settings/SettingsImages.h"
#include "app/settings/SettingsView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"

namespace app::settings {

namespace {

using ostrel::testing::SettingsTest;
using platform::ui::make;

class CountingRebuild : public ColorThemeViewDelegate, public MeasurementSystemViewDelegate {
 public:
  void updateLayout() override { ++calls; }
  int calls = 0;
};

class CountingDOF : public pages::CoCViewDelegate {
 public:
  void calculateDOF() override {
    ++calls;
    factorSeen = app::pages::framesObject()->settings.cocFactor;
  }
  int calls = 0;
  int factorSeen = 0;
};

class CircleOfConfusionTest : public SettingsTest {
 protected:
  std::shared_ptr<CircleOfConfusionView> tile(int storedFactor) {
    settings().cocFactor = storedFactor;
    auto view = make<CircleOfConfusionView>(platform::ui::Rect{0, 100, 390, 56});
    window->addSubview(view);
    view->layoutIfNeeded();
    view->setDelegate(dof);
    return view;
  }
  std::shared_ptr<CountingDOF> dof = std::make_shared<CountingDOF>();
};

TEST_F(CircleOfConfusionTest, StoredFactorShowsItsFormulaAndPutsTheSliderAtATenth) {
  struct Case {
    int factor;
    float slider;
    const char* formula;
  };
  for (const Case& c : {Case{1500, 150, "d/1500"}, Case{1505, 150, "d/1505"}, Case{1000, 100, "d/1000"}}) {
    auto view = tile(c.factor);
    EXPECT_EQ(view->cocSlider()->value(), c.slider) << c.factor;
    EXPECT_EQ(view->formulaLabel()->text(), c.formula);
  }
}

TEST_F(CircleOfConfusionTest, DragShowsTheRoundedFactorAndStoresItOnlyWhenItEnds) {
  auto view = tile(1500);
  view->cocSlider()->setValue(123.4f);
  view->sliderViewValueChanged(0);
  EXPECT_EQ(view->formulaLabel()->text(), "d/1230");
  EXPECT_EQ(settings().cocFactor, 1500);
  EXPECT_EQ(dof->calls, 0);

  view->sliderGestureDidEnd();
  EXPECT_EQ(settings().cocFactor, 1230);
  EXPECT_EQ(stored("COCFACTOR").toInt64(), 1230);
  EXPECT_EQ(dof->calls, 1);
  EXPECT_EQ(dof->factorSeen, 1230);
}

TEST_F(CircleOfConfusionTest, TheDepthOfFieldPageFollowsTheStoredFactor) {
  auto view = tile(1500);
  auto page = make<pages::DOFView>(platform::ui::Rect{0, 0, 375, 300});
  page->setCameraPackage(ostrel::testing::package({}, {ostrel::testing::lens(50, 43.3f)}));
  page->setFocalLength(50);
  page->setAperture(2.8f);
  page->setDistance(3);
  page->calculateDOF();
  const double before = page->circleOfConfusion();
  view->setDelegate(page);
  view->cocSlider()->setValue(100);
  view->sliderGestureDidEnd();
  EXPECT_NEAR(page->circleOfConfusion(), before * 1500 / 1000, 1e-6);
}

TEST_F(CircleOfConfusionTest, FastDragsStopAtTheEnds) {
  auto view = tile(1500);
  view->sliderViewCOC()->moveByVelocity(1e7);
  EXPECT_EQ(view->cocSlider()->value(), 200);
  EXPECT_EQ(view->formulaLabel()->text(), "d/2000");
  view->sliderViewCOC()->moveByVelocity(-1e7);
  EXPECT_EQ(view->cocSlider()->value(), 100);
  EXPECT_EQ(view->formulaLabel()->text(), "d/1000");
}

TEST_F(CircleOfConfusionTest, AFingerDraggedAcrossTheTileMovesTheSliderByItsSpeedAndStoresAtTheEnd) {
  auto view = tile(1500);
  const auto start = view->sliderViewCOC()->convertPointTo({75, 16}, nullptr);
  window->touchDown(start);
  auto p = start;
  for (int i = 0; i < 20; ++i) {
    env.advance(0.01);
    p.x += 3;  // 300 points per second: 300 / 7 x 0.01 a step
    window->touchMove(p);
  }
  window->touchUp(p);
  env.advance(0.01);
  EXPECT_GT(view->cocSlider()->value(), 150);
  EXPECT_LT(view->cocSlider()->value(), 160);
  EXPECT_EQ(settings().cocFactor, static_cast<int>(std::round(view->cocSlider()->value())) * 10);
  EXPECT_EQ(dof->calls, 1);
}

TEST_F(CircleOfConfusionTest, ADoubleTapShowsTheDefaultAndTheNextDragsEndStoresIt) {
  auto view = tile(1800);
  view->sliderViewCOC()->doubleTapSlider();
  EXPECT_EQ(view->cocSlider()->value(), 150);
  EXPECT_EQ(view->formulaLabel()->text(), "d/1500");
  EXPECT_EQ(settings().cocFactor, 1800);
  EXPECT_TRUE(stored("COCFACTOR").isNil()) << "nothing saved";
  EXPECT_EQ(dof->calls, 0);

  view->sliderGestureDidEnd();
  EXPECT_EQ(stored("COCFACTOR").toInt64(), 1500);
  EXPECT_EQ(dof->factorSeen, 1500);
}

TEST_F(CircleOfConfusionTest, TheSliderShowsItsOwnThumb) {
  auto view = tile(1500);
  const auto thumb = view->cocSlider()->thumbRect();
  const auto centre = view->cocSlider()->convertPointTo({thumb.midX(), thumb.midY()}, nullptr);
  const auto picture = platform::ui::Renderer::render(*window);
  const double scale = picture->scale();
  // The knob's light face, not the plain white knob a slider draws without an image.
  EXPECT_EQ(picture->pixelBytes(static_cast<int>(centre.x * scale), static_cast<int>(centre.y * scale)),
            (std::array<uint8_t, 4>{232, 232, 232, 255}));
}

TEST_F(CircleOfConfusionTest, InfoAlertIsHostedInTheTopLevelContainer) {
  auto screen = make<platform::ui::ViewController>();
  auto navigation = make<platform::ui::NavigationController>(screen);
  window->setRootViewController(navigation);
  auto view = tile(1500);
  // Deeply nested, as on the settings page inside the main screen.
  auto outer = make<platform::ui::View>(platform::ui::Rect{0, 0, 390, 400});
  screen->view()->addSubview(outer);
  outer->addSubview(view);
  view->showCocAlert();
  ASSERT_TRUE(view->cocAlert());
  EXPECT_EQ(view->cocAlert()->contentView()->superview(), navigation->view().get());
  EXPECT_EQ(view->cocAlert()->alertTitle()->text(), "CIRCLE OF CONFUSION FORMULA");
  view->okClickFromAlert(*view->cocAlert());
  env.advance(1);
  EXPECT_EQ(view->cocAlert()->contentView()->superview(), nullptr);
}

class ThemeAndUnitsTest : public SettingsTest {
 protected:
  std::shared_ptr<CountingRebuild> rebuild = std::make_shared<CountingRebuild>();
};

TEST_F(ThemeAndUnitsTest, EachThemeIsStoredWithItsDarkFlagAndAsksForARebuild) {
  struct Case {
    void (ColorThemeView::*press)();
    int theme;
    bool darkBefore, darkAfter;
  };
  for (const Case& c : {Case{&ColorThemeView::lightBtnPressed, 1, true, false},
                        Case{&ColorThemeView::darkBtnPressed, 0, false, true},
                        Case{&ColorThemeView::autoBtnPressed, 2, true, true},
                        Case{&ColorThemeView::autoBtnPressed, 2, false, false}}) {
    auto state = app::pages::framesObject();
    state->appInDarkMode = c.darkBefore;
    state->restartFromSettings = false;
    auto view = make<ColorThemeView>();
    view->setDelegate(rebuild);
    const int before = rebuild->calls;
    ((*view).*c.press)();
    EXPECT_EQ(settings().colorTheme, c.theme);
    EXPECT_EQ(stored("SETTINGS_COLORTHEME").toInt64(), c.theme);
    EXPECT_EQ(state->appInDarkMode, c.darkAfter) << c.theme;
    EXPECT_TRUE(state->restartFromSettings);
    EXPECT_EQ(rebuild->calls, before + 1);
  }
}

TEST_F(ThemeAndUnitsTest, AThemePressReleasedOutsideChangesNothing) {
  settings().colorTheme = 1;
  auto view = make<ColorThemeView>(platform::ui::Rect{0, 100, 390, 56});
  window->addSubview(view);
  view->setDelegate(rebuild);
  view->layoutIfNeeded();
  const auto dark = view->threeWayBtn()->secondBtn();
  window->touchDown(dark->convertPointTo({dark->bounds().midX(), dark->bounds().midY()}, nullptr));
  window->touchUp({195, 700});
  env.advance(0.2);
  EXPECT_EQ(settings().colorTheme, 1);
  EXPECT_EQ(rebuild->calls, 0);
  // The three-way choice is offered; the two-way radio of older systems stays hidden.
  EXPECT_EQ(view->threeWayBtn()->alpha(), 1);
  EXPECT_EQ(view->radioBtnOldIOS()->alpha(), 0);
  EXPECT_EQ(view->buttonWidthConstraint().constant(), 225);
}

TEST_F(ThemeAndUnitsTest, UnitsAreStoredAndAskForARebuild) {
  auto view = make<MeasurementSystemView>();
  view->setDelegate(rebuild);
  EXPECT_TRUE(view->useMetric());
  view->noSelectedImages();
  EXPECT_EQ(settings().measurementSystem, 1);
  EXPECT_EQ(stored("SETTINGS_MeasurementSystem").toInt64(), 1);
  EXPECT_TRUE(app::pages::framesObject()->restartFromSettings);
  view->yesSelectedImages();
  EXPECT_EQ(stored("SETTINGS_MeasurementSystem").toInt64(), 0);
  EXPECT_EQ(rebuild->calls, 2);
}

TEST_F(SettingsTest, HapticsAndSnappingAreStoredAtOnceByATap) {
  auto haptics = make<HapticFeedbackView>(platform::ui::Rect{0, 100, 390, 56});
  auto snapping = make<SnappingView>(platform::ui::Rect{0, 200, 390, 56});
  window->addSubview(haptics);
  window->addSubview(snapping);
  window->layoutIfNeeded();
  tap(*haptics->radioHaptic()->yesBtn());
  tap(*snapping->radio()->yesBtn());
  EXPECT_TRUE(settings().hapticFeedback);
  EXPECT_TRUE(settings().snap);
  EXPECT_TRUE(stored("SETTINGS_HAPTICFEEDBACK").toBool());
  EXPECT_TRUE(stored("SETTINGS_SNAP").toBool());
  tap(*snapping->radio()->noBtn());
  EXPECT_FALSE(stored("SETTINGS_SNAP").toBool());
  EXPECT_TRUE(snapping->radio()->noIsSelected());
}

TEST_F(SettingsTest, PageShowsNameVersionAndTheLogoOfTheTheme) {
  for (bool dark : {false, true}) {
    app::pages::framesObject()->appInDarkMode = dark;
    auto page = make<SettingsView>(platform::ui::Rect{0, 0, 390, 700});
    page->layoutIfNeeded();
    EXPECT_EQ(page->appNameLabel()->text(), "OSTREL");
    EXPECT_EQ(page->versionLabel()->text(), "Version 3.2");
    EXPECT_EQ(page->logoImageName(), dark ? "ostrel_white_transparent" : "ostrel_black_transparent");

    // Hidden, the page draws nothing, the logo included; shown, the logo is in the very first picture.
    page->setAlpha(0);
    platform::ui::Renderer::render(*page, 2);
    EXPECT_FALSE(page->logoImageView()->image());
    page->setAlpha(1);
    const auto shown = platform::ui::Renderer::render(*page, 2);
    ASSERT_TRUE(page->logoImageView()->image());
    EXPECT_EQ(page->logoImageView()->image()->rgbaBytes(), SettingsImages::imageNamed(page->logoImageName())->rgbaBytes());
    const auto ring = page->logoImageView()->convertRectTo(page->logoImageView()->imageRect(), page.get());
    const auto ink = shown->pixelBytes(static_cast<int>(ring.minX() * 2) + 10, static_cast<int>(ring.midY() * 2));
    EXPECT_EQ(ink[0], dark ? 255 : 0);
    EXPECT_EQ(ink[3], 255);
  }
}

}  // namespace

}  // namespace app::settings

