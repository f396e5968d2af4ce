#include "sdk/analytics/rules/ScriptPropertyMap.h"

namespace sdk::analytics {

std::ptrdiff_t ScriptPropertyMap::bind(const ScriptValueRef& value, const std::u16string& name, bool immutable) {
  if (immutable_) return 0;
  if (const auto i = find(name); i >= 0) {
    auto& entry = entries_[static_cast<std::size_t>(i)];
    if (entry.immutable) return 0;
    entry.value = value;
    entry.immutable = immutable;
    return 0;
  }
  if (entries_.empty()) entries_.reserve(SmallListAllocator<Entry>::kSmall);  // parameters, loop variables
  entries_.push_back(Entry{name, value, immutable});
  if (!index_.empty()) {
    index_.emplace(name, static_cast<std::uint32_t>(entries_.size() - 1));
  } else if (entries_.size() > kScannedEntries) {
    for (std::size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].name, static_cast<std::uint32_t>(i));
  }
  return static_cast<std::ptrdiff_t>(entryBytes(name));
}

std::ptrdiff_t ScriptPropertyMap::setValue(const ScriptValueRef& value, const std::u16string& name) {
  return bind(value, name, false);
}

std::ptrdiff_t ScriptPropertyMap::setImmutableValue(const ScriptValueRef& value, const std::u16string& name) {
  return bind(value, name, true);
}

std::ptrdiff_t ScriptPropertyMap::removeValueForName(const std::u16string& name) {
  if (immutable_) return 0;
  const auto found = find(name);
  if (found < 0 || entries_[static_cast<std::size_t>(found)].immutable) return 0;
  const auto position = static_cast<std::uint32_t>(found);
  entries_.erase(entries_.begin() + position);
  if (!index_.empty()) {
    index_.erase(name);
    for (auto& [key, slot] : index_) {
      if (slot > position) --slot;
    }
  }
  return -static_cast<std::ptrdiff_t>(entryBytes(name));
}

std::vector<std::u16string> ScriptPropertyMap::allNames() const {
  std::vector<std::u16string> names;
  names.reserve(entries_.size());
  for (const auto& entry : entries_) names.push_back(entry.name);
  return names;
}

}  // namespace sdk::analytics

