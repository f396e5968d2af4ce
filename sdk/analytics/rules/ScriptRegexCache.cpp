#include "sdk/analytics/rules/ScriptRegexCache.h"

#include <unicode/uregex.h>

#include <algorithm>

#include "sdk/analytics/rules/ScriptHeap.h"

namespace sdk::analytics {

ScriptRegexCache::~ScriptRegexCache() {
  for (auto& entry : entries_) uregex_close(entry.compiled.regex);
}

const ScriptRegexCache::Compiled* ScriptRegexCache::find(const std::u16string& pattern) {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.pattern == pattern; });
  if (found == entries_.end()) return nullptr;
  std::rotate(found, found + 1, entries_.end());
  return &entries_.back().compiled;
}

const ScriptRegexCache::Compiled& ScriptRegexCache::keep(const std::u16string& pattern, const Compiled& compiled,
                                                         ScriptHeap& heap) {
  if (entries_.size() >= kKept) {
    uregex_close(entries_.front().compiled.regex);
    heap.refundMemory(entries_.front().compiled.cost.bytes);
    entries_.erase(entries_.begin());
  }
  entries_.push_back(Entry{pattern, compiled});
  return entries_.back().compiled;
}

void ScriptRegexCache::clear(ScriptHeap& heap) {
  for (auto& entry : entries_) {
    uregex_close(entry.compiled.regex);
    heap.refundMemory(entry.compiled.cost.bytes);
  }
  entries_.clear();
}

}  // namespace sdk::analytics
