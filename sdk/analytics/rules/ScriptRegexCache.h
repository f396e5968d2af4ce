#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct URegularExpression;

namespace sdk::analytics {

class ScriptHeap;

// The regular expressions one run compiled, by pattern: a rule that matches the same pattern over
// a list compiles it once. The heap keeps one and empties it when its meters reset, between
// events, giving back the memory each kept expression was charged.
class ScriptRegexCache {
 public:
  ScriptRegexCache() = default;
  ScriptRegexCache(const ScriptRegexCache&) = delete;
  ScriptRegexCache& operator=(const ScriptRegexCache&) = delete;
  ~ScriptRegexCache();

  // The compiled pattern, or null.
  URegularExpression* find(const std::u16string& pattern);
  // Keeps `regex`, whose `bytes` were charged to `heap`; the least recently used beyond kKept goes,
  // its charge refunded.
  void keep(const std::u16string& pattern, URegularExpression* regex, std::size_t bytes, ScriptHeap& heap);
  void clear(ScriptHeap& heap);

 private:
  struct Entry {
    std::u16string pattern;
    URegularExpression* regex;
    std::size_t bytes;
  };
  static constexpr std::size_t kKept = 8;
  std::vector<Entry> entries_;  // the most recently used last
};

}  // namespace sdk::analytics
