#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sdk/analytics/rules/ScriptHeap.h"

namespace sdk::analytics {

// Where each name of an insertion-ordered list sits, found by the name's hash (ScriptNameHash):
// open addressing with linear probing, never more than a quarter full after it grows. The hash is
// keyed, so a program cannot choose names that pile up on one slot; the probing that still
// happens past a name's own slot is charged to the heap's work meter all the same, so no choice of
// names buys unmetered work.
class NameIndex {
 public:
  bool empty() const { return slots_.empty(); }
  void clear() { slots_.clear(); }

  // The position of the entry with `hash` that `isAt(position)` accepts; -1 when there is none.
  template <typename IsAt>
  std::ptrdiff_t find(std::size_t hash, IsAt&& isAt) const {
    const std::size_t mask = slots_.size() - 1;
    std::int64_t passed = 0;
    for (std::size_t s = hash & mask;; s = (s + 1) & mask, ++passed) {
      const auto slot = slots_[s];
      if (slot == 0 || isAt(slot - 1)) {
        if (passed > 0) heap_->chargeLookupWork(passed);
        return static_cast<std::ptrdiff_t>(slot) - 1;
      }
    }
  }

  // Indexes the list's entries [0, count), `hashAt(i)` giving entry i's hash: only the newest
  // while the table has room, else all of them in a larger table.
  template <typename HashAt>
  void update(std::size_t count, HashAt&& hashAt, ScriptHeap& heap) {
    heap_ = &heap;
    if (!slots_.empty() && slots_.size() >= count * 2) {
      place(hashAt(count - 1), static_cast<std::uint32_t>(count - 1));
      return;
    }
    std::size_t size = 16;
    while (size < count * 4) size *= 2;
    slots_.assign(size, 0);
    for (std::uint32_t i = 0; i < count; ++i) place(hashAt(i), i);
  }

 private:
  void place(std::size_t hash, std::uint32_t position) {
    const std::size_t mask = slots_.size() - 1;
    std::int64_t passed = 0;
    std::size_t s = hash & mask;
    for (; slots_[s] != 0; s = (s + 1) & mask) ++passed;
    slots_[s] = position + 1;
    if (passed > 0) heap_->chargeLookupWork(passed);
  }

  std::vector<std::uint32_t> slots_;  // position + 1; 0 is free
  ScriptHeap* heap_ = nullptr;
};

}  // namespace sdk::analytics
