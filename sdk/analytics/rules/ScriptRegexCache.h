#pragma once

#include <unicode/regex.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptRegexCost.h"

namespace sdk::analytics {

// The regular expressions a runtime compiled, by pattern, kept from event to event: a rule that
// searches with a costly pattern pays its compiling once, not at every event. They are bounded in
// number and in memory, the least recently used going first, and a pattern larger than the bound on
// its own is not kept at all. What they hold is the cache's, not any event's: the event that
// compiles a pattern holds its memory while it uses it, the events after it do not. The patterns
// refused, as costing more than a call may spend or as a compile that outlived an event's time,
// are remembered too, by their whole text, so that reading one again is not paid at every event
// either.
class ScriptRegexCache {
 public:
  // A compiled pattern and what it costs to use.
  struct Compiled {
    std::shared_ptr<const icu::RegexPattern> regex;
    ScriptRegexCost cost;
  };

  ScriptRegexCache() = default;
  ScriptRegexCache(const ScriptRegexCache&) = delete;
  ScriptRegexCache& operator=(const ScriptRegexCache&) = delete;

  // The compiled pattern, or null.
  const Compiled* find(const std::u16string& pattern);
  // Keeps what was just compiled unless it is larger than kKeptBytes; the least recently used go
  // while more than kKept are kept or their bytes pass kKeptBytes.
  void keep(const std::u16string& pattern, const Compiled& compiled);

  // Whether `pattern` was refused as too costly or too slow to compile; and remembering that it was.
  bool isRefused(const std::u16string& pattern) const;
  void refuse(const std::u16string& pattern);

  // Patterns compiled since this cache was made, kept or not.
  std::int64_t compiles() const { return compiles_; }
  std::size_t keptBytes() const { return keptBytes_; }

  static constexpr std::size_t kKept = 8;
  static constexpr std::size_t kKeptBytes = 16u << 20;
  // Refusals remembered: so many texts, of so many code units together, the oldest going first.
  static constexpr std::size_t kRefusedKept = 32;
  static constexpr std::size_t kRefusedUnits = 1u << 20;

 private:
  struct Entry {
    std::u16string pattern;
    Compiled compiled;
  };
  void dropOldest();

  std::vector<Entry> entries_;  // the most recently used last
  std::size_t keptBytes_ = 0;
  std::vector<std::u16string> refused_;  // the oldest first
  std::size_t refusedUnits_ = 0;
  std::int64_t compiles_ = 0;
};

}  // namespace sdk::analytics
