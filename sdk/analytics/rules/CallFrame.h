#pragma once

#include <cstddef>
#include <span>

#include "sdk/analytics/rules/APMPScope.h"

namespace sdk::analytics {

// The parameters of a call whose body binds no name of its own (it only reads, computes, assigns
// and returns): they live in these slots, in order, rather than in a scope made for the call.
// Every other name is found from the function's defining scope, just as from the call scope it
// would have had, which would have held nothing but the parameters.
class CallFrame {
 public:
  CallFrame(std::span<const APMPRef<APMPStringValue>> names, std::span<const std::size_t> hashes,
            std::span<Operand> slots, APMPScope& definingScope)
      : names_(names), hashes_(hashes), slots_(slots), definingScope_(definingScope) {}

  // The slot of a parameter of that name, or null.
  Operand* slotFor(const BindingName& name) const {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (hashes_[i] == name.hash && (names_[i].get() == name.value || names_[i]->value() == name.text)) {
        return &slots_[i];
      }
    }
    return nullptr;
  }
  std::span<Operand> slots() const { return slots_; }
  APMPScope& definingScope() const { return definingScope_; }

 private:
  std::span<const APMPRef<APMPStringValue>> names_;
  std::span<const std::size_t> hashes_;
  std::span<Operand> slots_;
  APMPScope& definingScope_;
};

}  // namespace sdk::analytics
