#include "platform/shell/DesktopWindow.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <list>

#include "platform/dispatch/QuitRequest.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/graphics/Image.h"
#include "platform/shell/DesktopLibrary.h"
#include "platform/shell/DesktopWindowFit.h"
#include "platform/shell/TestCard.h"
#include "platform/shell/WindowInput.h"
#include "testing/ScopedEnvironmentVariable.h"
#include "testing/ScratchFolder.h"
#include "testing/VirtualDisplay.h"

namespace platform::shell {
namespace {

namespace fs = std::filesystem;

using ostrel::testing::VirtualDisplay;

SDL_Event mouse(Uint32 type, unsigned window, int x, int y, Uint32 buttons = SDL_BUTTON_LMASK) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion = {type, 0, window, 0, buttons, x, y, 0, 0};
  } else {
    e.button = {type, 0, window, 0, SDL_BUTTON_LEFT, 0, 0, 0, x, y};
  }
  return e;
}

SDL_Event event(Uint32 type, unsigned window) {
  SDL_Event e{};
  e.type = type;
  e.window.windowID = window;  // the window field sits at one place in every window-bound event
  return e;
}

// Where `point` of `view` is in the SDL window `id`, as the pointer would find it.
std::pair<int, int> windowPixels(const DesktopLibrary& library, unsigned id, ui::Window& window, const ui::View& view,
                                 ui::Point point) {
  int w = 0, h = 0;
  library.getWindowSize(library.getWindowFromID(id), &w, &h);
  const graphics::Rect screen = DesktopWindowFit::screenIn(window.bounds().size, {double(w), double(h)});
  const ui::Point p = view.convertPointTo(point, nullptr);
  const double factor = screen.width() / window.bounds().width();
  return {static_cast<int>(std::lround(screen.minX() + p.x * factor)),
          static_cast<int>(std::lround(screen.minY() + p.y * factor))};
}

SDL_Event key(SDL_Keycode code) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = code;
  return e;
}

// A window opens as large as the display's usable area lets it, never past the phone's own pixels, and
// keeps the phone's shape; in a window of another shape the screen sits centred between bars, and the
// pointer maps onto it, held to its edges.
TEST(WindowFit, OpensWithinTheDisplayAndMapsThePointerBack) {
  const graphics::Size phone{780, 1688};
  EXPECT_EQ(DesktopWindowFit::openingSize(phone, {1920, 1080}), (graphics::Size{499, 1080}));
  EXPECT_EQ(DesktopWindowFit::openingSize(phone, {1280, 720}), (graphics::Size{332, 720}));
  EXPECT_EQ(DesktopWindowFit::openingSize(phone, {3840, 2100}), phone);
  // A narrow display decides by its width.
  EXPECT_EQ(DesktopWindowFit::openingSize(phone, {390, 4000}), (graphics::Size{390, 844}));
  EXPECT_EQ(DesktopWindowFit::openingSize(phone, {0, 0}), (graphics::Size{1, 1}));

  const graphics::Size points{390, 844};
  EXPECT_EQ(DesktopWindowFit::screenIn(points, {780, 844}), (graphics::Rect{195, 0, 390, 844}));
  EXPECT_EQ(DesktopWindowFit::screenIn(points, {195, 1000}), (graphics::Rect{0, 289, 195, 422}));
  EXPECT_EQ(DesktopWindowFit::toPoints({390, 422}, points, {780, 844}), (graphics::Point{195, 422}));
  EXPECT_EQ(DesktopWindowFit::toPoints({97.5, 289 + 211}, points, {195, 1000}), (graphics::Point{195, 422}));
  // On a bar, the nearest edge of the screen.
  EXPECT_EQ(DesktopWindowFit::toPoints({10, 900}, points, {780, 844}), (graphics::Point{0, 844}));
  EXPECT_EQ(DesktopWindowFit::toPoints({5, 5}, points, {0, 0}), (graphics::Point{}));
}

// A library that cannot be had is a reason the window does not open, given in words, never a crash at
// the first call into it.
TEST(DesktopLibraryLoad, NamesWhatIsMissing) {
  std::string error;
  EXPECT_EQ(DesktopLibrary::loadNamed("libostrel-not-installed.so.0", &error), nullptr);
  EXPECT_NE(error.find("libostrel-not-installed.so.0"), std::string::npos) << error;
  // A library that loads but is not the desktop library: the first function it lacks is named.
  error.clear();
  EXPECT_EQ(DesktopLibrary::loadNamed("libz.so.1", &error), nullptr);
  EXPECT_NE(error.find("has no SDL_GetError"), std::string::npos) << error;
}

