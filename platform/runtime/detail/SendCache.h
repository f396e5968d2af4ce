#pragma once

// Internal to platform/runtime: public headers show it only so message sends can be inlined; never use it elsewhere.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Selector.h"

namespace platform::runtime {

namespace detail {
[[noreturn]] void throwUnrecognized(const Object& receiver, std::string_view selector);
[[noreturn]] void throwMismatch(const Object& receiver, std::string_view selector, IMP imp,
                                const char* expectedSignature);
void logMismatch(const Object& receiver, std::string_view selector, IMP imp, const char* expectedSignature);

template <class R, class... A, class... P>
R invoke(IMP imp, Object& receiver, P&&... args) {
  return static_cast<const TypedImplementation<R(A...)>*>(imp)->call(receiver, std::forward<P>(args)...);
}

// The last class and selector a thread sent through one signature, and what they resolved to: a hit
// costs a few compares and one indirect call. Being per thread, it needs no synchronisation; the
// process-wide version tells it when any method table changed.
template <class R, class... A>
struct SendCache {
  const Class* cls = nullptr;
  const char* name = nullptr;
  std::size_t length = 0;
  std::uint64_t version = 0;
  const TypedImplementation<R(A...)>* imp = nullptr;
};

template <class R, class... A>
SendCache<R, A...>& sendCache() {
  static thread_local SendCache<R, A...> last;
  return last;
}

// The hit path, small enough to inline into every call.
template <class R, class... A>
const TypedImplementation<R(A...)>* cached(const Class* cls, std::string_view selector) {
  const auto& last = sendCache<R, A...>();
  if (last.cls == cls && last.name == selector.data() && last.length == selector.size() &&
      last.version == gMethodsVersion.load(std::memory_order_acquire)) {
    return last.imp;
  }
  return nullptr;
}

// The miss path: the class's own cache, then its method tables. Raises for an unknown selector or a
// signature mismatch when `raise`, else logs a mismatch and gives nullptr.
template <class R, class... A>
[[gnu::noinline]] const TypedImplementation<R(A...)>* resolve(const Object& receiver, std::string_view selector,
                                                              bool raise) {
  const Class* cls = receiver.getClass();
  // The version is read before the look-up: a change made meanwhile leaves the entry marked older.
  const std::uint64_t version = gMethodsVersion.load(std::memory_order_acquire);
  IMP found = cls->cachedLookup(selector);
  if (!found) {
    if (raise) throwUnrecognized(receiver, selector);
    return nullptr;
  }
  if (found->signature() != signatureOf<R(A...)>()) {
    if (raise) throwMismatch(receiver, selector, found, typeid(R(A...)).name());
    logMismatch(receiver, selector, found, typeid(R(A...)).name());
    return nullptr;
  }
  auto* typed = static_cast<const TypedImplementation<R(A...)>*>(found);
  sendCache<R, A...>() = {cls, selector.data(), selector.size(), version, typed};
  return typed;
}

template <class R>
R zero() {
  if constexpr (!std::is_void_v<R>) return R{};
}
}  // namespace detail

}  // namespace platform::runtime
