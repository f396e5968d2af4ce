#include "sdk/analytics/rules/ScriptRegexCache.h"

#include <unicode/uregex.h>

#include <algorithm>

#include "sdk/analytics/rules/ScriptHeap.h"

namespace sdk::analytics {

ScriptRegexCache::~ScriptRegexCache() {
  for (auto& entry : entries_) uregex_close(entry.regex);
}

URegularExpression* ScriptRegexCache::find(const std::u16string& pattern) {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.pattern == pattern; });
  if (found == entries_.end()) return nullptr;
  std::rotate(found, found + 1, entries_.end());
  return entries_.back().regex;
}

void ScriptRegexCache::keep(const std::u16string& pattern, URegularExpression* regex, std::size_t bytes, ScriptHeap& heap) {
  if (entries_.size() >= kKept) {
    uregex_close(entries_.front().regex);
    heap.refundMemory(entries_.front().bytes);
    entries_.erase(entries_.begin());
  }
  entries_.push_back(Entry{pattern, regex, bytes});
}

void ScriptRegexCache::clear(ScriptHeap& heap) {
  for (auto& entry : entries_) {
    uregex_close(entry.regex);
    heap.refundMemory(entry.bytes);
  }
  entries_.clear();
}

}  // namespace sdk::analytics
