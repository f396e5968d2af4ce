#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <span>

#include "sdk/analytics/rules/Operand.h"

namespace sdk::analytics {

// Arguments on their way into a call: on the stack when they are few, and each made only when it is
// added, since most calls pass far fewer than the room kept for them.
class OperandList {
 public:
  static constexpr std::size_t kInline = 8;

  explicit OperandList(std::size_t capacity) {
    if (capacity > kInline) {
      values_ = std::allocator<Operand>().allocate(capacity);
      capacity_ = capacity;
    }
  }
  OperandList(const OperandList&) = delete;
  OperandList& operator=(const OperandList&) = delete;
  ~OperandList() {
    std::destroy_n(values_, size_);
    if (capacity_ > 0) std::allocator<Operand>().deallocate(values_, capacity_);
  }

  // At most the capacity given.
  [[gnu::always_inline]] void push(Operand value) { new (values_ + size_++) Operand(std::move(value)); }
  std::span<Operand> span() { return {values_, size_}; }

 private:
  alignas(Operand) unsigned char storage_[kInline * sizeof(Operand)];
  Operand* values_ = reinterpret_cast<Operand*>(storage_);
  std::size_t size_ = 0;
  // Nonzero when the list is on the heap.
  std::size_t capacity_ = 0;
};

}  // namespace sdk::analytics

