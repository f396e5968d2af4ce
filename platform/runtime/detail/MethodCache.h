#pragma once

// Internal to platform/runtime: public headers show it only so message sends can be inlined; never use it elsewhere.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/runtime/Selector.h"

namespace platform::runtime {

namespace detail {
// Bumped on every method-table change; a cache built for an older version is not trusted.
extern std::atomic<std::uint64_t> gMethodsVersion;

inline std::size_t cacheSlotOf(const char* key) {
  auto v = reinterpret_cast<std::uintptr_t>(key);
  return static_cast<std::size_t>(v ^ (v >> 5) ^ (v >> 13));
}

// An open-addressing table from selector-name address to implementation (nullptr caches a miss).
// Only the registry lock holder inserts; an entry is written once and published by the release store
// of its key, so readers probe without a lock.
struct MethodCache {
  struct Entry {
    std::atomic<const char*> key{nullptr};
    std::size_t length = 0;
    IMP imp = nullptr;
  };

  MethodCache(std::uint64_t version, std::size_t capacity)
      : version(version), mask(capacity - 1), entries(new Entry[capacity]) {}

  // Whether the selector is cached; its implementation (maybe nullptr) goes to `imp`.
  bool find(std::string_view selector, IMP& imp) const {
    for (std::size_t i = cacheSlotOf(selector.data()) & mask;; i = (i + 1) & mask) {
      const char* key = entries[i].key.load(std::memory_order_acquire);
      if (!key) return false;
      if (key == selector.data() && entries[i].length == selector.size()) {
        imp = entries[i].imp;
        return true;
      }
    }
  }

  void insert(std::string_view selector, IMP imp) {
    std::size_t i = cacheSlotOf(selector.data()) & mask;
    while (entries[i].key.load(std::memory_order_relaxed)) i = (i + 1) & mask;
    entries[i].length = selector.size();
    entries[i].imp = imp;
    entries[i].key.store(selector.data(), std::memory_order_release);
    ++used;
  }

  bool hasRoomForOneMore() const { return (used + 1) * 2 <= mask + 1; }

  const std::uint64_t version;
  const std::size_t mask;
  std::size_t used = 0;
  std::unique_ptr<Entry[]> entries;
};
}  // namespace detail

}  // namespace platform::runtime
