#pragma once

#include <SDL.h>

#include <string>

#include "platform/runtime/SharedLibrary.h"

namespace platform::shell {

// The desktop library (SDL2) as the window uses it, loaded when a window is first wanted rather than
// with the program. It pulls in a third of the shared libraries a start would load (X, Wayland, audio,
// the session bus), which a headless start or a script never needs: loading them cost a start more
// than the app's own work.
//
// Loaded once for the process and never unloaded (runtime::SharedLibrary): the X libraries it opens keep
// allocations for their own lifetime, which would look like leaks of unknown origin once they were gone.
struct DesktopLibrary {
  // The library, or null with the reason in `error` when it cannot be loaded.
  static const DesktopLibrary* load(std::string* error = nullptr);
  // As load(), from the shared library named `soname` (tests name one that is not there). Each name is
  // tried once for the process.
  static const DesktopLibrary* loadNamed(const std::string& soname, std::string* error = nullptr);

  // Names each function for runtime::SharedLibrary.
  void bind(runtime::SharedLibrary::Binder& binder);

  decltype(&::SDL_GetError) getError = nullptr;
  decltype(&::SDL_SetHint) setHint = nullptr;
  decltype(&::SDL_InitSubSystem) initSubSystem = nullptr;
  decltype(&::SDL_CreateWindow) createWindow = nullptr;
  decltype(&::SDL_DestroyWindow) destroyWindow = nullptr;
  decltype(&::SDL_GetWindowID) getWindowID = nullptr;
  decltype(&::SDL_GetWindowFromID) getWindowFromID = nullptr;
  decltype(&::SDL_GetWindowSize) getWindowSize = nullptr;
  decltype(&::SDL_SetWindowSize) setWindowSize = nullptr;
  decltype(&::SDL_SetWindowMinimumSize) setWindowMinimumSize = nullptr;
  decltype(&::SDL_GetWindowPosition) getWindowPosition = nullptr;
  decltype(&::SDL_SetWindowPosition) setWindowPosition = nullptr;
  decltype(&::SDL_GetWindowBordersSize) getWindowBordersSize = nullptr;
  decltype(&::SDL_GetWindowDisplayIndex) getWindowDisplayIndex = nullptr;
  decltype(&::SDL_GetDisplayUsableBounds) getDisplayUsableBounds = nullptr;
  decltype(&::SDL_CreateRenderer) createRenderer = nullptr;
  decltype(&::SDL_DestroyRenderer) destroyRenderer = nullptr;
  decltype(&::SDL_GetRendererOutputSize) getRendererOutputSize = nullptr;
  decltype(&::SDL_SetRenderDrawColor) setRenderDrawColor = nullptr;
  decltype(&::SDL_CreateTexture) createTexture = nullptr;
  decltype(&::SDL_DestroyTexture) destroyTexture = nullptr;
  decltype(&::SDL_QueryTexture) queryTexture = nullptr;
  decltype(&::SDL_UpdateTexture) updateTexture = nullptr;
  decltype(&::SDL_RenderClear) renderClear = nullptr;
  decltype(&::SDL_RenderCopy) renderCopy = nullptr;
  decltype(&::SDL_RenderPresent) renderPresent = nullptr;
  decltype(&::SDL_StartTextInput) startTextInput = nullptr;
  decltype(&::SDL_StopTextInput) stopTextInput = nullptr;
  decltype(&::SDL_WaitEventTimeout) waitEventTimeout = nullptr;
  decltype(&::SDL_PollEvent) pollEvent = nullptr;
  decltype(&::SDL_PushEvent) pushEvent = nullptr;
};

}  // namespace platform::shell
