// The main screen in the real desktop window on a virtual display: a mouse drag on package one's focal
// length bar moves it and package two follows.
#include <SDL.h>
#include <gtest/gtest.h>

#include <list>

#include "app/main/MainScreenTestSupport.h"
#include "platform/shell/DesktopWindow.h"
#include "platform/shell/WindowInput.h"
#include "testing/ScopedEnvironmentVariable.h"
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

class MainScreenWindowSmoke : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!VirtualDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
    display = VirtualDisplay::start();
    ASSERT_NE(display, nullptr) << "Xvfb did not start";
    for (const auto& [name, value] : display->environment()) variables.emplace_back(name, value);
    variables.emplace_back("SDL_VIDEODRIVER", "x11");
    variables.emplace_back("SDL_AUDIODRIVER", "dummy");
  }
  std::unique_ptr<VirtualDisplay> display;
  std::list<ostrel::testing::ScopedEnvironmentVariable> variables;  // put back when the test ends
};

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

}  // namespace

}  // namespace app::main

