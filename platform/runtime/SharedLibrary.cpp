#include "platform/runtime/SharedLibrary.h"

#include <dlfcn.h>

namespace platform::runtime {

void* SharedLibrary::Binder::lookup(const char* symbol) {
  void* address = ::dlsym(handle_, symbol);
  if (!address && missing_.empty()) missing_ = symbol;
  return address;
}

std::string SharedLibrary::open(const std::string& soname, const std::string& purpose,
                                const std::function<void(Binder&)>& bind) {
  // Resolved in full now, so a library that does not fit fails here, with a reason, and not at a call.
  void* handle = ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = ::dlerror();
    return purpose + " cannot be loaded: " + std::string(reason ? reason : soname);
  }
  Binder binder(handle);
  bind(binder);
  if (binder.missing().empty()) return "";
  ::dlclose(handle);  // nothing of it has run
  return purpose + " " + soname + " has no " + binder.missing();
}

}  // namespace platform::runtime
