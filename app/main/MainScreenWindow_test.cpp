// The main screen in the real desktop window on a virtual display: a mouse drag on package one's focal
// length bar moves it and package two follows; a sideways wheel shows what lies that way; on a display
// shorter than the phone the window fits it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <list>

#include "app/main/MainScreenTestSupport.h"
#include "platform/graphics/Image.h"
#include "platform/shell/DesktopWindow.h"
#include "platform/shell/DesktopWindowFit.h"
#include "platform/shell/WindowInput.h"
#include "testing/ScopedEnvironmentVariable.h"
#include "testing/ScratchFolder.h"
#include "testing/VirtualDisplay.h"

namespace app::main {

namespace {

using ostrel::testing::VirtualDisplay;

SDL_Event mouse(Uint32 type, unsigned window, int x, int y) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion = {type, 0, window, 0, SDL_BUTTON_LMASK, x, y, 0, 0};
  } else {
    e.button = {type, 0, window, 0, SDL_BUTTON_LEFT, 0, 0, 0, x, y};
  }
  return e;
}

// A virtual display of its own for each test. The window's library keeps the first display it reaches
// for the process, so each display size is a program run of its own (see CMakeLists.txt).
template <int Width = 1280, int Height = 1800>
class WindowOnDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!VirtualDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
    display = VirtualDisplay::start(Width, Height);
    ASSERT_NE(display, nullptr) << "Xvfb did not start";
    for (const auto& [name, value] : display->environment()) variables.emplace_back(name, value);
    variables.emplace_back("SDL_VIDEODRIVER", "x11");
    variables.emplace_back("SDL_AUDIODRIVER", "dummy");
  }

  // Where the window shows `view`'s centre, in its pixels.
  static std::pair<int, int> pixelsOf(unsigned id, platform::ui::Window& window, const platform::ui::View& view) {
    int w = 0, h = 0;
    SDL_GetWindowSize(SDL_GetWindowFromID(id), &w, &h);
    const auto screen = platform::shell::DesktopWindowFit::screenIn(window.bounds().size, {double(w), double(h)});
    const auto centre = view.convertPointTo({view.bounds().midX(), view.bounds().midY()}, nullptr);
    const double factor = screen.width() / window.bounds().width();
    return {static_cast<int>(std::lround(screen.minX() + centre.x * factor)),
            static_cast<int>(std::lround(screen.minY() + centre.y * factor))};
  }

  // The window's click on `view`'s centre, wherever the window shows the screen.
  static void click(unsigned id, platform::ui::Window& window, const platform::ui::View& view) {
    const auto [x, y] = pixelsOf(id, window, view);
    for (SDL_Event e : {mouse(SDL_MOUSEBUTTONDOWN, id, x, y), mouse(SDL_MOUSEBUTTONUP, id, x, y)}) SDL_PushEvent(&e);
  }

  // One notch of a sideways wheel (or a swipe on a touchpad) over `view`'s centre, the pointer moved
  // there first with no button held.
  static void wheelSideways(unsigned id, platform::ui::Window& window, const platform::ui::View& view, float notches) {
    const auto [x, y] = pixelsOf(id, window, view);
    SDL_Event pointer = mouse(SDL_MOUSEMOTION, id, x, y);
    pointer.motion.state = 0;
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = id;
    wheel.wheel.x = static_cast<Sint32>(notches);
    wheel.wheel.preciseX = notches;
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    for (SDL_Event e : {pointer, wheel}) SDL_PushEvent(&e);
  }

  // On a display shorter than the phone's 1688 pixels: the whole window is on the screen with the
  // phone's shape, a click on the tab bar at the top of the screen (which a window of the phone's
  // pixels put above the display) switches the page, F12 still saves the phone's full resolution, and
  // in a window resized to another shape the screen keeps its shape and the tab bar still answers.
  void expectTheWindowFits() {
    ostrel::testing::MainScreenFixture<> app;
    ostrel::testing::ScratchFolder shots{"ostrel-main-window"};
    platform::shell::WindowInput input(app.window);
    std::string error;
    auto desktop = platform::shell::DesktopWindow::open(app.window, input, &error);
    ASSERT_NE(desktop, nullptr) << error;
    desktop->setScreenshotFolder(shots.path());
    ASSERT_TRUE(desktop->pump(0));
    const unsigned id = desktop->windowID();
    SDL_Window* sdl = SDL_GetWindowFromID(id);
    int x = -1, y = -1, w = 0, h = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &w, &h);
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    EXPECT_LE(x + w, Width);
    EXPECT_LE(y + h, Height);
    EXPECT_EQ(h, Height) << "a display without panels gives the window its whole height";
    EXPECT_NEAR(static_cast<double>(w) / h, 390.0 / 844.0, 1.0 / h);

    const auto& menu = *app.views().menuScrollView;
    ASSERT_EQ(menu.menuPosition(), 1);
    click(id, *app.window, *menu.button(2));
    ASSERT_TRUE(desktop->pump(0));
    app.env.advance(1);
    ASSERT_TRUE(desktop->pump(0));
    EXPECT_EQ(menu.menuPosition(), 2) << "the tab bar's FIELD OF VIEW was not reached";

    SDL_Event f12{};
    f12.type = SDL_KEYDOWN;
    f12.key.keysym.sym = SDLK_F12;
    SDL_PushEvent(&f12);
    ASSERT_TRUE(desktop->pump(0));
    auto shot = platform::graphics::Image::fromPNGFile(shots.path() + "/ostrel-1.png");
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->pixelWidth(), 780);
    EXPECT_EQ(shot->pixelHeight(), 1688);

    SDL_SetWindowSize(sdl, 2 * w, h);
    ASSERT_TRUE(desktop->pump(0));
    click(id, *app.window, *menu.button(3));
    ASSERT_TRUE(desktop->pump(0));
    app.env.advance(1);
    ASSERT_TRUE(desktop->pump(0));
    EXPECT_EQ(menu.menuPosition(), 3) << "in a wider window the tab bar's LENS MATCH was not reached";
    desktop.reset();
  }

  std::unique_ptr<VirtualDisplay> display;
  std::list<ostrel::testing::ScopedEnvironmentVariable> variables;  // put back when the test ends
};

