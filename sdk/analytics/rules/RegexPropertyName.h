#pragma once

#include <unicode/uchar.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace sdk::analytics {

// A property as a regular expression names it between the braces of \p{...} and \P{...}, or in
// [:...:], read as ICU reads it: case, '-', '_' and ASCII blanks (a tab as well as a space) do not
// count anywhere in a name; a name may take a value after '='; a name that is no property may be a
// block after "In", or, after "Is", a property without a value. Every spelling of one property
// reads as that property: this is the one place that decides what a written name stands for, and
// so what ICU builds for it and what that costs.
struct RegexPropertyName {
  enum class Kind {
    Unknown,        // nothing ICU knows, as far as this reading can tell: priced as the dearest
    CodePoints,     // a set of code points
    Strings,        // a property of strings: every emoji sequence it lists
    CharacterName,  // one character, by the name after '=', looked up as \N{...} looks it up
  };

  static RegexPropertyName read(std::u16string_view written);

  Kind kind = Kind::Unknown;
  UProperty property = UCHAR_INVALID_CODE;
  // What sets are kept under: the same for every spelling of one property and value.
  std::u16string key;
  // What "[\p{...}]" takes to build the set ICU builds: the name with "Is" taken off, or "In" made
  // a block.
  std::u16string pattern;
  // Kind::CharacterName: the name, as written.
  std::string characterName;
  // The most that ICU's building of the set took on a Release build, by the kind of property; for
  // a property of strings nothing here: that is measured on the strings it holds.
  std::int64_t buildNanoseconds = 0;
};

}  // namespace sdk::analytics
