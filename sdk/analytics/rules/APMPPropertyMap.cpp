#include "sdk/analytics/rules/APMPPropertyMap.h"

std::ptrdiff_t APMPPropertyMap::bind(const APMPValueRef& value, const std::u16string& name, bool immutable) {
  if (immutable_) return 0;
  auto it = index_.find(name);
  if (it != index_.end()) {
    auto& entry = entries_[it->second];
    if (entry.immutable) return 0;
    entry.value = value;
    entry.immutable = immutable;
    return 0;
  }
  index_.emplace(name, static_cast<std::uint32_t>(entries_.size()));
  entries_.push_back(Entry{name, value, immutable});
  return static_cast<std::ptrdiff_t>(entryBytes(name));
}

std::ptrdiff_t APMPPropertyMap::setValue(const APMPValueRef& value, const std::u16string& name) {
  return bind(value, name, false);
}

std::ptrdiff_t APMPPropertyMap::setImmutableValue(const APMPValueRef& value, const std::u16string& name) {
  return bind(value, name, true);
}

std::ptrdiff_t APMPPropertyMap::removeValueForName(const std::u16string& name) {
  if (immutable_) return 0;
  auto it = index_.find(name);
  if (it == index_.end() || entries_[it->second].immutable) return 0;
  const auto position = it->second;
  index_.erase(it);
  entries_.erase(entries_.begin() + position);
  for (auto& [key, slot] : index_) {
    if (slot > position) --slot;
  }
  return -static_cast<std::ptrdiff_t>(entryBytes(name));
}

std::vector<std::u16string> APMPPropertyMap::allNames() const {
  std::vector<std::u16string> names;
  names.reserve(entries_.size());
  for (const auto& entry : entries_) names.push_back(entry.name);
  return names;
}
