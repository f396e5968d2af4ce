#include "platform/shell/DesktopWindow.h"

#include <cairo.h>

#include <cmath>
#include <iostream>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/QuitRequest.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/LeakSuppressions.h"
#include "platform/log/Log.h"
#include "platform/shell/DesktopLibrary.h"
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

// SDL's video layer is started once and kept for the process, as its library is (DesktopLibrary).
//
// Only a real display will do: left to itself SDL falls back to drivers that show nothing anywhere,
// and the app would run on with nobody able to see it. SDL_VIDEODRIVER, when set, still decides.
//
// SIGTERM and SIGINT are the shell's to handle (QuitRequest); SDL would otherwise take them over.
const DesktopLibrary* startVideo(std::string* error) {
  static auto* const failure = new std::string;
  static const DesktopLibrary* const started = []() -> const DesktopLibrary* {
    const DesktopLibrary* sdl = DesktopLibrary::load(failure);
    if (!sdl) return nullptr;
    sdl->setHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    sdl->setHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (sdl->initSubSystem(SDL_INIT_VIDEO) == 0) return sdl;
    *failure = "no display can be reached (check DISPLAY or WAYLAND_DISPLAY): " + std::string(sdl->getError());
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
  ui::Size points = desktop->window_->bounds().size;
  const double scale = desktop->window_->scale();
  desktop->sdlWindow_ = sdl->createWindow("Ostrel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                         static_cast<int>(std::lround(points.width * scale)),
                                         static_cast<int>(std::lround(points.height * scale)), SDL_WINDOW_SHOWN);
  if (!desktop->sdlWindow_) return fail("cannot open a window");
  // The picture is drawn in memory and only copied to the window, which needs no graphics driver. The
  // software renderer keeps the GPU driver stack out of the process: its threads, its compiler and the
  // thread-local blocks of libraries it loads at run time, which the leak checker of sanitizer builds
  // sometimes misreads at exit and aborts on. SDL_RENDER_DRIVER, when set, still decides.
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

// The window may be shown smaller than asked (a short desktop): positions scale with it.
Point DesktopWindow::toPoints(int x, int y) const {
  int w = 1, h = 1;
  sdl_.getWindowSize(sdlWindow_, &w, &h);
  ui::Size points = window_->bounds().size;
  double px = std::clamp(x * points.width / std::max(w, 1), 0.0, points.width);
  double py = std::clamp(y * points.height / std::max(h, 1), 0.0, points.height);
  return {px, py};
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
      double flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
      input_.scrollWheel(pointer_, -event.wheel.preciseX * flip * kWheelPoints,
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

void DesktopWindow::redraw() {
  auto image = ui::Renderer::render(*window_);
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
  sdl_.renderClear(renderer_);
  sdl_.renderCopy(renderer_, texture_, nullptr, nullptr);
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
