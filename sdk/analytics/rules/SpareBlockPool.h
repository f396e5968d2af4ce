#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace sdk::analytics {

// Blocks of one size that a thread freed, kept for its next objects of that size: the interpreter
// makes a number, a call scope or a return value at nearly every step, and malloc would be most of
// the cost. The list is bounded, so a run that once made many keeps no more than kKept spare.
template <std::size_t Size>
class SpareBlockPool {
 public:
  static void* take() {
    if (gone()) return ::operator new(Size);
    return list().take();
  }
  static void give(void* block) {
    if (gone()) ::operator delete(block);
    else list().give(block);
  }

 private:
  static constexpr std::size_t kKept = 4096;

  class List {
   public:
    // Objects a static frees after the thread's own objects are gone bypass the list.
    ~List() {
      gone() = true;
      while (head_) {
        auto* next = head_->next;
        ::operator delete(head_);
        head_ = next;
      }
    }
    void* take() {
      if (!head_) return ::operator new(Size);
      auto* block = head_;
      head_ = block->next;
      --count_;
      return block;
    }
    void give(void* block) {
      if (count_ >= kKept) {
        ::operator delete(block);
        return;
      }
      head_ = new (block) Free{head_};
      ++count_;
    }

   private:
    struct Free {
      Free* next;
    };
    Free* head_ = nullptr;
    std::size_t count_ = 0;
  };

  static bool& gone() {
    static thread_local bool value = false;
    return value;
  }
  static List& list() {
    static thread_local List value;
    return value;
  }
};

// An allocator whose smallest lists (kSmall elements, the size a property map starts with) come from
// the thread's spare blocks.
template <typename T>
struct SmallListAllocator {
  using value_type = T;
  static constexpr std::size_t kSmall = 4;

  SmallListAllocator() = default;
  template <typename U>
  SmallListAllocator(const SmallListAllocator<U>&) {}

  T* allocate(std::size_t n) {
    if (n == kSmall) return static_cast<T*>(SpareBlockPool<kSmall * sizeof(T)>::take());
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* block, std::size_t n) {
    if (n == kSmall) SpareBlockPool<kSmall * sizeof(T)>::give(block);
    else std::allocator<T>().deallocate(block, n);
  }
  template <typename U>
  bool operator==(const SmallListAllocator<U>&) const { return true; }
};

}  // namespace sdk::analytics

