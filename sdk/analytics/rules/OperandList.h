#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "sdk/analytics/rules/Operand.h"

namespace sdk::analytics {

// Arguments on their way into a call: on the stack when they are few, and each made only when it is
// added, since most calls pass far fewer than the room kept for them.
class OperandList {
 public:
  static constexpr std::size_t kInline = 8;

  explicit OperandList(std::size_t capacity) {
    if (capacity > kInline) {
      list_.reserve(capacity);
      values_ = list_.data();
    }
  }
  OperandList(const OperandList&) = delete;
  OperandList& operator=(const OperandList&) = delete;
  ~OperandList() {
    if (list_.capacity() == 0) std::destroy_n(values_, size_);
  }

  void push(Operand value) {
    if (list_.capacity() > 0) list_.push_back(std::move(value));
    else new (values_ + size_) Operand(std::move(value));
    ++size_;
  }
  std::span<Operand> span() { return {values_, size_}; }

 private:
  alignas(Operand) unsigned char storage_[kInline * sizeof(Operand)];
  Operand* values_ = reinterpret_cast<Operand*>(storage_);
  std::size_t size_ = 0;
  std::vector<Operand> list_;
};

}  // namespace sdk::analytics
