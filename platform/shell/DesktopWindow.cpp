#include "platform/shell/DesktopWindow.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/QuitRequest.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/LeakSuppressions.h"
#include "platform/log/Log.h"
#include "platform/shell/DesktopLibrary.h"
#include "platform/shell/DesktopWindowFit.h"
#include "platform/shell/SystemAppearance.h"
#include "platform/shell/WindowInput.h"
#include "platform/ui/Application.h"
#include "platform/ui/Renderer.h"

namespace platform::shell {
namespace {

// SDL's X layer starts a session bus client whose buffer the leak checker would report.
[[gnu::used]] const auto keepLeakSuppressions = &graphics::leakSuppressions;

constexpr int kFrameMilliseconds = 16;
constexpr double kWheelPoints = 40;  // one notch of the wheel

// The displays the environment names, each with its driver: X's first, as a desktop that offers both
// runs X programs there.
struct NamedDisplays {
  std::string drivers;  // for SDL's hint: "x11", "wayland" or both
  std::string names;    // for the person: "DISPLAY=:1", and " or WAYLAND_DISPLAY=wayland-0" beside it
};

NamedDisplays namedDisplays() {
  NamedDisplays named;
  for (const auto& [variable, driver] : {std::pair{"DISPLAY", "x11"}, std::pair{"WAYLAND_DISPLAY", "wayland"}}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    named.drivers += (named.drivers.empty() ? "" : ",") + std::string(driver);
    named.names += (named.names.empty() ? "" : " or ") + std::string(variable) + "=" + value;
  }
  return named;
}

// SDL's video layer is started once and kept for the process, as its library is (DesktopLibrary).
//
// Only a real display will do: left to itself SDL falls back to drivers that show nothing anywhere,
// and the app would run on with nobody able to see it. Only the drivers of the displays the
// environment names are tried: one tried without its display prints its own complaint on stderr,
// beside the line that names the display that could not be reached. SDL_VIDEODRIVER, when set, still
// decides.
//
// SIGTERM and SIGINT are the shell's to handle (QuitRequest); SDL would otherwise take them over.
const DesktopLibrary* startVideo(std::string* error) {
  static auto* const failure = new std::string;
  static const DesktopLibrary* const started = []() -> const DesktopLibrary* {
    const DesktopLibrary* sdl = DesktopLibrary::load(failure);
    if (!sdl) return nullptr;
    const NamedDisplays named = namedDisplays();
    sdl->setHint(SDL_HINT_VIDEODRIVER, named.drivers.empty() ? "x11,wayland" : named.drivers.c_str());
    sdl->setHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window's pixels go to the display as a plain framebuffer. Left to itself the library shows even
    // the software renderer's picture through OpenGL, which brings the GPU driver stack into the process:
    // a software rasterizer's dozen threads and a shader cache's, still running at exit, where the leak
    // checker of sanitizer builds stops every thread to scan memory and, now and then under load, crashed
    // doing so. SDL_FRAMEBUFFER_ACCELERATION, when set, still decides.
    sdl->setHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (sdl->initSubSystem(SDL_INIT_VIDEO) == 0) return sdl;
    *failure = named.names.empty()
                   ? "no display can be reached (neither DISPLAY nor WAYLAND_DISPLAY is set): " + std::string(sdl->getError())
                   : "no display can be reached at " + named.names + ": " + std::string(sdl->getError());
    return nullptr;
  }();
  if (!started && error) *error = *failure;
  return started;
}

}  // namespace

bool DesktopWindow::connectDisplay(std::string* error) { return startVideo(error) != nullptr; }

DesktopWindow::DesktopWindow(const DesktopLibrary& sdl, std::shared_ptr<ui::Window> window, InputSink& input)
    : sdl_(sdl), window_(std::move(window)), input_(input) {}

std::unique_ptr<DesktopWindow> DesktopWindow::open(std::shared_ptr<ui::Window> window, InputSink& input,
                                                   std::string* error) {
  const DesktopLibrary* sdl = startVideo(error);
  if (!sdl) return nullptr;
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + sdl->getError();
    return nullptr;
  };
  std::unique_ptr<DesktopWindow> desktop(new DesktopWindow(*sdl, std::move(window), input));
  const graphics::Size pixels = desktop->phonePixels();
  // Placed on the first display, where a window is centred by default; once shown, the window manager
  // tells the size of the frame it put round it, and the window is placed again to leave room for it.
  const SDL_Rect place = desktop->placeOnDisplay(0, {});
  desktop->sdlWindow_ = sdl->createWindow("Ostrel", place.x, place.y, place.w, place.h, SDL_WINDOW_RESIZABLE);
  if (!desktop->sdlWindow_) return fail("cannot open a window");
  SDL_Rect frame{};
  if (sdl->getWindowBordersSize(desktop->sdlWindow_, &frame.y, &frame.x, &frame.h, &frame.w) == 0 &&
      (frame.x || frame.y || frame.w || frame.h)) {
    const SDL_Rect framed = desktop->placeOnDisplay(std::max(0, sdl->getWindowDisplayIndex(desktop->sdlWindow_)), frame);
    sdl->setWindowSize(desktop->sdlWindow_, framed.w, framed.h);
    sdl->setWindowPosition(desktop->sdlWindow_, framed.x, framed.y);
  }
  sdl->setWindowMinimumSize(desktop->sdlWindow_, static_cast<int>(pixels.width / 4), static_cast<int>(pixels.height / 4));
  // The picture is drawn in memory and only copied to the window, which needs no graphics driver: the
  // software renderer, over the plain framebuffer (startVideo), keeps the GPU driver stack out of the
  // process. SDL_RENDER_DRIVER, when set, still decides.
  desktop->renderer_ = sdl->createRenderer(desktop->sdlWindow_, -1, SDL_RENDERER_SOFTWARE);
  if (!desktop->renderer_) desktop->renderer_ = sdl->createRenderer(desktop->sdlWindow_, -1, 0);
  if (!desktop->renderer_) return fail("cannot draw into the window");
  sdl->startTextInput();
  return desktop;
}

