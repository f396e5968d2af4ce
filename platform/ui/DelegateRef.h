#pragma once

#include <memory>

namespace platform::ui {

// An unretained delegate. Owners that are shared objects hand in a weak reference; views that make
// themselves the delegate from their constructor (before they are shared) hand in a plain pointer and
// promise to outlive the object that calls them, which holding it as a subview guarantees.
template <class T>
class DelegateRef {
 public:
  // Keeps a weakly held delegate alive for the length of one call.
  struct Locked {
    std::shared_ptr<T> keep;
    T* ptr = nullptr;
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }
  };

  void set(T* delegate) {
    raw_ = delegate;
    weak_.reset();
  }
  void set(const std::shared_ptr<T>& delegate) {
    raw_ = nullptr;
    weak_ = delegate;
  }
  Locked lock() const {
    if (raw_) return {nullptr, raw_};
    auto strong = weak_.lock();
    T* p = strong.get();
    return {std::move(strong), p};
  }
  T* get() const { return lock().ptr; }

 private:
  T* raw_ = nullptr;
  std::weak_ptr<T> weak_;
};

}  // namespace platform::ui
