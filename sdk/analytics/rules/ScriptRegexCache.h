#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptRegexCost.h"

struct URegularExpression;

namespace sdk::analytics {

class ScriptHeap;

// The regular expressions a runtime compiled, by pattern, kept from event to event: a rule that
// searches with a costly pattern pays its compiling once, not at every event. Each kept expression
// holds the memory it was charged until it goes; they are bounded in number and in memory, the
// least recently used going first. The patterns refused as costing more than a call may spend are
// remembered too, so that reading one again is not paid at every event either.
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
  // Keeps `compiled`, whose bytes were charged to `heap`; the least recently used go, their charge
  // refunded, while more than kKept are kept or their bytes pass kKeptBytes.
  const Compiled& keep(const std::u16string& pattern, const Compiled& compiled, ScriptHeap& heap);

  // Whether `pattern` was refused as too costly; and remembering that it was.
  bool isRefused(const std::u16string& pattern) const;
  void refuse(const std::u16string& pattern);

  // Patterns compiled since this cache was made.
  std::int64_t compiles() const { return compiles_; }

  static constexpr std::size_t kKept = 8;
  static constexpr std::size_t kKeptBytes = 16u << 20;
  static constexpr std::size_t kRefusedKept = 32;

 private:
  struct Entry {
    std::u16string pattern;
    Compiled compiled;
  };
  // A pattern as the refusals know it: its length and a hash of its text.
  struct Fingerprint {
    std::size_t length;
    std::size_t hash;
    bool operator==(const Fingerprint&) const = default;
  };
  static Fingerprint fingerprintOf(const std::u16string& pattern);
  void dropOldest(ScriptHeap& heap);

  std::vector<Entry> entries_;  // the most recently used last
  std::size_t keptBytes_ = 0;
  std::vector<Fingerprint> refused_;  // the oldest first
  std::int64_t compiles_ = 0;
};

}  // namespace sdk::analytics