DesktopWindow::~DesktopWindow() {
  if (texture_) sdl_.destroyTexture(texture_);
  if (renderer_) sdl_.destroyRenderer(renderer_);
  if (sdlWindow_) sdl_.destroyWindow(sdlWindow_);
  sdl_.stopTextInput();
}

unsigned DesktopWindow::windowID() const { return sdl_.getWindowID(sdlWindow_); }

graphics::Size DesktopWindow::phonePixels() const {
  const ui::Size points = window_->bounds().size;
  return {std::round(points.width * window_->scale()), std::round(points.height * window_->scale())};
}

// Where the window goes on `display`, less its panels and the window's `frame` (its top, left, bottom
// and right edges as y, x, h, w): as large as fits, centred. A display that tells no usable area gives the
// phone's own pixels, centred.
SDL_Rect DesktopWindow::placeOnDisplay(int display, SDL_Rect frame) const {
  const graphics::Size pixels = phonePixels();
  SDL_Rect usable{};
  if (sdl_.getDisplayUsableBounds(display, &usable) != 0) {
    return {static_cast<int>(SDL_WINDOWPOS_CENTERED), static_cast<int>(SDL_WINDOWPOS_CENTERED),
            static_cast<int>(pixels.width), static_cast<int>(pixels.height)};
  }
  const int roomWidth = usable.w - frame.x - frame.w, roomHeight = usable.h - frame.y - frame.h;
  const graphics::Size size =
      DesktopWindowFit::openingSize(pixels, {static_cast<double>(roomWidth), static_cast<double>(roomHeight)});
  const int w = static_cast<int>(size.width), h = static_cast<int>(size.height);
  return {usable.x + frame.x + std::max(0, (roomWidth - w) / 2), usable.y + frame.y + std::max(0, (roomHeight - h) / 2),
          w, h};
}

Point DesktopWindow::toPoints(int x, int y) const {
  int w = 1, h = 1;
  sdl_.getWindowSize(sdlWindow_, &w, &h);
  return DesktopWindowFit::toPoints({static_cast<double>(x), static_cast<double>(y)}, window_->bounds().size,
                                    {static_cast<double>(w), static_cast<double>(h)});
}

bool DesktopWindow::handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT: return false;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) return false;
      // A finger cannot stay down on a window that lost the pointer: the touch is cancelled.
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && fingerDown_) {
        fingerDown_ = false;
        input_.touchCancel();
      }
      dirty_ = true;
      return true;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button != SDL_BUTTON_LEFT || fingerDown_) return true;
      fingerDown_ = true;
      lastFinger_ = pointer_ = toPoints(event.button.x, event.button.y);
      input_.touchDown(lastFinger_);
      break;
    case SDL_MOUSEMOTION:
      pointer_ = toPoints(event.motion.x, event.motion.y);
      if (!fingerDown_) return true;
      lastFinger_ = pointer_;
      input_.touchMove(lastFinger_);
      break;
    case SDL_MOUSEBUTTONUP:
      if (event.button.button != SDL_BUTTON_LEFT || !fingerDown_) return true;
      fingerDown_ = false;
      lastFinger_ = toPoints(event.button.x, event.button.y);
      input_.touchUp(lastFinger_);
      break;
    case SDL_MOUSEWHEEL: {
      // The wheel turned away from the person (y above zero) shows what lies above, so the content
      // offset goes down; a wheel or swipe to the right (x above zero) shows what lies to the right,
      // so the offset goes up, as in every desktop program.
      double flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
      input_.scrollWheel(pointer_, event.wheel.preciseX * flip * kWheelPoints,
                         -event.wheel.preciseY * flip * kWheelPoints);
      break;
    }
    case SDL_TEXTINPUT: input_.typeText(event.text.text); break;
    case SDL_KEYDOWN: return handleKey(event);
    default: return true;
  }
  dirty_ = true;
  return true;
}

