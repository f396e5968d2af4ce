#pragma once

#include <cstddef>
#include <memory>

namespace sdk::analytics {

// Large blocks a thread freed, kept for its next list of exactly that size. An array that a loop
// fills grows through the same sizes every time it is filled anew; malloc hands blocks this large
// back to the system when they are freed, so without these every filling would fault its pages in
// again, which costs more than the filling itself. Only a few megabytes are kept.
class SpareLargeBlocks {
 public:
  // Smaller blocks come and go through malloc's own lists.
  static constexpr std::size_t kSmallest = 64 * 1024;
  static constexpr std::size_t kKeptBytes = 4 * 1024 * 1024;
  static constexpr std::size_t kKeptBlocks = 16;

  static void* take(std::size_t bytes);
  static void give(void* block, std::size_t bytes);
  // What the calling thread keeps now.
  static std::size_t keptBytes();
};

// An allocator whose large lists come from the thread's spare large blocks.
template <typename T>
struct LargeListAllocator {
  using value_type = T;

  LargeListAllocator() = default;
  template <typename U>
  LargeListAllocator(const LargeListAllocator<U>&) {}

  T* allocate(std::size_t n) {
    if (n * sizeof(T) < SpareLargeBlocks::kSmallest) return std::allocator<T>().allocate(n);
    return static_cast<T*>(SpareLargeBlocks::take(n * sizeof(T)));
  }
  void deallocate(T* block, std::size_t n) {
    if (n * sizeof(T) < SpareLargeBlocks::kSmallest) std::allocator<T>().deallocate(block, n);
    else SpareLargeBlocks::give(block, n * sizeof(T));
  }
  template <typename U>
  bool operator==(const LargeListAllocator<U>&) const { return true; }
};

}  // namespace sdk::analytics
