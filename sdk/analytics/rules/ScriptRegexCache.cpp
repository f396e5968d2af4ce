#include "sdk/analytics/rules/ScriptRegexCache.h"

#include <algorithm>

namespace sdk::analytics {

const ScriptRegexCache::Compiled* ScriptRegexCache::find(const std::u16string& pattern) {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.pattern == pattern; });
  if (found == entries_.end()) return nullptr;
  std::rotate(found, found + 1, entries_.end());
  return &entries_.back().compiled;
}

void ScriptRegexCache::dropOldest() {
  keptBytes_ -= entries_.front().compiled.cost.bytes;
  entries_.erase(entries_.begin());
}

void ScriptRegexCache::keep(const std::u16string& pattern, const Compiled& compiled) {
  ++compiles_;
  // One pattern larger than the bound would push every other out and still pass it.
  if (compiled.cost.bytes > kKeptBytes) return;
  while (!entries_.empty() && (entries_.size() >= kKept || keptBytes_ + compiled.cost.bytes > kKeptBytes)) dropOldest();
  entries_.push_back(Entry{pattern, compiled});
  keptBytes_ += compiled.cost.bytes;
}

bool ScriptRegexCache::isRefused(const std::u16string& pattern) const {
  return std::find(refused_.begin(), refused_.end(), pattern) != refused_.end();
}

void ScriptRegexCache::refuse(const std::u16string& pattern) {
  // A text longer than all the refusals may hold is read again at its next search, its reading
  // charged as any other's.
  if (pattern.size() > kRefusedUnits || isRefused(pattern)) return;
  while (!refused_.empty() && (refused_.size() >= kRefusedKept || refusedUnits_ + pattern.size() > kRefusedUnits)) {
    refusedUnits_ -= refused_.front().size();
    refused_.erase(refused_.begin());
  }
  refused_.push_back(pattern);
  refusedUnits_ += pattern.size();
}

}  // namespace sdk::analytics
