#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sdk/analytics/rules/NameIndex.h"
#include "sdk/analytics/rules/ScriptNameHash.h"
#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/SpareBlockPool.h"

namespace sdk::analytics {

// Named bindings in insertion order. Refused writes (an immutable map, a constant name) are silent.
// Not a heap object itself: its owner (a scope, map, array or function) charges and traces it.
class ScriptPropertyMap {
 public:
  bool hasName(const std::u16string& name) const { return find(name) >= 0; }
  // Each answers the change in charged bytes; the owner's heap pays for finding names.
  std::ptrdiff_t setValue(const ScriptValueRef& value, const std::u16string& name, ScriptHeap& heap);
  std::ptrdiff_t setImmutableValue(const ScriptValueRef& value, const std::u16string& name, ScriptHeap& heap);
  std::ptrdiff_t removeValueForName(const std::u16string& name, ScriptHeap& heap);
  // Nullptr for an absent name (callers read it as undefined).
  ScriptValue* valueForName(const std::u16string& name) const {
    const auto i = find(name);
    return i < 0 ? nullptr : entries_[static_cast<std::size_t>(i)].value.get();
  }
  bool isConstant(const std::u16string& name) const {
    const auto i = find(name);
    return i >= 0 && entries_[static_cast<std::size_t>(i)].immutable;
  }
  void makeImmutable() { immutable_ = true; }
  bool isImmutable() const { return immutable_; }
  std::vector<std::u16string> allNames() const;
  std::size_t count() const { return entries_.size(); }

  template <typename F>
  void forEachValue(F&& visit) const {
    for (const auto& entry : entries_) visit(entry.value.get());
  }
  template <typename F>
  void forEachEntry(F&& visit) const {
    for (const auto& entry : entries_) visit(entry.name, entry.value);
  }
  void clear() {
    entries_.clear();
    index_.clear();
  }

  static std::size_t entryBytes(const std::u16string& name) { return 96 + name.size() * 2; }

 private:
  struct Entry {
    std::u16string name;
    ScriptValueRef value;
    std::size_t hash = 0;  // set while the map keeps an index
    bool immutable = false;
  };
  std::ptrdiff_t bind(const ScriptValueRef& value, const std::u16string& name, bool immutable, ScriptHeap& heap);
  // Indexes every entry, or only the newest when the index holds the others.
  void index(ScriptHeap& heap);
  // Scopes and most objects hold a handful of names: those are found by scanning, and only larger
  // maps keep an index (which then holds every entry).
  static constexpr std::size_t kScannedEntries = 8;
  std::ptrdiff_t find(const std::u16string& name) const {
    if (index_.empty()) {
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].name == name) return static_cast<std::ptrdiff_t>(i);
      }
      return -1;
    }
    const auto hash = ScriptNameHash::of(name);
    return index_.find(hash, [&](std::size_t i) { return entries_[i].hash == hash && entries_[i].name == name; });
  }

  std::vector<Entry, SmallListAllocator<Entry>> entries_;
  NameIndex index_;
  bool immutable_ = false;
};

}  // namespace sdk::analytics

