#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "sdk/analytics/rules/ScriptScope.h"

namespace sdk::analytics {

// The parameters of a call whose body binds no name of its own (it only reads, computes, assigns
// and returns): they live in these slots, in order, rather than in a scope made for the call.
// Every other name is found from the function's defining scope, just as from the call scope it
// would have had, which would have held nothing but the parameters.
class CallFrame {
 public:
  // `serial`: the function's own, from the heap's scope serials.
  CallFrame(std::span<const ScriptRef<ScriptStringValue>> names, std::span<const std::size_t> hashes,
            std::span<Operand> slots, ScriptScope& definingScope, std::uint64_t serial)
      : names_(names), hashes_(hashes), slots_(slots), definingScope_(definingScope), serial_(serial) {}

  // The slot of a parameter of that name (with its hash), or null. `cache` remembers the slot
  // under the frame's serial, a number no scope has; the position is the parameter's position in
  // the call scope the function would otherwise make, so the same cache serves that scope too.
  [[gnu::always_inline]] Operand* slotFor(const ScriptStringValue& name, std::size_t hash,
                                          ScriptScope::NameCache& cache) const {
    if (cache.scopeSerial == serial_) [[likely]] return &slots_[cache.position];
    return findSlot(name, hash, cache);
  }
  Operand* findSlot(const ScriptStringValue& name, std::size_t hash, ScriptScope::NameCache& cache) const {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (hashes_[i] == hash && (names_[i].get() == &name || names_[i]->value() == name.value())) {
        cache = {serial_, nullptr, 0, static_cast<std::uint32_t>(i)};
        return &slots_[i];
      }
    }
    return nullptr;
  }
  std::span<Operand> slots() const { return slots_; }
  ScriptScope& definingScope() const { return definingScope_; }

 private:
  std::span<const ScriptRef<ScriptStringValue>> names_;
  std::span<const std::size_t> hashes_;
  std::span<Operand> slots_;
  ScriptScope& definingScope_;
  std::uint64_t serial_;
};

}  // namespace sdk::analytics

