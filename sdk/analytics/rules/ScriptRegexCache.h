#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptRegexCost.h"

struct URegularExpression;

namespace sdk::analytics {

class ScriptHeap;

// The regular expressions one run compiled, by pattern: a rule that matches the same pattern over
// a list compiles it once. The heap keeps one and empties it when its meters reset, between
// events, giving back the memory each kept expression was charged.
class ScriptRegexCache {
 public:
  // A compiled pattern and what it costs to use.
  struct Compiled {
    URegularExpression* regex;
    ScriptRegexCost cost;
  };

  ScriptRegexCache() = default;
  ScriptRegexCache(const ScriptRegexCache&) = delete;
  ScriptRegexCache& operator=(const ScriptRegexCache&) = delete;
  ~ScriptRegexCache();

  // The compiled pattern, or null.
  const Compiled* find(const std::u16string& pattern);
  // Keeps `compiled`, whose bytes were charged to `heap`; the least recently used beyond kKept
  // goes, its charge refunded.
  const Compiled& keep(const std::u16string& pattern, const Compiled& compiled, ScriptHeap& heap);
  void clear(ScriptHeap& heap);

 private:
  struct Entry {
    std::u16string pattern;
    Compiled compiled;
  };
  static constexpr std::size_t kKept = 8;
  std::vector<Entry> entries_;  // the most recently used last
};

}  // namespace sdk::analytics
