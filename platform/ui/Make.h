#pragma once

#include <memory>
#include <utility>

namespace platform::ui {

namespace detail {
// Reaches a protected constructor of T on make<T>()'s behalf; nothing else names it.
template <class T>
struct HeapOnly final : T {
  template <class... A>
  explicit HeapOnly(A&&... a) : T(std::forward<A>(a)...) {}
};
}  // namespace detail

// Views, view controllers and layers hand out shared_from_this to their layers, recognisers and timers, so
// they must live on the heap from the start: their constructors are protected and every one is made here.
template <class T, class... Args>
std::shared_ptr<T> make(Args&&... args) {
  return std::make_shared<detail::HeapOnly<T>>(std::forward<Args>(args)...);
}

}  // namespace platform::ui
