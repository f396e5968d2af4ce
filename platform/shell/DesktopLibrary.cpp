#include "platform/shell/DesktopLibrary.h"

namespace platform::shell {
namespace {

static_assert(SDL_MAJOR_VERSION == 2, "the library's name below is that of the 2.x series");
// The name the 2.x series keeps across its releases (the one the linker would have recorded).
constexpr const char* kSoname = "libSDL2-2.0.so.0";

}  // namespace

const DesktopLibrary* DesktopLibrary::load(std::string* error) { return loadNamed(kSoname, error); }

const DesktopLibrary* DesktopLibrary::loadNamed(const std::string& soname, std::string* error) {
  return runtime::SharedLibrary::load<DesktopLibrary>(soname, "the window's library", error);
}

void DesktopLibrary::bind(runtime::SharedLibrary::Binder& binder) {
  binder("SDL_GetError", getError)("SDL_SetHint", setHint)("SDL_InitSubSystem", initSubSystem);
  binder("SDL_CreateWindow", createWindow)("SDL_DestroyWindow", destroyWindow)("SDL_GetWindowID", getWindowID);
  binder("SDL_GetWindowFromID", getWindowFromID)("SDL_GetWindowSize", getWindowSize)("SDL_SetWindowSize", setWindowSize);
  binder("SDL_SetWindowMinimumSize", setWindowMinimumSize)("SDL_GetWindowPosition", getWindowPosition);
  binder("SDL_SetWindowPosition", setWindowPosition)("SDL_GetWindowBordersSize", getWindowBordersSize);
  binder("SDL_GetWindowDisplayIndex", getWindowDisplayIndex)("SDL_GetDisplayUsableBounds", getDisplayUsableBounds);
  binder("SDL_CreateRenderer", createRenderer)("SDL_DestroyRenderer", destroyRenderer);
  binder("SDL_GetRendererOutputSize", getRendererOutputSize)("SDL_SetRenderDrawColor", setRenderDrawColor);
  binder("SDL_CreateTexture", createTexture)("SDL_DestroyTexture", destroyTexture)("SDL_QueryTexture", queryTexture);
  binder("SDL_UpdateTexture", updateTexture)("SDL_RenderClear", renderClear)("SDL_RenderCopy", renderCopy);
  binder("SDL_RenderPresent", renderPresent)("SDL_StartTextInput", startTextInput)("SDL_StopTextInput", stopTextInput);
  binder("SDL_WaitEventTimeout", waitEventTimeout)("SDL_PollEvent", pollEvent)("SDL_PushEvent", pushEvent);
}

}  // namespace platform::shell
