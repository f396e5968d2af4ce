#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Selector.h"

namespace platform::runtime {

// What trySend gives: whether a void method ran, or the result of any other.
template <class R>
using SendResult = std::conditional_t<std::is_void_v<R>, bool, std::optional<R>>;

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

// Calls the receiver's implementation of the selector. An unknown selector raises
// NSInvalidArgumentException ("unrecognized selector sent to ..."), as does an implementation that was
// stored with another signature than the selector's.
template <class R, class... A, class... P>
R send(Object& receiver, const Selector<R(A...)>& selector, P&&... args) {
  static_assert(std::is_invocable_v<void (*)(A...), P...>, "arguments do not fit the selector's signature");
  auto* imp = detail::cached<R, A...>(receiver.getClass(), selector.name);
  if (!imp) [[unlikely]] imp = detail::resolve<R, A...>(receiver, selector.name, true);
  return imp->call(receiver, std::forward<P>(args)...);
}

// A message to nil does nothing and returns zero, as the product's code expects.
template <class T, class R, class... A, class... P>
  requires std::is_base_of_v<Object, T>
R send(const std::shared_ptr<T>& receiver, const Selector<R(A...)>& selector, P&&... args) {
  if (!receiver) return detail::zero<R>();
  return send(static_cast<Object&>(*receiver), selector, std::forward<P>(args)...);
}

// As send, but an unknown selector gives an empty result, and a signature mismatch is logged and gives
// an empty result too.
template <class R, class... A, class... P>
SendResult<R> trySend(Object& receiver, const Selector<R(A...)>& selector, P&&... args) {
  static_assert(std::is_invocable_v<void (*)(A...), P...>, "arguments do not fit the selector's signature");
  auto* imp = detail::cached<R, A...>(receiver.getClass(), selector.name);
  if (!imp) imp = detail::resolve<R, A...>(receiver, selector.name, false);
  if constexpr (std::is_void_v<R>) {
    if (!imp) return false;
    imp->call(receiver, std::forward<P>(args)...);
    return true;
  } else {
    if (!imp) return std::nullopt;
    return imp->call(receiver, std::forward<P>(args)...);
  }
}

template <class T, class R, class... A, class... P>
  requires std::is_base_of_v<Object, T>
SendResult<R> trySend(const std::shared_ptr<T>& receiver, const Selector<R(A...)>& selector, P&&... args) {
  if (!receiver) return SendResult<R>{};
  return trySend(static_cast<Object&>(*receiver), selector, std::forward<P>(args)...);
}

// Runs the implementation the superclass of `from` has now: an override that calls its super's version
// reaches a replacement made after the override was installed.
template <class R, class... A, class... P>
R sendSuper(Object& receiver, const Class* from, const Selector<R(A...)>& selector, P&&... args) {
  static_assert(std::is_invocable_v<void (*)(A...), P...>, "arguments do not fit the selector's signature");
  const Class* super = from ? from->superclass() : nullptr;
  IMP imp = super ? super->cachedLookup(selector.name) : nullptr;
  if (!imp) detail::throwUnrecognized(receiver, selector.name);
  if (imp->signature() != signatureOf<R(A...)>()) {
    detail::throwMismatch(receiver, selector.name, imp, typeid(R(A...)).name());
  }
  return detail::invoke<R, A...>(imp, receiver, std::forward<P>(args)...);
}

// Runs a given implementation (one saved before a replacement, say) on a receiver, checked against the
// selector's signature like send.
template <class R, class... A, class... P>
R callImplementation(IMP imp, Object& receiver, const Selector<R(A...)>& selector, P&&... args) {
  static_assert(std::is_invocable_v<void (*)(A...), P...>, "arguments do not fit the selector's signature");
  if (!imp) detail::throwUnrecognized(receiver, selector.name);
  if (imp->signature() != signatureOf<R(A...)>()) {
    detail::throwMismatch(receiver, selector.name, imp, typeid(R(A...)).name());
  }
  return detail::invoke<R, A...>(imp, receiver, std::forward<P>(args)...);
}

template <class Sig>
bool respondsTo(const Object& receiver, const Selector<Sig>& selector) {
  return receiver.getClass()->cachedLookup(selector.name) != nullptr;
}

template <class T, class Sig>
  requires std::is_base_of_v<Object, T>
bool respondsTo(const std::shared_ptr<T>& receiver, const Selector<Sig>& selector) {
  return receiver && respondsTo(static_cast<const Object&>(*receiver), selector);
}

}  // namespace platform::runtime
