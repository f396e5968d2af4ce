#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Selector.h"
#include "platform/runtime/detail/SendCache.h"

namespace platform::runtime {

// What trySend gives: whether a void method ran, or the result of any other.
template <class R>
using SendResult = std::conditional_t<std::is_void_v<R>, bool, std::optional<R>>;

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
