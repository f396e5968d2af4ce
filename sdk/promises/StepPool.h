#pragma once

#include <cstddef>
#include <new>

namespace sdk::promises {

// The memory of chain steps (a chained promise and the step that resolves it share one block), of
// promises and of the observers a join puts on its members, kept for the next ones instead of handed
// back. A long chain, or a join over many promises, is made whole before it runs: handed back to the
// system when it was done, its memory came back as fresh pages, each one faulted in and cleared, on
// every chain, which cost a step twice what it cost once the chain outgrew the caches.
//
// Blocks come in two sizes: a step's, and a promise's or an observer's. Each thread keeps a few
// hundred free blocks of each at hand, without a lock; more go to one store shared by every thread,
// which keeps at most kKeptBytes and hands the rest back. Blocks may be freed on any thread. In
// sanitizer builds a kept block is poisoned, so a use after its release is still caught.
class StepPool {
 public:
  static constexpr std::size_t kSmallBlockBytes = 128;
  static constexpr std::size_t kBlockBytes = 224;
  static constexpr std::size_t kKeptBytes = std::size_t{128} << 20;
  // Free blocks of one size a thread keeps for itself; past this many, half go to the shared store.
  static constexpr std::size_t kThreadBlocks = 512;

  // A block for `bytes` (at most kBlockBytes): of kSmallBlockBytes when they fit, else of
  // kBlockBytes; aligned for any object.
  static void* allocate(std::size_t bytes = kBlockBytes);
  // Gives back a block allocated for `bytes`.
  static void release(void* block, std::size_t bytes = kBlockBytes) noexcept;
  // Free blocks of the size that holds `bytes`, kept by the calling thread and the shared store (for
  // tests). Other threads add to the store when they please: a worker that ends hands its blocks there.
  static std::size_t keptBlocks(std::size_t bytes = kBlockBytes);
  // Those kept by the calling thread alone, a count no other thread changes (for tests).
  static std::size_t keptBlocksOnThisThread(std::size_t bytes = kBlockBytes);
};

// Allocates what is no larger than a block from the pool, anything larger as operator new does; for
// std::allocate_shared, which allocates a promise (and its step) and their counts as one.
template <typename T>
struct StepAllocator {
  using value_type = T;
  StepAllocator() = default;
  template <typename U>
  StepAllocator(const StepAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n * sizeof(T) <= StepPool::kBlockBytes) return static_cast<T*>(StepPool::allocate(n * sizeof(T)));
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) <= StepPool::kBlockBytes) {
      StepPool::release(p, n * sizeof(T));
    } else {
      ::operator delete(p);
    }
  }
  friend bool operator==(const StepAllocator&, const StepAllocator&) { return true; }
};

}  // namespace sdk::promises