using MainScreenWindowSmoke = WindowOnDisplay<>;
using MainScreenWindowWheel = WindowOnDisplay<>;
using MainScreenWindowOn1920x1080 = WindowOnDisplay<1920, 1080>;
using MainScreenWindowOn1280x720 = WindowOnDisplay<1280, 720>;

TEST_F(MainScreenWindowOn1920x1080, FitsTheDisplayAndItsTabBarAnswers) { expectTheWindowFits(); }
TEST_F(MainScreenWindowOn1280x720, FitsTheDisplayAndItsTabBarAnswers) { expectTheWindowFits(); }

TEST_F(MainScreenWindowSmoke, DraggingABarWithTheMouseMovesBothPackages) {
  ostrel::testing::MainScreenFixture<> app;
  platform::shell::WindowInput input(app.window);
  std::string error;
  auto desktop = platform::shell::DesktopWindow::open(app.window, input, &error);
  ASSERT_NE(desktop, nullptr) << error;
  ASSERT_TRUE(desktop->pump(0));
  SDL_Window* sdl = SDL_GetWindowFromID(desktop->windowID());
  int w = 0, h = 0;
  SDL_GetWindowSize(sdl, &w, &h);
  ASSERT_GT(w, 0);

  const auto& bar = *app.views().focalLengthScrollBar;
  const auto centre = app.centreOf(bar);
  const double scale = w / app.window->bounds().width();
  const int x = static_cast<int>(centre.x * scale), y = static_cast<int>(centre.y * h / app.window->bounds().height());
  const float before = app.screen->currentFocalLengthFormatOne;
  const float twoBefore = app.screen->currentFocalLengthFormatTwo;
  const unsigned id = desktop->windowID();
  SDL_Event down = mouse(SDL_MOUSEBUTTONDOWN, id, x, y);
  SDL_PushEvent(&down);
  ASSERT_TRUE(desktop->pump(0));
  for (int step = 1; step <= 10; ++step) {
    app.env.advance(0.02);
    SDL_Event move = mouse(SDL_MOUSEMOTION, id, x - step * static_cast<int>(20 * scale), y);
    SDL_PushEvent(&move);
    ASSERT_TRUE(desktop->pump(0));
  }
  app.env.advance(0.3);
  SDL_Event up = mouse(SDL_MOUSEBUTTONUP, id, x - 10 * static_cast<int>(20 * scale), y);
  SDL_PushEvent(&up);
  ASSERT_TRUE(desktop->pump(0));
  app.env.advance(1);
  ASSERT_TRUE(desktop->pump(0));

  EXPECT_GT(app.screen->currentFocalLengthFormatOne, before) << "a drag to the left dials a longer lens";
  EXPECT_NE(app.screen->currentFocalLengthFormatTwo, twoBefore);
  EXPECT_FLOAT_EQ(app.views().valueDisplayView->mainFocalLength(), app.screen->currentFocalLengthFormatOne);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_FALSE(desktop->pump(0));
}

// A wheel turned to the right shows what lies to the right, as a wheel turned down shows what lies
// below: the menu strip moves on towards its last pages, and a bar dials a longer lens, as a drag to
// the left does.
TEST_F(MainScreenWindowWheel, ASidewaysWheelShowsWhatLiesThatWay) {
  ostrel::testing::MainScreenFixture<> app;
  platform::shell::WindowInput input(app.window);
  std::string error;
  auto desktop = platform::shell::DesktopWindow::open(app.window, input, &error);
  ASSERT_NE(desktop, nullptr) << error;
  ASSERT_TRUE(desktop->pump(0));
  const unsigned id = desktop->windowID();

  const auto& menu = *app.views().menuScrollView;
  const double menuBefore = menu.scrollView()->contentOffset().x;
  wheelSideways(id, *app.window, menu, 1);
  ASSERT_TRUE(desktop->pump(0));
  app.env.advance(1);
  ASSERT_TRUE(desktop->pump(0));
  EXPECT_GT(menu.scrollView()->contentOffset().x, menuBefore) << "the strip did not move on towards its last pages";

  const float before = app.screen->currentFocalLengthFormatOne;
  wheelSideways(id, *app.window, *app.views().focalLengthScrollBar, 1);
  ASSERT_TRUE(desktop->pump(0));
  app.env.advance(1);
  ASSERT_TRUE(desktop->pump(0));
  EXPECT_GT(app.screen->currentFocalLengthFormatOne, before) << "a wheel to the right dials a longer lens";
  desktop.reset();
}

}  // namespace

}  // namespace app::main

