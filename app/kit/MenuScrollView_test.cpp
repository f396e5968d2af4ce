#include "app/kit/MenuScrollView.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "platform/ui/ShownValues.h"
#include "platform/ui/Window.h"

namespace app::kit {

namespace {

using ostrel::testing::KitTestEnvironment;
using platform::ui::make;
using platform::ui::Point;
using platform::ui::Rect;

struct MainScreen : MenuDelegate {
  std::vector<int> pages;
  void goToMenuPosition(int page) override { pages.push_back(page); }
};

class MenuScrollViewTest : public ::testing::Test {
 protected:
  void show(const char* screenName) {
    window = make<platform::ui::Window>(platform::ui::Screen::named(screenName));
    window->makeKeyAndVisible();
    menu = make<MenuScrollView>(Rect{0, 50, window->bounds().size.width, 44});
    window->addSubview(menu);
    menu->setMenuSelectionDelegate(&screen);
    window->layoutIfNeeded();
  }
  void press(int page) {
    auto b = menu->button(page);
    auto r = b->convertRectTo(b->bounds(), nullptr);
    window->touchDown({r.midX(), r.midY()});
    window->touchUp({r.midX(), r.midY()});
  }
  double offset() const { return menu->scrollView()->contentOffset().x; }
  double rowWidth() const { return menu->menuContainerView()->bounds().size.width; }
  double visible() const { return menu->contentView()->bounds().size.width; }

  KitTestEnvironment env;
  MainScreen screen;
  std::shared_ptr<platform::ui::Window> window;
  std::shared_ptr<MenuScrollView> menu;
};

TEST_F(MenuScrollViewTest, PressingAPageTellsTheScreenAndSlidesTheIndicator) {
  show("phone");
  ASSERT_GT(rowWidth(), visible());
  EXPECT_EQ(menu->menuPosition(), 1);
  press(3);
  EXPECT_EQ(screen.pages, std::vector<int>{3});
  EXPECT_EQ(menu->menuPosition(), 3);
  EXPECT_EQ(menu->button(3)->currentTitleColor(), platform::graphics::Color::withWhite(245 / 255.0));
  EXPECT_EQ(menu->button(1)->currentTitleColor(), platform::graphics::Color::withWhite(170 / 255.0));
  EXPECT_EQ(menu->blueIndicator()->frame().origin.x, menu->button(3)->frame().origin.x);
  EXPECT_FALSE(menu->blueIndicator()->layer().animationKeys().empty());  // it slides
  env.advance(0.2);
  EXPECT_TRUE(menu->blueIndicator()->layer().animationKeys().empty());
}

TEST_F(MenuScrollViewTest, PressingTheCurrentPageDoesNothing) {
  show("phone");
  press(2);
  env.advance(0.2);
  const auto indicator = menu->blueIndicator()->frame();
  press(2);
  EXPECT_EQ(screen.pages, std::vector<int>{2});
  EXPECT_TRUE(menu->blueIndicator()->layer().animationKeys().empty());
  EXPECT_EQ(menu->blueIndicator()->frame(), indicator);
}

TEST_F(MenuScrollViewTest, PagesOutsideTheMenuAreOnlyStored) {
  show("phone");
  menu->restorePosition(6);
  const auto indicator = menu->blueIndicator()->frame();
  const double scrolled = offset();
  for (int page : {0, 7}) {
    menu->restorePosition(page);
    EXPECT_EQ(menu->menuPosition(), page);
    EXPECT_EQ(menu->blueIndicator()->frame(), indicator);
    EXPECT_EQ(offset(), scrolled);
    EXPECT_EQ(menu->button(6)->currentTitleColor(), platform::graphics::Color::withWhite(245 / 255.0));
  }
  menu->animateToPosition(7);
  EXPECT_EQ(menu->blueIndicator()->frame(), indicator);
  EXPECT_TRUE(screen.pages.empty());  // the screen's own moves are not echoed back
}

TEST_F(MenuScrollViewTest, ScrollingIsHeldToTheRowsEnds) {
  show("phone");
  const double maximum = rowWidth() - visible();
  menu->restorePosition(6);
  EXPECT_DOUBLE_EQ(offset(), maximum);
  menu->restorePosition(1);
  EXPECT_EQ(offset(), 0);
  EXPECT_EQ(menu->blueIndicator()->frame().origin.x, MenuScrollView::kRowInset);
  struct Case {
    double x, expected;
  };
  const Case cases[] = {{0, 0},
                        {visible() / 2, 0},
                        {visible() / 2 + 30, 30},
                        {rowWidth() - visible() / 2, maximum},
                        {rowWidth() + 500, maximum}};
  for (const auto& c : cases) {
    menu->scrollToPosition(static_cast<float>(c.x));
    EXPECT_NEAR(offset(), c.expected, 1e-3) << "x " << c.x;
  }
}

TEST_F(MenuScrollViewTest, ARowNarrowerThanTheScreenIsCentredAndNeverScrolls) {
  show("tablet");
  ASSERT_LT(rowWidth(), window->bounds().size.width);
  EXPECT_DOUBLE_EQ(menu->menuContentLeadingConstraint().constant(), (window->bounds().size.width - rowWidth()) / 2);
  EXPECT_DOUBLE_EQ(menu->menuContainerView()->frame().origin.x, menu->menuContentLeadingConstraint().constant());
  press(6);
  env.advance(0.2);
  EXPECT_EQ(offset(), 0);
}

TEST_F(MenuScrollViewTest, TheChosenTitleStandsOutOnTheStripInBothThemes) {
  for (bool dark : {true, false}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    KitTestEnvironment::setDarkMode(dark);
    show("phone");
    // The strip lies on the page's ground, as on the main screen.
    window->setBackgroundColor(UIConstants::primaryBG());
    press(3);
    auto image = KitTestEnvironment::render(*window);
    auto ground = image->pixel(2, 52);
    auto chosen = menu->button(3)->currentTitleColor();
    auto other = menu->button(1)->currentTitleColor();
    EXPECT_GT(chosen.perceivedBrightness() - ground.perceivedBrightness(), 0.5);
    EXPECT_GT(other.perceivedBrightness() - ground.perceivedBrightness(), 0.3);
  }
}

}  // namespace

}  // namespace app::kit