bool DesktopWindow::handleKey(const SDL_Event& event) {
  switch (event.key.keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: input_.pressKey(Key::Return); break;
    case SDLK_ESCAPE: input_.pressKey(Key::Escape); break;
    case SDLK_BACKSPACE: input_.pressKey(Key::Backspace); break;
    case SDLK_F2: toggleAppearance(); break;
    case SDLK_F12: {
      std::string path = saveScreenshot();
      if (path.empty()) {
        std::cerr << "ostrel: could not save a screenshot in " << screenshotFolder_ << "\n";
      } else {
        std::cout << "ostrel: screenshot " << path << "\n";
      }
      break;
    }
    default: return true;
  }
  dirty_ = true;
  return true;
}

void DesktopWindow::toggleAppearance() {
  SystemAppearance::switchTo(*window_, window_->userInterfaceStyle() != ui::UserInterfaceStyle::Dark);
}

std::string DesktopWindow::saveScreenshot() {
  (void)foundation::AtomicFile::createDirectories(screenshotFolder_);  // a missing folder fails the write below
  for (int n = 1; n < 100000; ++n) {
    std::string path = screenshotFolder_ + "/ostrel-" + std::to_string(n) + ".png";
    if (foundation::AtomicFile::fileExists(path)) continue;
    return ui::Renderer::writePNG(*window_, path) ? path : "";
  }
  return "";
}

// Drawn at the scale the screen is shown at in the window's pixels, so text stays sharp in a window of
// any size and a small window costs less to draw; F12's shot is drawn apart, at the phone's own scale.
void DesktopWindow::redraw() {
  int outputWidth = 0, outputHeight = 0;
  if (sdl_.getRendererOutputSize(renderer_, &outputWidth, &outputHeight) != 0 || outputWidth <= 0 || outputHeight <= 0) {
    return;
  }
  const ui::Size points = window_->bounds().size;
  const graphics::Rect screen = DesktopWindowFit::screenIn(
      points, {static_cast<double>(outputWidth), static_cast<double>(outputHeight)});
  if (screen.isEmpty()) return;
  auto image = ui::Renderer::render(*window_, screen.width() / points.width, ui::Color::blackColor());
  if (!image) return;
  int w = image->pixelWidth(), h = image->pixelHeight();
  int tw = 0, th = 0;
  if (texture_) sdl_.queryTexture(texture_, nullptr, nullptr, &tw, &th);
  if (!texture_ || tw != w || th != h) {
    if (texture_) sdl_.destroyTexture(texture_);
    texture_ = sdl_.createTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (!texture_) return;
  }
  // The picture is opaque (the screen's black is behind it), so premultiplied pixels are plain ones.
  cairo_surface_t* surface = image->surface();
  cairo_surface_flush(surface);
  sdl_.updateTexture(texture_, nullptr, cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface));
  // Black bars either side of the screen where the window's shape is not the phone's.
  sdl_.setRenderDrawColor(renderer_, 0, 0, 0, 255);
  sdl_.renderClear(renderer_);
  const SDL_Rect place{static_cast<int>(std::lround(screen.minX())), static_cast<int>(std::lround(screen.minY())), w, h};
  sdl_.renderCopy(renderer_, texture_, nullptr, &place);
  sdl_.renderPresent(renderer_);
  dirty_ = false;
}

bool DesktopWindow::pump(int timeoutMs) {
  SDL_Event event;
  bool open = true;
  if (sdl_.waitEventTimeout(&event, timeoutMs)) {
    open = handle(event);
    while (open && sdl_.pollEvent(&event)) open = handle(event);
  }
  // A quit asked from outside (SIGTERM, Ctrl-C) ends the session as the window's close does.
  if (dispatch::QuitRequest::pending()) open = false;
  if (dispatch::MainLoop::runUntilIdle() > 0) dirty_ = true;
  // While timers are pending an animation may be running: keep the frames coming.
  if (foundation::Clock::current()->pendingTimers() > 0) dirty_ = true;
  if (open && dirty_) redraw();
  return open;
}

int DesktopWindow::run(std::shared_ptr<ui::Window> window, const std::string& screenshotFolder) {
  WindowInput input(window);
  std::string error;
  auto desktop = open(window, input, &error);
  if (!desktop) {
    std::cerr << "ostrel: " << error << "\n";
    return 1;
  }
  desktop->setScreenshotFolder(screenshotFolder);
  // Once the first picture is up it is said, for whoever waits to see the window.
  bool showing = desktop->pump(0);
  if (showing) log::write(log::Info, "the window is shown");
  while (showing) showing = desktop->pump(kFrameMilliseconds);
  if (const int signal = dispatch::QuitRequest::signal()) {
    log::write(log::Notice, std::string("quit asked by ") + dispatch::QuitRequest::signalName(signal));
  }
  // The app's end (leaving the foreground, then terminating) is the shell's, the same for every mode.
  desktop.reset();
  dispatch::MainLoop::runUntilIdle();
  return 0;
}

}  // namespace platform::shell