// Opens the real window on a virtual display, clicks the test card's touch pad, scrolls its list with
// the wheel, types into its field, toggles the dark appearance, saves a screenshot and closes.
TEST(DesktopWindowSmoke, OpensClicksAndCloses) {
  if (!VirtualDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  auto display = VirtualDisplay::start();
  ASSERT_NE(display, nullptr) << "Xvfb did not start";
  // Put back when the test ends: the next test in this program must not find a display that is gone.
  std::list<ostrel::testing::ScopedEnvironmentVariable> variables;
  for (const auto& [name, value] : display->environment()) variables.emplace_back(name, value);
  variables.emplace_back("SDL_VIDEODRIVER", "x11");
  variables.emplace_back("SDL_AUDIODRIVER", "dummy");
  ostrel::testing::ScratchFolder scratch{"ostrel-window"};
  const std::string& folder = scratch.path();

  auto window = makeTestCardWindow();
  auto pad = std::dynamic_pointer_cast<TestCardViewController>(window->rootViewController())->pad();
  WindowInput input(window);
  std::string error;
  auto desktop = DesktopWindow::open(window, input, &error);
  ASSERT_NE(desktop, nullptr) << error;
  desktop->setScreenshotFolder(folder);
  EXPECT_TRUE(desktop->pump(0));

  // Window pixels for the middle of a view, whatever size the window was given.
  const DesktopLibrary* library = DesktopLibrary::load();
  ASSERT_NE(library, nullptr);
  const unsigned id = desktop->windowID();
  auto pixels = [&](const ui::View& view) { return windowPixels(*library, id, *window, view, view.bounds().center()); };
  auto push = [library](std::initializer_list<SDL_Event> events) {
    for (SDL_Event e : events) library->pushEvent(&e);
  };

  auto [x, y] = pixels(*pad);
  push({mouse(SDL_MOUSEBUTTONDOWN, id, x, y), mouse(SDL_MOUSEMOTION, id, x + 20, y + 10),
        mouse(SDL_MOUSEBUTTONUP, id, x + 20, y + 10)});
  EXPECT_TRUE(desktop->pump(0));
  EXPECT_EQ(pad->touchesBegun(), 1);
  EXPECT_EQ(pad->touchesEnded(), 1);
  EXPECT_NE(pad->readout().find("up at"), std::string::npos) << pad->readout();

  // A finger still down when the window loses focus is cancelled, not left on the screen.
  SDL_Event focusLost = event(SDL_WINDOWEVENT, id);
  focusLost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  push({mouse(SDL_MOUSEBUTTONDOWN, id, x, y), focusLost, mouse(SDL_MOUSEBUTTONUP, id, x, y)});
  EXPECT_TRUE(desktop->pump(0));
  EXPECT_EQ(pad->touchesBegun(), 2);
  EXPECT_EQ(pad->touchesEnded(), 2);
  EXPECT_NE(pad->readout().find("cancelled"), std::string::npos) << pad->readout();

  // The wheel scrolls the list under the pointer, with no button held.
  auto list = std::dynamic_pointer_cast<TestCardViewController>(window->rootViewController())->list();
  auto [lx, ly] = pixels(*list);
  SDL_Event wheel = event(SDL_MOUSEWHEEL, id);
  wheel.wheel.y = -2;
  wheel.wheel.preciseY = -2;
  push({mouse(SDL_MOUSEMOTION, id, lx, ly, 0), wheel});
  EXPECT_TRUE(desktop->pump(0));
  EXPECT_GT(list->contentOffset().y, 0);
  EXPECT_EQ(pad->touchesBegun(), 2);  // moving the pointer is not a touch

  // Typing goes to the field a click focused; Backspace takes a character back; Escape ends editing.
  auto field = std::dynamic_pointer_cast<TestCardViewController>(window->rootViewController())->field();
  auto [fx, fy] = pixels(*field);
  push({mouse(SDL_MOUSEBUTTONDOWN, id, fx, fy), mouse(SDL_MOUSEBUTTONUP, id, fx, fy)});
  EXPECT_TRUE(desktop->pump(0));
  SDL_Event text = event(SDL_TEXTINPUT, id);
  std::snprintf(text.text.text, sizeof text.text.text, "%s", "f/4x");
  push({text, key(SDLK_BACKSPACE), key(SDLK_ESCAPE)});
  EXPECT_TRUE(desktop->pump(0));
  EXPECT_EQ(field->text(), "f/4");
  EXPECT_FALSE(field->isEditing());

  push({key(SDLK_F2), key(SDLK_F12)});
  EXPECT_TRUE(desktop->pump(0));
  EXPECT_EQ(window->userInterfaceStyle(), ui::UserInterfaceStyle::Dark);
  EXPECT_TRUE(foundation::SystemFacts::current().darkAppearance);
  auto shot = graphics::Image::fromPNGFile(folder + "/ostrel-1.png");
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->pixelWidth(), 780);
  EXPECT_EQ(shot->pixelHeight(), 1688);
  // The dark card's background, just inside the left edge below the status bar.
  EXPECT_EQ(shot->pixelBytes(4, 200)[0], 28);

  // A quit asked from outside (SIGTERM, Ctrl-C) closes the window as the close button does.
  dispatch::QuitRequest::request(SIGTERM);
  EXPECT_FALSE(desktop->pump(0));
  dispatch::QuitRequest::resetForTesting();
  push({event(SDL_QUIT, 0)});
  EXPECT_FALSE(desktop->pump(0));
  desktop.reset();
  foundation::SystemFacts::reset();
}

}  // namespace
}  // namespace platform::shell
