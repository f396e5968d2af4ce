#include "sdk/analytics/rules/ScopeBindings.h"

#include "sdk/analytics/rules/ScriptPropertyMap.h"

namespace sdk::analytics {

std::ptrdiff_t ScopeBindings::bind(const Operand& value, const BindingName& name, bool constant, ScriptHeap& heap) {
  if (immutable_) return 0;
  if (const auto i = find(name); i >= 0) {
    auto& entry = entries_[static_cast<std::size_t>(i)];
    if (entry.constant) return 0;
    store(entry, value);
    entry.constant = constant;
    return 0;
  }
  return append(value, name, constant, heap);
}

std::ptrdiff_t ScopeBindings::append(const Operand& value, const BindingName& name, bool constant, ScriptHeap& heap) {
  if (immutable_) return 0;
  if (entries_.empty()) entries_.reserve(SmallListAllocator<Entry>::kSmall);  // parameters, loop variables
  auto text = name.value ? ScriptRef<ScriptStringValue>(const_cast<ScriptStringValue*>(name.value))
                         : heap.make<ScriptStringValue>(name.text);
  entries_.push_back(Entry{std::move(text), name.hash, nullptr, 0, constant});
  store(entries_.back(), value);
  const auto position = static_cast<std::uint32_t>(entries_.size() - 1);
  if (!slots_.empty() && slots_.size() >= entries_.size() * 2) {
    index(position);
  } else if (entries_.size() > kScannedEntries) {
    rebuildIndex();
  }
  // A scope's binding costs what a property of an object costs.
  return static_cast<std::ptrdiff_t>(ScriptPropertyMap::entryBytes(name.text));
}

std::ptrdiff_t ScopeBindings::keepFirst(std::size_t n) {
  std::ptrdiff_t refund = 0;
  for (std::size_t i = n; i < entries_.size(); ++i) {
    refund -= static_cast<std::ptrdiff_t>(ScriptPropertyMap::entryBytes(entries_[i].name->value()));
  }
  if (entries_.size() > n) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(n), entries_.end());
  for (auto& entry : entries_) {
    entry.value = nullptr;
    entry.number = 0;
    entry.constant = false;
  }
  return refund;
}

std::ptrdiff_t ScopeBindings::findIndexed(const BindingName& name) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = name.hash & mask;; s = (s + 1) & mask) {
    const auto slot = slots_[s];
    if (slot == 0) return -1;
    const auto& entry = entries_[slot - 1];
    if (entry.hash == name.hash && entry.name->value() == name.text) return static_cast<std::ptrdiff_t>(slot - 1);
  }
}

void ScopeBindings::index(std::uint32_t position) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t s = entries_[position].hash & mask;
  while (slots_[s] != 0) s = (s + 1) & mask;
  slots_[s] = position + 1;
}

void ScopeBindings::rebuildIndex() {
  std::size_t size = 16;
  while (size < entries_.size() * 4) size *= 2;
  slots_.assign(size, 0);
  for (std::uint32_t i = 0; i < entries_.size(); ++i) index(i);
}

}  // namespace sdk::analytics

