#include "sdk/analytics/rules/ScriptRegexCache.h"

#include <unicode/uregex.h>

#include <algorithm>
#include <functional>
#include <string_view>

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

void ScriptRegexCache::dropOldest(ScriptHeap& heap) {
  auto& oldest = entries_.front();
  uregex_close(oldest.compiled.regex);
  heap.refundMemory(oldest.compiled.cost.bytes);
  keptBytes_ -= oldest.compiled.cost.bytes;
  entries_.erase(entries_.begin());
}

const ScriptRegexCache::Compiled& ScriptRegexCache::keep(const std::u16string& pattern, const Compiled& compiled,
                                                         ScriptHeap& heap) {
  ++compiles_;
  // One pattern larger than the bound on its own is still kept, alone: it was charged within the
  // run's memory all the same.
  while (!entries_.empty() && (entries_.size() >= kKept || keptBytes_ + compiled.cost.bytes > kKeptBytes)) dropOldest(heap);
  entries_.push_back(Entry{pattern, compiled});
  keptBytes_ += compiled.cost.bytes;
  return entries_.back().compiled;
}

ScriptRegexCache::Fingerprint ScriptRegexCache::fingerprintOf(const std::u16string& pattern) {
  return {pattern.size(), std::hash<std::u16string_view>{}(pattern)};
}

bool ScriptRegexCache::isRefused(const std::u16string& pattern) const {
  if (refused_.empty()) return false;
  return std::find(refused_.begin(), refused_.end(), fingerprintOf(pattern)) != refused_.end();
}

void ScriptRegexCache::refuse(const std::u16string& pattern) {
  if (refused_.size() >= kRefusedKept) refused_.erase(refused_.begin());
  refused_.push_back(fingerprintOf(pattern));
}

}  // namespace sdk::analytics
