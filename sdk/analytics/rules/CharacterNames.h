#pragma once

#include <unicode/umachine.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace sdk::analytics {

// The names by which a regular expression's \N{...} finds a character, with what ICU's own lookup
// of each costs, read once per process from ICU itself. ICU tries its computed names first (the
// unified and Tangut ideographs at a glance; a Hangul syllable by counting through the syllables
// before it), then walks its table of names in code point order until one compares equal: a name
// late in the table costs a tenth of a millisecond and more, and a name it does not know costs the
// whole walk. Finding a name here costs a hash and one name read back from ICU.
class CharacterNames {
 public:
  struct Lookup {
    // The character; -1 when ICU knows no character by that name.
    UChar32 codePoint = -1;
    // The most ICU's lookup of the name took on a Release build.
    std::int64_t nanoseconds = 0;
  };

  // The table, read from ICU at the first call; `readNow` tells the caller that this call read it.
  static const CharacterNames& shared(bool* readNow = nullptr);
  // Whether the table was read already, so that the next shared() costs nothing.
  static bool isRead();

  // `name` as written between the braces: ICU takes it in any case, and nothing else loosely.
  Lookup find(std::string_view name) const;

  // What reading the table takes at most on a Release build: ICU spells out every name once.
  static constexpr std::int64_t kReadingNanoseconds = 6'000'000;
  // What finding one name here takes at most, on top of reading the name.
  static constexpr std::int64_t kFindingNanoseconds = 1'500;

 private:
  CharacterNames();

  struct Entry {
    std::uint64_t hash;
    UChar32 codePoint;
    // Names of the table ICU compares before this one; -1 for a Hangul syllable.
    std::int32_t rank;
  };
  static std::uint64_t hashOf(std::string_view name);
  // Whether ICU would spell `codePoint` as `upper` (`name` in capitals).
  static bool spells(UChar32 codePoint, std::string_view upper);
  // An ideograph named by its code point, which ICU reads off the name.
  static Lookup computed(std::string_view upper);
  Lookup priced(const Entry& entry) const;

  std::vector<Entry> entries_;  // by hash
  std::int32_t tableNames_ = 0;
};

}  // namespace sdk::analytics
