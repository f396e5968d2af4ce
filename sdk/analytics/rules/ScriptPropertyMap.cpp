#include "sdk/analytics/rules/ScriptPropertyMap.h"

namespace sdk::analytics {

std::ptrdiff_t ScriptPropertyMap::bind(const ScriptValueRef& value, const std::u16string& name, bool immutable,
                                       ScriptHeap& heap) {
  if (immutable_) return 0;
  if (const auto i = find(name); i >= 0) {
    auto& entry = entries_[static_cast<std::size_t>(i)];
    if (entry.immutable) return 0;
    entry.value = value;
    entry.immutable = immutable;
    return 0;
  }
  if (entries_.empty()) entries_.reserve(SmallListAllocator<Entry>::kSmall);  // parameters, loop variables
  entries_.push_back(Entry{name, value, 0, immutable});
  if (entries_.size() > kScannedEntries) index(heap);
  return static_cast<std::ptrdiff_t>(entryBytes(name));
}

void ScriptPropertyMap::index(ScriptHeap& heap) {
  // Names are hashed once, as they join the index.
  if (index_.empty()) {
    for (auto& entry : entries_) entry.hash = ScriptNameHash::of(entry.name);
  } else {
    entries_.back().hash = ScriptNameHash::of(entries_.back().name);
  }
  index_.update(entries_.size(), [this](std::size_t i) { return entries_[i].hash; }, heap);
}

std::ptrdiff_t ScriptPropertyMap::setValue(const ScriptValueRef& value, const std::u16string& name, ScriptHeap& heap) {
  return bind(value, name, false, heap);
}

std::ptrdiff_t ScriptPropertyMap::setImmutableValue(const ScriptValueRef& value, const std::u16string& name,
                                                    ScriptHeap& heap) {
  return bind(value, name, true, heap);
}

std::ptrdiff_t ScriptPropertyMap::removeValueForName(const std::u16string& name, ScriptHeap& heap) {
  if (immutable_) return 0;
  const auto found = find(name);
  if (found < 0 || entries_[static_cast<std::size_t>(found)].immutable) return 0;
  entries_.erase(entries_.begin() + found);
  // The entries after it moved: the index is made again, over what is left.
  index_.clear();
  if (entries_.size() > kScannedEntries) index(heap);
  return -static_cast<std::ptrdiff_t>(entryBytes(name));
}

std::vector<std::u16string> ScriptPropertyMap::allNames() const {
  std::vector<std::u16string> names;
  names.reserve(entries_.size());
  for (const auto& entry : entries_) names.push_back(entry.name);
  return names;
}

}  // namespace sdk::analytics
