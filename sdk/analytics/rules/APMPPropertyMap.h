#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sdk/analytics/rules/APMPRuntimeValue.h"

// Named bindings in insertion order. Refused writes (an immutable map, a constant name) are silent.
// Not a heap object itself: its owner (a scope, map, array or function) charges and traces it.
class APMPPropertyMap {
 public:
  bool hasName(const std::u16string& name) const { return index_.find(name) != index_.end(); }
  // Each answers the change in charged bytes.
  std::ptrdiff_t setValue(const APMPValueRef& value, const std::u16string& name);
  std::ptrdiff_t setImmutableValue(const APMPValueRef& value, const std::u16string& name);
  std::ptrdiff_t removeValueForName(const std::u16string& name);
  // Nullptr for an absent name (callers read it as undefined).
  APMPRuntimeValue* valueForName(const std::u16string& name) const {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : entries_[it->second].value.get();
  }
  bool isConstant(const std::u16string& name) const {
    auto it = index_.find(name);
    return it != index_.end() && entries_[it->second].immutable;
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
    APMPValueRef value;
    bool immutable = false;
  };
  std::ptrdiff_t bind(const APMPValueRef& value, const std::u16string& name, bool immutable);

  std::vector<Entry> entries_;
  std::unordered_map<std::u16string, std::uint32_t> index_;
  bool immutable_ = false;
};
