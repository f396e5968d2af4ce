#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace sdk::analytics {

class ScriptHeap;

// Everything a script can reach is an ScriptHeapObject: counted references keep plain values alive,
// and the owning heap finds the cycles that closures and containers make (see ScriptHeap::collect).
// The shared undefined, null, boolean and hole values are immortal: they are never counted, so
// runtimes on different threads can share them.
class ScriptHeapObject {
 public:
  ScriptHeapObject(const ScriptHeapObject&) = delete;
  ScriptHeapObject& operator=(const ScriptHeapObject&) = delete;
  virtual ~ScriptHeapObject();

  void retain() const {
    if (!immortal_) ++references_;
  }
  [[gnu::always_inline]] void release() const {
    if (!immortal_ && --references_ == 0) destroy(this);
  }
  ScriptHeap* heap() const { return heap_; }
  // Whether anything but the one reference its owner holds keeps the object.
  bool isShared() const { return references_ > 1; }

  // Containers name every object they hold, so the heap can trace and break cycles.
  template <typename F>
  void forEachChild(F&& visit) {
    using Fn = std::remove_reference_t<F>;
    visitChildren(+[](ScriptHeapObject* child, void* context) { (*static_cast<Fn*>(context))(child); }, &visit);
  }

 protected:
  // An immortal object (no heap).
  ScriptHeapObject() : immortal_(true) {}
  // An object charged to `heap`; `tracked` objects can hold others and take part in collection.
  ScriptHeapObject(ScriptHeap& heap, std::size_t bytes, bool tracked);

  using ChildVisitor = void (*)(ScriptHeapObject* child, void* context);
  virtual void visitChildren(ChildVisitor, void*) {}
  // Drops every held reference; called only on garbage, to break its cycles.
  virtual void clearChildren() {}
  // Charges (or, negative, refunds) bytes of growth after construction.
  void chargeBytes(std::ptrdiff_t bytes);

 private:
  friend class ScriptHeap;

  // Deletes an object whose last reference went.
  [[gnu::noinline]] static void destroy(const ScriptHeapObject* object);

  mutable std::uint32_t references_ = 0;
  const bool immortal_;
  bool tracked_ = false;
  std::uint32_t gcReferences_ = 0;
  ScriptHeap* heap_ = nullptr;
  std::size_t charged_ = 0;
  ScriptHeapObject* previous_ = nullptr;
  ScriptHeapObject* next_ = nullptr;
};

// A counted reference to a heap object.
template <typename T>
class ScriptRef {
 public:
  ScriptRef() = default;
  ScriptRef(std::nullptr_t) {}
  ScriptRef(T* object) : object_(object) {
    if (object_) object_->retain();
  }
  template <typename U>
    requires std::is_convertible_v<U*, T*>
  ScriptRef(const ScriptRef<U>& other) : ScriptRef(other.get()) {}
  ScriptRef(const ScriptRef& other) : ScriptRef(other.object_) {}
  ScriptRef(ScriptRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ScriptRef& operator=(ScriptRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  [[gnu::always_inline]] ~ScriptRef() {
    if (object_) object_->release();
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  bool operator==(const ScriptRef& other) const { return object_ == other.object_; }

 private:
  T* object_ = nullptr;
};

}  // namespace sdk::analytics

