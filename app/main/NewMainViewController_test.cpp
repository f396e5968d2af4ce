// The main screen: what each page shows, page changes and swipes, appearing again after the setup
// screen, the keyboard lift, the headers and the theme.
#include <gtest/gtest.h>

#include "app/kit/UIConstants.h"
#include "app/main/MainScreenTestSupport.h"
#include "app/optics/MetricToImperialConversion.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/log/Log.h"
#include "platform/shell/SystemAppearance.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/Renderer.h"

namespace app::main {

namespace {

using ostrel::testing::MainScreenFixture;

class MainScreenTest : public ::testing::Test, public MainScreenFixture<> {};
class MainScreenLightTest : public ::testing::Test, public MainScreenFixture<> {
 protected:
  MainScreenLightTest() : MainScreenFixture<>(false) {}
};

struct PageRow {
  int page;
  bool header, display, blanking, focalLength, aperture, distance, packageTwo, secondHeader;
  double distanceBottom, apertureBottom, secondTop;
};

// Hidden views are at alpha 0, shown ones at 1; the constants are the screen's own per page.
void expectPage(const NewMainViewController& screen, const PageRow& row, const char* device) {
  const auto& v = screen.views();
  SCOPED_TRACE(std::string(device) + " page " + std::to_string(row.page));
  const auto shown = [](const std::shared_ptr<platform::ui::View>& view) { return view->alpha() == 1; };
  EXPECT_EQ(shown(v.formatView), row.header);
  EXPECT_EQ(shown(v.formatBGView), row.header);
  EXPECT_EQ(shown(v.valueDisplayView), row.display);
  EXPECT_EQ(shown(v.safeAreaBlankingView), row.blanking);
  EXPECT_EQ(shown(v.focalLengthScrollBar), row.focalLength);
  EXPECT_EQ(shown(v.apertureScrollBar), row.aperture);
  EXPECT_EQ(shown(v.distanceScrollBar), row.distance);
  EXPECT_EQ(shown(v.SecondFocalLengthScrollBar), row.packageTwo);
  EXPECT_EQ(shown(v.secondApertureScrollBar), row.packageTwo);
  EXPECT_EQ(shown(v.secondValueDisplayView), row.packageTwo);
  EXPECT_EQ(shown(v.secondFormatView), row.secondHeader);
  const auto pages = v.pages();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(shown(pages[i]), i + 1 == row.page) << "page view " << i + 1;
  auto& c = const_cast<NewMainViewController&>(screen).constraints();
  EXPECT_EQ(c.distanceScrollBarBottomConstraint.constant(), row.distanceBottom);
  EXPECT_EQ(c.apertureScrollBarBottomConstraint.constant(), row.apertureBottom);
  EXPECT_EQ(c.secondFocalLengthTopConstraint.constant(), row.secondTop);
}

TEST_F(MainScreenTest, EachPageShowsItsViewsAndConstants) {
  // Settings keeps the constants of the page before it (coverage here).
  const PageRow rows[] = {
      {1, true, true, true, true, true, true, false, false, 0, 0, 0},
      {2, true, true, true, true, false, true, false, false, 0, -64, 0},
      {3, true, true, true, true, true, false, true, true, 64, 0, 0},
      {4, true, false, false, false, false, false, false, true, 128, 0, -60},
      {5, true, false, true, true, false, false, false, false, 128, 0, -60},
      {6, false, false, false, false, false, false, false, false, 128, 0, -60},
  };
  for (const auto& row : rows) {
    screen->goToMenuPosition(row.page);
    env.advance(0.5);
    EXPECT_EQ(screen->menuPositionMain, row.page);
    expectPage(*screen, row, "phone");
  }
  NewMainViewController::setDeviceNameForTesting("iPhone SE");
  screen->goToMenuPosition(4);
  env.advance(0.5);
  expectPage(*screen, {4, true, false, false, false, false, false, false, true, 188, 0, -120}, "iPhone SE");
  // A page outside 1 to 6 is stored and sets nothing up.
  screen->goToMenuPosition(9);
  env.advance(0.5);
  EXPECT_EQ(screen->menuPositionMain, 9);
  EXPECT_EQ(views().sensorsView->alpha(), 1);
}

TEST_F(MainScreenTest, PagesLieBetweenTheHeadersAndTheShownBars) {
  const auto& v = views();
  EXPECT_DOUBLE_EQ(v.DOFResultView->frame().minY(), v.formatView->frame().maxY());
  EXPECT_DOUBLE_EQ(v.DOFResultView->frame().maxY(), v.valueDisplayView->frame().minY());
  EXPECT_DOUBLE_EQ(v.distanceScrollBar->frame().maxY(), 844 - window->windowSafeAreaInsets().bottom);
  screen->goToMenuPosition(3);
  env.advance(0.5);
  EXPECT_DOUBLE_EQ(v.lensMatchView->frame().minY(), v.secondFormatView->frame().maxY());
  EXPECT_DOUBLE_EQ(v.lensMatchView->frame().maxY(), v.secondValueDisplayView->frame().minY());
  EXPECT_GE(v.distanceScrollBar->frame().minY(), 844 - window->windowSafeAreaInsets().bottom);
}

TEST_F(MainScreenTest, SwipesMoveOnePageAndStopAtTheEnds) {
  swipe(150);  // right on page 1
  EXPECT_EQ(screen->menuPositionMain, 1);
  swipe(-150);
  EXPECT_EQ(screen->menuPositionMain, 2);
  EXPECT_EQ(views().menuScrollView->menuPosition(), 2);
  EXPECT_EQ(views().FOVResultView->alpha(), 1);
  for (int i = 0; i < 6; ++i) swipe(-150);
  EXPECT_EQ(screen->menuPositionMain, 6);
  EXPECT_EQ(views().menuScrollView->menuPosition(), 6);
  swipe(150);
  EXPECT_EQ(screen->menuPositionMain, 5);
}

TEST_F(MainScreenTest, MenuStripChoosesThePage) {
  tap(*views().menuScrollView->button(3));
  env.advance(0.5);
  EXPECT_EQ(screen->menuPositionMain, 3);
  EXPECT_EQ(views().lensMatchView->alpha(), 1);
}

TEST_F(MainScreenTest, KeyboardLiftsTheDisplayBlocksSwipesAndNeverGoesBelowZero) {
  EXPECT_EQ(NewMainViewController::keyboardLift(300, 844, 600), 56);
  EXPECT_EQ(NewMainViewController::keyboardLift(300, 844, 91), 0);
  EXPECT_EQ(NewMainViewController::keyboardLift(0, 844, 844), 0);

  screen->goToMenuPosition(3);
  env.advance(0.5);
  const double restingBottom = views().secondValueDisplayView->frame().maxY();
  screen->valueDisplayKeyboardAnimationShow(0.25, {0, 244, 390, 600}, true);
  env.advance(0.5);
  EXPECT_EQ(screen->constraints().valueDisplayViewTwoBottomConstraint.constant(), 600 - (844 - restingBottom));
  EXPECT_DOUBLE_EQ(views().secondValueDisplayView->frame().maxY(), 244);
  EXPECT_EQ(views().overlayValueFormatTwoA->alpha(), 1);
  EXPECT_EQ(views().overlayValueFormatOneA->alpha(), 0);
  EXPECT_TRUE(screen->blockSwipe);
  swipe(-150);
  EXPECT_EQ(screen->menuPositionMain, 3) << "no page change while the keyboard is up";

  screen->valueDisplayKeyboardAnimationHide(0.25);
  EXPECT_TRUE(screen->blockSwipe) << "until the hide animation is over";
  env.advance(0.5);
  EXPECT_FALSE(screen->blockSwipe);
  EXPECT_EQ(screen->constraints().valueDisplayViewTwoBottomConstraint.constant(), 0);
  EXPECT_EQ(views().overlayValueFormatTwoB->alpha(), 0);
}

TEST_F(MainScreenTest, ATypedFocalLengthLiftsItsDisplayAboveTheKeyboardAndMovesTheBar) {
  tap(*views().valueDisplayView->focalLengthBtn());
  env.advance(0.5);
  ASSERT_TRUE(platform::ui::Keyboard::shared().isVisible());
  EXPECT_LE(views().valueDisplayView->frame().maxY(), platform::ui::Keyboard::shared().frame().minY() + 1e-9);
  EXPECT_EQ(views().overlayValueFormatOneA->alpha(), 1);
  platform::ui::Keyboard::shared().typeText("50");
  platform::ui::Keyboard::shared().pressReturn();
  env.advance(1);
  EXPECT_FALSE(platform::ui::Keyboard::shared().isVisible());
  EXPECT_EQ(screen->constraints().valueDisplayViewOneBottomConstraint.constant(), 0);
  const auto& bar = *views().focalLengthScrollBar;
  EXPECT_NEAR(bar.focalLengthAt(bar.position()), 50, 0.5);
  EXPECT_EQ(screen->lastActiveFLScrollbar, 1);
  EXPECT_NEAR(views().DOFResultView->circleOfConfusion(), 0.030, 0.001);
}

TEST_F(MainScreenTest, ATapOutsideTheEditedDisplayEndsEditing) {
  tap(*views().valueDisplayView->distanceBtn());
  env.advance(0.5);
  ASSERT_TRUE(platform::ui::Keyboard::shared().isVisible());
  tap(*views().overlayValueFormatOneA);
  env.advance(1);
  EXPECT_FALSE(platform::ui::Keyboard::shared().isVisible());
  EXPECT_FALSE(screen->blockSwipe);
}

// A crew taps a value wherever their finger lands on it. Each page hides one column of its value display
// under its neighbours; that column must take none of their taps.
TEST_F(MainScreenTest, EveryShownValueOpensItsEditorWhereverItIsTapped) {
  struct Shown {
    int page;
    bool packageTwo;
    std::vector<int> columns;  // 0 focal length, 1 aperture, 2 distance
  };
  const Shown shown[] = {{1, false, {0, 1, 2}}, {2, false, {0, 2}}, {3, false, {0, 1}}, {3, true, {0, 1}}};
  const char* names[] = {"focal length", "aperture", "distance"};
  for (const auto& [page, packageTwo, columns] : shown) {
    screen->goToMenuPosition(page);
    env.advance(0.5);
    const auto& display = packageTwo ? *views().secondValueDisplayView : *views().valueDisplayView;
    const platform::ui::Label* labels[] = {display.focalLengthLabel().get(), display.apertureLabel().get(),
                                           display.distanceLabel().get()};
    const platform::ui::TextField* fields[] = {display.focalLengthTextField().get(), display.apertureTextField().get(),
                                               display.distanceTextField().get()};
    for (int column : columns) {
      const auto value = labels[column]->convertRectTo(labels[column]->bounds(), nullptr);
      ASSERT_GT(value.width(), 50);
      for (double x = value.minX() + 1; x < value.maxX(); x += 4) {
        window->touchDown({x, value.midY()});
        window->touchUp({x, value.midY()});
        env.advance(0.05);
        EXPECT_TRUE(fields[column]->isFirstResponder())
            << "page " << page << ", package " << (packageTwo ? 2 : 1) << ", " << names[column] << " at x " << x;
        screen->cancelKeyboard();
        env.advance(0.5);
      }
    }
  }
}

// On the lens match page a display lifted over the keyboard comes to rest on the other package's: what
// is typed into it is drawn there, in its package's colour, and nothing of the other package's shows
// through. Each package, focal length and aperture.
void expectTypedValuesShowOnTheLensMatchPage(MainScreenFixture<>& f) {
  f.screen->goToMenuPosition(3);
  f.env.advance(0.5);
  for (bool second : {false, true}) {
    const auto& display = second ? *f.views().secondValueDisplayView : *f.views().valueDisplayView;
    const auto own = second ? kit::UIConstants::secondCameraGreen() : kit::UIConstants::blue();
    const auto other = second ? kit::UIConstants::blue() : kit::UIConstants::secondCameraGreen();
    for (bool aperture : {false, true}) {
      SCOPED_TRACE(std::string("package ") + (second ? "two" : "one") + (aperture ? ", aperture" : ", focal length"));
      f.tap(aperture ? *display.apertureBtn() : *display.focalLengthBtn());
      f.env.advance(0.5);
      const auto& field = aperture ? *display.apertureTextField() : *display.focalLengthTextField();
      ASSERT_TRUE(field.isFirstResponder());
      platform::ui::Keyboard::shared().typeText(aperture ? "4" : "65");
      f.env.advance(0.1);
      auto shot = platform::ui::Renderer::render(*f.window);
      ASSERT_TRUE(shot);
      const double scale = shot->pixelWidth() / f.window->bounds().width();
      const auto rect = field.convertRectTo(field.bounds(), nullptr);
      const auto near = [](const platform::graphics::Color& a, const platform::graphics::Color& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 0.15;
      };
      int owns = 0, others = 0;
      for (int y = static_cast<int>(rect.minY() * scale); y < static_cast<int>(rect.maxY() * scale); ++y) {
        for (int x = static_cast<int>(rect.minX() * scale); x < static_cast<int>(rect.maxX() * scale); ++x) {
          const auto pixel = shot->pixel(x, y);
          owns += near(pixel, own);
          others += near(pixel, other);
        }
      }
      EXPECT_GT(owns, 20) << "the typed value is drawn";
      EXPECT_EQ(others, 0) << "the other package's display shows over it";
      f.screen->cancelKeyboard();
      f.env.advance(1);
    }
  }
}

TEST_F(MainScreenTest, ATypedValueShowsAboveTheOtherPackagesDisplay) { expectTypedValuesShowOnTheLensMatchPage(*this); }
TEST_F(MainScreenLightTest, ATypedValueShowsAboveTheOtherPackagesDisplay) {
  expectTypedValuesShowOnTheLensMatchPage(*this);
}

TEST_F(MainScreenTest, KeyboardNotificationsReachTheScreenOnlyWhileItIsShown) {
  auto post = [] {
    platform::foundation::Dictionary info{
        {platform::ui::kKeyboardFrameEndUserInfoKey, platform::ui::RectValue::make({0, 44, 390, 800})},
        {platform::ui::kKeyboardAnimationDurationUserInfoKey, platform::foundation::Value(0.25)}};
    platform::foundation::NotificationCenter::defaultCenter().post(platform::ui::kKeyboardWillShowNotification,
                                                                   platform::foundation::Value(std::move(info)));
  };
  tap(*views().formatButtonOne);
  env.advance(1);
  ASSERT_NE(navigation->topViewController(), screen);
  EXPECT_FALSE(screen->observingKeyboard());
  post();
  env.advance(0.5);
  EXPECT_FALSE(screen->blockSwipe);
  EXPECT_EQ(screen->constraints().valueDisplayViewOneBottomConstraint.constant(), 0);

  navigation->popViewControllerAnimated(false);
  env.advance(1);
  EXPECT_TRUE(screen->observingKeyboard());
  post();
  env.advance(0.5);
  EXPECT_TRUE(screen->blockSwipe);
  // No text field of package one edits, so the lift is package two's.
  EXPECT_GT(screen->constraints().valueDisplayViewTwoBottomConstraint.constant(), 0);
}

TEST_F(MainScreenTest, HeaderOpensTheSetupScreenAndTheReturnAddsNothingTwice) {
  const size_t subviews = screen->view()->subviews().size();
  EXPECT_EQ(screen->swipeRecognizerCount(), 2u);
  tap(*views().formatButtonTwo);
  EXPECT_EQ(navigation->topViewController(), screen) << "package two's header is hidden on page 1";
  screen->goToMenuPosition(3);
  env.advance(0.5);
  for (int round = 0; round < 3; ++round) {
    tap(*views().formatButtonTwo);
    env.advance(1);
    EXPECT_EQ(state()->currentPackageModus, 1);
    ASSERT_EQ(navigation->viewControllers().size(), 2u);
    EXPECT_NE(navigation->topViewController(), screen);
    navigation->popViewControllerAnimated(false);
    env.advance(1);
  }
  EXPECT_EQ(navigation->topViewController(), screen);
  EXPECT_EQ(screen->swipeRecognizerCount(), 2u);
  EXPECT_EQ(screen->view()->subviews().size(), subviews);
  swipe(-150);
  EXPECT_EQ(screen->menuPositionMain, 4) << "one swipe, one page";

  tap(*views().formatButtonOne);
  auto transition = std::dynamic_pointer_cast<platform::ui::Transition>(
      navigation->view()->layer().animationForKey(platform::ui::kTransitionKey));
  ASSERT_TRUE(transition) << "the setup screens come down from the top";
  EXPECT_EQ(transition->subtype, platform::ui::TransitionSubtype::FromTop);
  EXPECT_DOUBLE_EQ(transition->duration, 0.5);
  env.advance(1);
  EXPECT_EQ(state()->currentPackageModus, 0);
  EXPECT_EQ(screen->views().formatView->transform(), platform::graphics::AffineTransform::identity());
}

TEST_F(MainScreenTest, HeadersShowThePackagesAndMakeRoomForAnAdapter) {
  const auto& one = *state()->packageOne;
  EXPECT_EQ(views().formatOneLabel->text(), one.getCameraFormatLabelString());
  EXPECT_EQ(views().lensSetOneLabel->text(), one.getLensStringForMainView());
  EXPECT_EQ(views().formatTwoLabel->text(), state()->packageTwo->getCameraFormatLabelString());

  model::LensAdapterRecord adapter;
  adapter.adapterValueWidth = 1.5f;
  adapter.adapterValueHeight = 1.5f;
  adapter.adapterName = "Expander";
  state()->packageOne->lensAdapter = adapter;
  ASSERT_FALSE(adapter.isNoneAdapter());
  screen->setUIStringsAndArrays();
  EXPECT_EQ(views().adapterOneLabel->alpha(), 1);
  EXPECT_EQ(views().adapterOneLabel->text(), state()->packageOne->getAdapterString());
  EXPECT_EQ(screen->constraints().formatOneLabelTopConstraint.constant(), -12);
  state()->packageOne->lensAdapter.reset();
  screen->setUIStringsAndArrays();
  EXPECT_EQ(views().adapterOneLabel->alpha(), 0);
  EXPECT_EQ(screen->constraints().formatOneLabelTopConstraint.constant(), -6);
  // An adapter that could not be read leaves the focal lengths where they are, not stacked on one point.
  screen->setupViewsAndCalculate();
  EXPECT_EQ(views().focalLengthScrollBar->adapter, 1.0f);
}

TEST_F(MainScreenTest, StartDistanceIsTheFirstLensCloseFocus) {
  state()->packageOne->lensSet.front().closeFocus = "";
  screen->setupViewsAndCalculate();
  EXPECT_FLOAT_EQ(views().valueDisplayView->mainDistance(), 1) << "a lens without a close-focus text starts at 1 m";
  state()->packageOne->lensSet.front().closeFocus = "0.45m | 1'6\"";
  const model::LensObject& first = state()->packageOne->lensSet.front();
  ASSERT_EQ(first.getInputValues().distance, -1.0f);
  screen->setupViewsAndCalculate();
  EXPECT_FLOAT_EQ(views().valueDisplayView->mainDistance(), std::stof(first.getCloseFocusMetric()));
  state()->settings.measurementSystem = 1;
  screen->setupViewsAndCalculate();
  EXPECT_FLOAT_EQ(views().valueDisplayView->mainDistance(),
                  optics::MetricToImperialConversion::returnMeters(first.getCloseFocusImperialString()));
  state()->settings.measurementSystem = 0;
  state()->packageOne->lensSet.front().closeFocus = "close | up";
  screen->setupViewsAndCalculate();
  EXPECT_FLOAT_EQ(views().valueDisplayView->mainDistance(), 1) << "no number: the start of a lens without one";
}

TEST_F(MainScreenTest, GetStartedGuideIsPlacedOnPackageOnesHeader) {
  auto manager = settings::InteractiveGuideManager::getSingleton();
  EXPECT_EQ(manager->currentViewName, settings::InteractiveGuideManager::kMainScreen);
  env.advance(11);
  EXPECT_GE(manager->mainViewTotalViewTime, 11);
  manager->checkMainViewGuides();
  auto guide = manager->currentGuide();
  ASSERT_TRUE(guide);
  EXPECT_EQ(guide->guideTag, 110);
  ASSERT_TRUE(guide->tapIndicator());
  EXPECT_EQ(guide->tapIndicator()->superview(), screen->view().get());
  EXPECT_EQ(guide->tapIndicator()->center(), views().formatButtonOne->center());
  EXPECT_EQ(guide->guideMessage()->center(), (platform::ui::Point{195, 744}));
  // Leaving for the setup screen ends the guide and takes its views away.
  tap(*views().formatButtonOne);
  env.advance(1);
  EXPECT_FALSE(manager->currentGuide());
  EXPECT_TRUE(manager->didExit_Guide_MainView_GetStarted);
  EXPECT_EQ(guide->tapIndicator(), nullptr);
}

TEST_F(MainScreenTest, ThemeChangeOnSettingsRebuildsTheScreenOnTheSettingsPage) {
  screen->goToMenuPosition(6);
  env.advance(0.5);
  views().settingsView->colorThemeView()->lightBtnPressed();
  env.advance(1);
  ASSERT_EQ(navigation->viewControllers().size(), 1u) << "the old screen leaves the stack";
  auto rebuilt = top();
  ASSERT_TRUE(rebuilt);
  EXPECT_NE(rebuilt, std::static_pointer_cast<NewMainViewController>(screen));
  EXPECT_EQ(rebuilt->menuPositionMain, 6);
  EXPECT_EQ(rebuilt->views().settingsView->alpha(), 1);
  EXPECT_FALSE(state()->restartFromSettings);
  EXPECT_FALSE(state()->appInDarkMode);
  EXPECT_EQ(rebuilt->view()->backgroundColor(), kit::UIConstants::primaryBG());
  EXPECT_NE(screen->view()->backgroundColor(), kit::UIConstants::primaryBG()) << "built in the dark theme";
}

TEST_F(MainScreenTest, AutomaticThemeFollowsTheSystemOnceEachWay) {
  state()->settings.colorTheme = 2;
  window->setUserInterfaceStyle(platform::ui::UserInterfaceStyle::Dark);
  state()->appInDarkMode = false;
  platform::log::CapturedLines lines;
  screen->updateColorTheme();
  env.advance(1);
  EXPECT_TRUE(state()->appInDarkMode);
  std::vector<std::string> said;
  for (const auto& line : lines.lines()) {
    if (line.message.starts_with("APP COLOR THEME")) said.push_back(line.message);
  }
  // The theme each screen finds before it follows the system: the rebuilt one finds nothing to change.
  EXPECT_EQ(said, (std::vector<std::string>{"APP COLOR THEME ... called ... sysmte: 1",
                                            "APP COLOR THEME ... App_AUTO_Mode: 1 .... APP_IN_DARK_MODUS: 0",
                                            "APP COLOR THEME ... update layout is called now",
                                            "APP COLOR THEME ... called ... sysmte: 1",
                                            "APP COLOR THEME ... App_AUTO_Mode: 1 .... APP_IN_DARK_MODUS: 1"}));
  auto first = top();
  EXPECT_NE(first, std::static_pointer_cast<NewMainViewController>(screen));
  first->updateColorTheme();
  env.advance(1);
  EXPECT_EQ(top(), first) << "no change, no rebuild";
  window->setUserInterfaceStyle(platform::ui::UserInterfaceStyle::Light);
  first->updateColorTheme();
  env.advance(1);
  EXPECT_FALSE(state()->appInDarkMode);
  EXPECT_NE(top(), first);
  EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

// The screen follows the system only while the app is inactive; a running app is active, and a switch
// made from outside passes it through inactive, so AUTO follows the switch at once.
TEST_F(MainScreenTest, AutomaticThemeFollowsASystemSwitchWhileTheAppRuns) {
  state()->settings.colorTheme = 2;
  window->setUserInterfaceStyle(platform::ui::UserInterfaceStyle::Dark);
  auto application = platform::ui::Application::sharedApplication();
  application->becomeActive();
  for (bool dark : {false, true}) {
    const auto before = top();
    platform::shell::SystemAppearance::switchTo(*window, dark);
    env.advance(1);
    EXPECT_EQ(state()->appInDarkMode, dark);
    EXPECT_NE(top(), before) << "rebuilt in the new theme";
    EXPECT_EQ(application->applicationState(), platform::ui::Application::State::Active);
  }
  application->resignActive();
  platform::foundation::SystemFacts::reset();
}

}  // namespace

}  // namespace app::main

