#pragma once

#include <cstddef>
#include <new>

namespace sdk::promises {

// The memory of chain steps (a chained promise and the step that resolves it share one block), kept
// for the next steps instead of handed back. A long chain is made whole before it runs: handed back to
// the system when it was done, its memory came back as fresh pages, each one faulted in and cleared,
// on every chain, which cost a step twice what it cost once the chain outgrew the caches.
//
// Each thread keeps a few hundred free blocks at hand, without a lock; more go to one store shared by
// every thread, which keeps at most kKeptBytes and hands the rest back. Blocks may be freed on any
// thread. In sanitizer builds a kept block is poisoned, so a use after its release is still caught.
class StepPool {
 public:
  static constexpr std::size_t kBlockBytes = 224;
  static constexpr std::size_t kKeptBytes = std::size_t{128} << 20;

  // A block of kBlockBytes, aligned for any object.
  static void* allocate();
  static void release(void* block) noexcept;
  // Free blocks kept by the calling thread and the shared store (for tests).
  static std::size_t keptBlocks();
};

// Allocates what is no larger than a block from the pool, anything larger as operator new does; for
// std::allocate_shared, which allocates the promise, its step and their counts as one.
template <typename T>
struct StepAllocator {
  using value_type = T;
  StepAllocator() = default;
  template <typename U>
  StepAllocator(const StepAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n * sizeof(T) <= StepPool::kBlockBytes) return static_cast<T*>(StepPool::allocate());
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) <= StepPool::kBlockBytes) {
      StepPool::release(p);
    } else {
      ::operator delete(p);
    }
  }
  friend bool operator==(const StepAllocator&, const StepAllocator&) { return true; }
};

}  // namespace sdk::promises
