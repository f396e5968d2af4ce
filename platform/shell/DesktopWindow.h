#pragma once

#include <memory>
#include <string>

#include "platform/shell/InputSink.h"
#include "platform/ui/Window.h"

union SDL_Event;
struct SDL_Rect;
struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace platform::shell {

struct DesktopLibrary;

// The app on a desktop, in an SDL window that opens as large as the display lets it, up to the phone's
// own pixels, and may be resized: the phone's screen is drawn as large as fits, aspect kept
// (DesktopWindowFit), and the pointer is mapped back onto it.
// The left mouse button is one finger, stamped with the real clock, so flings and swipes feel as they
// do on the phone; the wheel scrolls the scroll view under the pointer the way it turns (a sideways view,
// such as a scroll bar, moves only with a sideways wheel or swipe), and the view tells its delegate of a
// burst of the wheel as of a short drag, ended once the wheel rests; typed text goes to the first
// responder; Return is Done and Escape is Cancel; F2 switches between the light and the dark
// appearance and F12 saves a screenshot.
class DesktopWindow {
 public:
  // Loads the desktop library and reaches the display, once for the process; false, with the reason in
  // `error`, when either cannot be had.
  // The desktop library may start a helper process there (the session bus's launcher), by a fork that
  // is only safe while the program has one thread: the shell calls this before the app starts any.
  static bool connectDisplay(std::string* error = nullptr);
  // Opens the window; null, with the reason in `error`, when no display or window can be had.
  static std::unique_ptr<DesktopWindow> open(std::shared_ptr<ui::Window> window, InputSink& input,
                                             std::string* error = nullptr);
  ~DesktopWindow();
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;

  // The whole desktop session for the app's window, until the user closes it or a quit is asked from
  // outside (QuitRequest). Returns the exit status.
  static int run(std::shared_ptr<ui::Window> window, const std::string& screenshotFolder = ".");

  // Waits up to `timeoutMs` for input, handles what came, runs the main queue and redraws when the
  // picture may have changed. False once the window has been closed or a quit has been asked.
  bool pump(int timeoutMs);
  // One event, as pump() handles it; false when it closes the window.
  bool handle(const SDL_Event& event);

  // Where F12 puts its pictures ("ostrel-<n>.png", the first number not taken).
  void setScreenshotFolder(std::string folder) { screenshotFolder_ = std::move(folder); }
  // Saves the window as it is now, at the phone's own resolution whatever the window's size; returns the
  // file's path, or "" when it could not be written.
  std::string saveScreenshot();
  // The SDL window's id, for events made up by tests.
  unsigned windowID() const;

 private:
  DesktopWindow(const DesktopLibrary& sdl, std::shared_ptr<ui::Window> window, InputSink& input);
  bool handleKey(const SDL_Event& event);
  void toggleAppearance();
  graphics::Size phonePixels() const;
  SDL_Rect placeOnDisplay(int display, SDL_Rect frame) const;
  Point toPoints(int x, int y) const;
  void redraw();

  const DesktopLibrary& sdl_;
  std::shared_ptr<ui::Window> window_;
  InputSink& input_;
  SDL_Window* sdlWindow_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::string screenshotFolder_ = ".";
  bool fingerDown_ = false;
  Point lastFinger_;
  Point pointer_;
  bool dirty_ = true;
};

}  // namespace platform::shell
