#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/analytics/rules/NameIndex.h"
#include "sdk/analytics/rules/Operand.h"
#include "sdk/analytics/rules/ScriptNameHash.h"
#include "sdk/analytics/rules/SpareBlockPool.h"

namespace sdk::analytics {

// A variable name with its hash: a statement hashes the names it spells out once, when the program
// loads, and every lookup then compares hashes before it compares text.
// A new binding keeps the name's string value when one is given (a literal of the program, a
// function's parameter), else makes one.
struct BindingName {
  explicit BindingName(const std::u16string& text, const ScriptStringValue* value = nullptr)
      : text(text), hash(hashOf(text)), value(value) {}
  BindingName(const std::u16string& text, std::size_t hash, const ScriptStringValue* value = nullptr)
      : text(text), hash(hash), value(value) {}
  explicit BindingName(const ScriptStringValue& value) : BindingName(value.value(), &value) {}
  static std::size_t hashOf(const std::u16string& text) { return ScriptNameHash::of(text); }

  const std::u16string& text;
  std::size_t hash;
  const ScriptStringValue* value;
};

// The own bindings of one scope, in the order they were made. A binding holds a value, or a number
// as a plain double until someone asks for it as a value. Scopes never lose a name, so the index
// that larger scopes keep only ever grows. Writes to an immutable scope, and to constants, are
// silently kept out; the scope charges and traces what is here.
class ScopeBindings {
 public:
  // The position of a name, or -1.
  std::ptrdiff_t find(const BindingName& name) const {
    auto isAt = [&](std::size_t i) { return entries_[i].hash == name.hash && entries_[i].name->value() == name.text; };
    if (index_.empty()) {
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (isAt(i)) return static_cast<std::ptrdiff_t>(i);
      }
      return -1;
    }
    return index_.find(name.hash, isAt);
  }
  bool hasName(const std::u16string& name) const { return find(BindingName(name)) >= 0; }
  bool isNameAt(std::size_t i, const BindingName& name) const {
    const auto& entry = entries_[i];
    return entry.hash == name.hash && (entry.name.get() == name.value || entry.name->value() == name.text);
  }
  // Kept beside the list: every remembered lookup of a running program compares it.
  std::size_t count() const { return count_; }

  // The binding at `i`; `value` is null while it holds a plain number.
  struct Entry {
    ScriptRef<ScriptStringValue> name;
    std::size_t hash;
    ScriptValueRef value;
    double number = 0;
    bool constant = false;
  };
  Entry& at(std::size_t i) { return entries_[i]; }
  const Entry& at(std::size_t i) const { return entries_[i]; }
  static Operand operandOf(const Entry& entry) {
    return entry.value ? Operand(entry.value) : Operand(entry.number);
  }
  // Writes a binding that exists; a constant keeps its value.
  void write(std::size_t i, const Operand& value) {
    auto& entry = entries_[i];
    if (entry.constant) return;
    store(entry, value);
  }
  void writeNumber(std::size_t i, double number) {
    auto& entry = entries_[i];
    if (entry.constant) return;
    entry.value = nullptr;
    entry.number = number;
  }

  // Binds in this scope, replacing a binding that is not a constant; answers the change in charged
  // bytes. A new name's string value is made in `heap` when the name brings none.
  std::ptrdiff_t bind(const Operand& value, const BindingName& name, bool constant, ScriptHeap& heap);
  // The same for a name not bound here (the caller knows).
  std::ptrdiff_t append(const Operand& value, const BindingName& name, bool constant, ScriptHeap& heap);
  // For a scope used again: keeps the first `n` bindings, emptied and no longer constant, and drops
  // the rest; answers the change in charged bytes.
  std::ptrdiff_t keepFirst(std::size_t n);
  // Whether keepFirst can work here: a small scope that writes go into.
  bool isReusable() const { return index_.empty() && !immutable_; }
  // Sets the binding at `i` whatever it held.
  void reset(std::size_t i, const Operand& value) { store(entries_[i], value); }
  void makeImmutable() { immutable_ = true; }
  bool isImmutable() const { return immutable_; }

  template <typename F>
  void forEachValue(F&& visit) const {
    for (const auto& entry : entries_) {
      if (entry.value) visit(entry.value.get());
    }
  }
  void clear() {
    entries_.clear();
    count_ = 0;
    index_.clear();
  }

 private:
  static void store(Entry& entry, const Operand& value) {
    if (value.isPlainNumber()) {
      entry.value = nullptr;
      entry.number = value.number();
    } else {
      entry.value = value.object() ? value.object() : ScriptValueRef(scriptUndefined());
    }
  }
  // Scopes of calls and loops hold a handful of names, found by scanning; beyond this many a scope
  // keeps an index of positions.
  static constexpr std::size_t kScannedEntries = 8;
  std::vector<Entry, SmallListAllocator<Entry>> entries_;
  NameIndex index_;
  std::uint32_t count_ = 0;
  bool immutable_ = false;
};

}  // namespace sdk::analytics

