#include "platform/shell/DesktopLibrary.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace platform::shell {
namespace {

static_assert(SDL_MAJOR_VERSION == 2, "the library's name below is that of the 2.x series");
// The name the 2.x series keeps across its releases (the one the linker would have recorded).
constexpr const char* kSoname = "libSDL2-2.0.so.0";

struct Loaded {
  std::unique_ptr<DesktopLibrary> library;
  std::string error;
};

template <typename Function>
bool bind(void* handle, const char* name, Function& function, std::string& missing) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  if (!function) missing = name;
  return function != nullptr;
}

bool bindAll(void* handle, DesktopLibrary& l, std::string& missing) {
  return bind(handle, "SDL_GetError", l.getError, missing) && bind(handle, "SDL_SetHint", l.setHint, missing) &&
         bind(handle, "SDL_InitSubSystem", l.initSubSystem, missing) &&
         bind(handle, "SDL_CreateWindow", l.createWindow, missing) &&
         bind(handle, "SDL_DestroyWindow", l.destroyWindow, missing) &&
         bind(handle, "SDL_GetWindowID", l.getWindowID, missing) &&
         bind(handle, "SDL_GetWindowFromID", l.getWindowFromID, missing) &&
         bind(handle, "SDL_GetWindowSize", l.getWindowSize, missing) &&
         bind(handle, "SDL_CreateRenderer", l.createRenderer, missing) &&
         bind(handle, "SDL_DestroyRenderer", l.destroyRenderer, missing) &&
         bind(handle, "SDL_CreateTexture", l.createTexture, missing) &&
         bind(handle, "SDL_DestroyTexture", l.destroyTexture, missing) &&
         bind(handle, "SDL_QueryTexture", l.queryTexture, missing) &&
         bind(handle, "SDL_UpdateTexture", l.updateTexture, missing) &&
         bind(handle, "SDL_RenderClear", l.renderClear, missing) &&
         bind(handle, "SDL_RenderCopy", l.renderCopy, missing) &&
         bind(handle, "SDL_RenderPresent", l.renderPresent, missing) &&
         bind(handle, "SDL_StartTextInput", l.startTextInput, missing) &&
         bind(handle, "SDL_StopTextInput", l.stopTextInput, missing) &&
         bind(handle, "SDL_WaitEventTimeout", l.waitEventTimeout, missing) &&
         bind(handle, "SDL_PollEvent", l.pollEvent, missing) && bind(handle, "SDL_PushEvent", l.pushEvent, missing);
}

Loaded open(const std::string& soname) {
  // Resolved in full now, so a library that does not fit fails here, with a reason, and not at a call.
  void* handle = ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = ::dlerror();
    return {nullptr, "the window's library cannot be loaded: " + std::string(reason ? reason : soname)};
  }
  auto library = std::make_unique<DesktopLibrary>();
  std::string missing;
  if (!bindAll(handle, *library, missing)) {
    ::dlclose(handle);  // nothing of it has run
    return {nullptr, "the window's library " + soname + " has no " + missing};
  }
  return {std::move(library), ""};
}

}  // namespace

const DesktopLibrary* DesktopLibrary::load(std::string* error) { return loadNamed(kSoname, error); }

const DesktopLibrary* DesktopLibrary::loadNamed(const std::string& soname, std::string* error) {
  // Never destroyed: the library stays loaded for the process, and so do the pointers into it.
  static auto* const mutex = new std::mutex;
  static auto* const loaded = new std::map<std::string, Loaded>;
  std::lock_guard lock(*mutex);
  auto [entry, fresh] = loaded->try_emplace(soname);
  if (fresh) entry->second = open(soname);
  if (!entry->second.library && error) *error = entry->second.error;
  return entry->second.library.get();
}

}  // namespace platform::shell
