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
  count_ = static_cast<std::uint32_t>(entries_.size());
  store(entries_.back(), value);
  if (entries_.size() > kScannedEntries) {
    index_.update(entries_.size(), [this](std::size_t i) { return entries_[i].hash; }, heap);
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
  count_ = static_cast<std::uint32_t>(entries_.size());
  for (auto& entry : entries_) {
    entry.value = nullptr;
    entry.number = 0;
    entry.constant = false;
  }
  return refund;
}

}  // namespace sdk::analytics

