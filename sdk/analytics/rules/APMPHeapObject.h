#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

class APMPHeap;

// Everything a script can reach is an APMPHeapObject: counted references keep plain values alive,
// and the owning heap finds the cycles that closures and containers make (see APMPHeap::collect).
// The shared undefined, null, boolean and hole values are immortal: they are never counted, so
// runtimes on different threads can share them.
class APMPHeapObject {
 public:
  APMPHeapObject(const APMPHeapObject&) = delete;
  APMPHeapObject& operator=(const APMPHeapObject&) = delete;
  virtual ~APMPHeapObject();

  void retain() const {
    if (!immortal_) ++references_;
  }
  void release() const {
    if (!immortal_ && --references_ == 0) delete this;
  }
  APMPHeap* heap() const { return heap_; }
  // Whether anything but the one reference its owner holds keeps the object.
  bool isShared() const { return references_ > 1; }

  // Containers name every object they hold, so the heap can trace and break cycles.
  template <typename F>
  void forEachChild(F&& visit) {
    using Fn = std::remove_reference_t<F>;
    visitChildren(+[](APMPHeapObject* child, void* context) { (*static_cast<Fn*>(context))(child); }, &visit);
  }

 protected:
  // An immortal object (no heap).
  APMPHeapObject() : immortal_(true) {}
  // An object charged to `heap`; `tracked` objects can hold others and take part in collection.
  APMPHeapObject(APMPHeap& heap, std::size_t bytes, bool tracked);

  using ChildVisitor = void (*)(APMPHeapObject* child, void* context);
  virtual void visitChildren(ChildVisitor, void*) {}
  // Drops every held reference; called only on garbage, to break its cycles.
  virtual void clearChildren() {}
  // Charges (or, negative, refunds) bytes of growth after construction.
  void chargeBytes(std::ptrdiff_t bytes);

 private:
  friend class APMPHeap;

  mutable std::uint32_t references_ = 0;
  const bool immortal_;
  bool tracked_ = false;
  std::uint32_t gcReferences_ = 0;
  APMPHeap* heap_ = nullptr;
  std::size_t charged_ = 0;
  APMPHeapObject* previous_ = nullptr;
  APMPHeapObject* next_ = nullptr;
};

// A counted reference to a heap object.
template <typename T>
class APMPRef {
 public:
  APMPRef() = default;
  APMPRef(std::nullptr_t) {}
  APMPRef(T* object) : object_(object) {
    if (object_) object_->retain();
  }
  template <typename U>
    requires std::is_convertible_v<U*, T*>
  APMPRef(const APMPRef<U>& other) : APMPRef(other.get()) {}
  APMPRef(const APMPRef& other) : APMPRef(other.object_) {}
  APMPRef(APMPRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  APMPRef& operator=(APMPRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~APMPRef() {
    if (object_) object_->release();
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  bool operator==(const APMPRef& other) const { return object_ == other.object_; }

 private:
  T* object_ = nullptr;
};
