#include "sdk/analytics/rules/RegexPatternSets.h"

#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sdk/analytics/rules/CharacterNames.h"

namespace sdk::analytics {

namespace {

using icu::UnicodeSet;
using icu::UnicodeString;

constexpr UChar32 kLastCodePoint = 0x10FFFF;

// What closing one set over case took at most on a Release build, measured on sets from [a-z] to
// every character, the letters of each case, an age, the emoji sequences and sets of thousands of
// ranges: a visit of every character the set holds; for each character that has case, its other
// cases, added to a set whose ranges move to make room; and each string, folded.
constexpr std::int64_t kClosureNanoseconds = 2'000;
constexpr std::int64_t kClosureNanosecondsPerCharacter = 4;
constexpr std::int64_t kClosureNanosecondsPerCasedCharacter = 200;
constexpr std::int64_t kClosureRangesPerNanosecondOfCasedCharacter = 16;
// Each string folded, and added where it sorts among those added before it: a dozen keycaps close
// in five microseconds, every emoji in some fifteen milliseconds.
constexpr std::int64_t kClosureNanosecondsPerString = 1'000;
constexpr std::int64_t kClosureNanosecondsPerStringPair = 4;

// What building a property of strings took at most on a Release build, measured on every one ICU
// has, from the dozen keycaps (ten microseconds) to every emoji (twenty milliseconds): each string
// is put where it sorts among those gathered before it, so a property of thousands costs a
// thousand times one of dozens.
constexpr std::int64_t kSequenceSetNanoseconds = 5'000;
constexpr std::int64_t kSequenceSetNanosecondsPerString = 1'000;
constexpr std::int64_t kSequenceSetNanosecondsPerStringPair = 4;
constexpr std::int64_t kSequenceSetNanosecondsPerRange = 200;
// A property of strings the reading could not measure: above the dearest one ICU has.
constexpr std::int64_t kUnmeasuredSequenceSetNanoseconds = 60'000'000;
// What building a property of code points took at most (an age, looked up character by character).
constexpr std::int64_t kPropertySetNanoseconds = 300'000;

// Frozen, for readers on any thread. A copy of a frozen set is frozen too, and ignores every change:
// what is changed is built by addAll into a set of its own.
UnicodeSet setOf(const char16_t* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeSet set(UnicodeString(pattern), status);
  set.freeze();
  return set;
}

UnicodeSet everything() { return UnicodeSet(0, kLastCodePoint); }

// The characters that case closure does something for.
const UnicodeSet& casedCharacters() {
  static const UnicodeSet set = setOf(u"[:Case_Sensitive:]");
  return set;
}

// The characters a set holds, beside its strings.
std::int64_t charactersOf(const UnicodeSet& set) {
  std::int64_t characters = 0;
  for (std::int32_t r = 0; r < set.getRangeCount(); ++r) characters += set.getRangeEnd(r) - set.getRangeStart(r) + 1;
  return characters;
}

// What ICU takes to build a property of strings, from what it holds.
std::int64_t sequenceSetNanoseconds(const UnicodeSet& set) {
  const std::int64_t strings = set.size() - charactersOf(set);
  return kSequenceSetNanoseconds + set.getRangeCount() * kSequenceSetNanosecondsPerRange +
         strings * (kSequenceSetNanosecondsPerString + strings * kSequenceSetNanosecondsPerStringPair);
}

bool isClassEscape(char16_t c) { return std::u16string_view(u"dDwWsShHvV").find(c) != std::u16string_view::npos; }

// What a class escape stands for inside brackets, as ICU reads it.
const UnicodeSet& classSet(char16_t escape) {
  static const UnicodeSet digits = setOf(u"[:Nd:]");
  static const UnicodeSet word = setOf(u"[\\p{Alphabetic}\\p{Mark}\\p{Nd}\\p{Pc}\\u200c\\u200d]");
  static const UnicodeSet space = setOf(u"[\\t\\n\\f\\r\\p{Z}]");
  static const UnicodeSet horizontal = setOf(u"[\\p{Zs}\\t]");
  static const UnicodeSet vertical = setOf(u"[\\n\\x0b\\f\\r\\x85\\u2028\\u2029]");
  static const auto complement = [](const UnicodeSet& set) {
    UnicodeSet other;
    other.addAll(set);
    other.complement();
    other.freeze();
    return other;
  };
  static const UnicodeSet notDigits = complement(digits), notWord = complement(word), notSpace = complement(space),
                          notHorizontal = complement(horizontal), notVertical = complement(vertical);
  switch (escape) {
    case u'd': return digits;
    case u'D': return notDigits;
    case u'w': return word;
    case u'W': return notWord;
    case u's': return space;
    case u'S': return notSpace;
    case u'h': return horizontal;
    case u'H': return notHorizontal;
    case u'v': return vertical;
    default: return notVertical;
  }
}

// A property's name as ICU matches names: case, spaces, '-' and '_' aside.
std::u16string looseName(std::u16string_view name) {
  std::u16string loose;
  for (const char16_t c : name) {
    if (c == u' ' || c == u'-' || c == u'_') continue;
    loose += c < 0x80 ? static_cast<char16_t>(std::tolower(static_cast<unsigned char>(c))) : c;
  }
  return loose;
}

// Whether a property name, read loosely, names a property of strings: ICU builds those sets from
// every sequence the property lists.
bool isSequenceProperty(std::u16string_view name) {
  const std::u16string loose = looseName(name.substr(0, std::min(name.find(u'='), name.find(u':'))));
  return loose.starts_with(u"rgi") || loose.starts_with(u"basicemoji") || loose.ends_with(u"sequence");
}

// The sets that properties name, built once per process: one pattern may name the same property a
// thousand times, and a property of strings takes milliseconds to build. A name that no set answers
// to stands for every character, the most its closure could cost.
class PropertySets {
 public:
  static PropertySets& shared() {
    static PropertySets* sets = new PropertySets();
    return *sets;
  }

  // The set, or nullptr when it is not built yet and `mayBuild` is false; `built` tells that this
  // call built it.
  std::shared_ptr<const UnicodeSet> find(std::u16string_view name, bool mayBuild, bool& built) {
    built = false;
    const std::u16string key = looseName(name);
    {
      std::lock_guard lock(mutex_);
      if (const auto found = byName_.find(key); found != byName_.end()) return found->second;
    }
    if (!mayBuild) return nullptr;
    built = true;
    auto set = std::make_shared<const UnicodeSet>(build(name));
    std::lock_guard lock(mutex_);
    if (byName_.size() >= kKept) byName_.clear();
    byName_.emplace(key, set);
    return set;
  }

 private:
  static constexpr std::size_t kKept = 256;

  // As ICU's regular expressions read a property: as it stands, else a block after "In" or a
  // property after "Is".
  static UnicodeSet build(std::u16string_view name) {
    if (auto set = tryBuild(name)) return *set;
    if (name.starts_with(u"In")) {
      if (auto set = tryBuild(u"Block=" + std::u16string(name.substr(2)))) return *set;
    }
    if (name.starts_with(u"Is")) {
      if (auto set = tryBuild(name.substr(2))) return *set;
    }
    return everything();
  }

  static std::optional<UnicodeSet> tryBuild(std::u16string_view name) {
    UErrorCode status = U_ZERO_ERROR;
    UnicodeString pattern(u"[\\p{");
    pattern.append(name.data(), static_cast<int32_t>(name.size())).append(u"}]");
    UnicodeSet set(pattern, 0, nullptr, status);
    if (U_FAILURE(status)) return std::nullopt;
    set.freeze();
    return set;
  }

  std::mutex mutex_;
  std::unordered_map<std::u16string, std::shared_ptr<const UnicodeSet>> byName_;
};

// One reading of a pattern, left to right. Inside brackets a set's items are gathered (characters,
// ranges, class escapes, properties and nested brackets); its operators (&&, --) only take away,
// so their operands' union holds at least as much as the set. What no measure is taken of (brackets
// nested deeper than a reading follows, properties past those it may build) counts as every
// character: reading a hostile pattern never costs much more than compiling a plain one.
class PatternSetsReader {
 public:
  PatternSetsReader(std::u16string_view pattern, bool caseless, std::int64_t mostNanoseconds, RegexPatternSets& sets)
      : pattern_(pattern), caseless_(caseless), most_(mostNanoseconds), sets_(sets) {}

  void read() {
    while (i_ < pattern_.size() && !passedMost()) {
      if (at(u'[')) {
        bracket();
      } else if (at(u'\\') && i_ + 1 < pattern_.size()) {
        escapeOutsideBrackets();
      } else {
        literal(codePoint());
      }
    }
    sets_.cutShort = passedMost();
  }


 private:
  static constexpr int kMostNesting = 32;
  static constexpr int kMostPropertyLookups = 64;

  bool at(char16_t c) const { return i_ < pattern_.size() && pattern_[i_] == c; }
  // Whether what was found already costs more than the caller allows, to compile or to read.
  bool passedMost() const {
    return outOfRoom_ || sets_.readingNanoseconds > most_ ||
           sets_.nameLookupNanoseconds + sets_.sequenceSetNanoseconds + sets_.caseClosureNanoseconds > most_;
  }
  // Whether reading may still take `nanoseconds`: room for it is made before it is taken.
  bool affords(std::int64_t nanoseconds) const { return sets_.readingNanoseconds + nanoseconds <= most_; }
  // A character written outside brackets: ignoring case, ICU compares one beyond ASCII that has
  // case under each of its cases.
  void literal(UChar32 c) {
    sets_.caselessLiterals += caseless_ && c >= 0x80 && casedCharacters().contains(c);
  }
  bool atPair(char16_t c) const { return at(c) && i_ + 1 < pattern_.size() && pattern_[i_ + 1] == c; }

  void escapeOutsideBrackets() {
    const char16_t escaped = pattern_[i_ + 1];
    if (escaped == u'p' || escaped == u'P') {
      i_ += 2;
      property(escaped == u'P');
      return;
    }
    if (escaped == u'Q') {
      const std::size_t end = std::min(pattern_.find(u"\\E", i_ + 2), pattern_.size());
      for (i_ += 2; i_ < end;) literal(codePoint());
      i_ = std::min(end + 2, pattern_.size());
      return;
    }
    sets_.classEscapes += isClassEscape(escaped);
    literal(character());
  }

  // What closing `set` over case costs, added when the pattern ignores case.
  void close(const UnicodeSet& set) {
    if (!caseless_) return;
    const std::int64_t characters = charactersOf(set);
    UnicodeSet cased;
    cased.addAll(set);
    cased.retainAll(casedCharacters());
    const std::int64_t ranges = set.getRangeCount();
    const std::int64_t strings = set.size() - characters;
    sets_.caseClosureNanoseconds += kClosureNanoseconds + characters * kClosureNanosecondsPerCharacter +
                              cased.size() * (kClosureNanosecondsPerCasedCharacter +
                                              ranges / kClosureRangesPerNanosecondOfCasedCharacter) +
                              strings * (kClosureNanosecondsPerString + strings * kClosureNanosecondsPerStringPair);
  }

  // The property whose name follows \p or \P (at `i_`): closed on its own, then what it stands for
  // in brackets. Without braces it does not compile.
  UnicodeSet property(bool negated) {
    if (!at(u'{')) return {};
    const std::size_t close = std::min(pattern_.find(u'}', i_), pattern_.size());
    const auto name = pattern_.substr(i_ + 1, close - i_ - 1);
    i_ = close + 1;
    return propertyNamed(name, negated);
  }

  UnicodeSet propertyNamed(std::u16string_view name, bool negated) {
    const bool sequences = isSequenceProperty(name);
    ++(sequences ? sets_.sequenceProperties : sets_.properties);
    if (!caseless_ && !sequences) return {};
    bool built = false;
    const bool mayBuild =
        propertyLookups_ < kMostPropertyLookups && affords(sequences ? kUnmeasuredSequenceSetNanoseconds : kPropertySetNanoseconds);
    auto set = PropertySets::shared().find(name, mayBuild, built);
    ++propertyLookups_;
    if (sequences) {
      const std::int64_t building = set ? sequenceSetNanoseconds(*set) : kUnmeasuredSequenceSetNanoseconds;
      sets_.sequenceSetNanoseconds += building;
      sets_.readingNanoseconds += built ? building : 0;
    } else if (built) {
      sets_.readingNanoseconds += kPropertySetNanoseconds;
    }
    if (!caseless_) return {};
    if (!set) set = std::make_shared<const UnicodeSet>(everything());
    close(*set);
    UnicodeSet held;
    held.addAll(*set);
    held.removeAllStrings();
    if (negated) held.complement();
    return held;
  }

  // A bracket expression opening at `i_`: what it holds as an enclosing bracket sees it, closed over
  // case already and complemented after closing when it begins with '^'.
  UnicodeSet bracket() {
    if (depth_ >= kMostNesting) return deepBracket();
    ++depth_;
    UnicodeSet held = bracketWithin();
    --depth_;
    return held;
  }

  UnicodeSet bracketWithin() {
    ++i_;
    if (at(u':')) {
      const std::size_t close = pattern_.find(u":]", i_ + 1);
      if (close != std::u16string_view::npos) return posixBracket(close);
    }
    const bool negated = at(u'^');
    if (negated) ++i_;
    UnicodeSet held;
    std::vector<std::pair<UChar32, UChar32>> ranges;
    bool operators = false;
    std::optional<UChar32> last;  // a single character, which a '-' takes as the start of a range
    for (bool first = true; i_ < pattern_.size(); first = false) {
      if (at(u']') && !first) {
        ++i_;
        break;
      }
      if (at(u'[')) {
        held.addAll(bracket());
        last.reset();
      } else if (atPair(u'&') || atPair(u'-')) {
        operators = true;
        i_ += 2;
        last.reset();
      } else if (at(u'-') && last && i_ + 1 < pattern_.size() && pattern_[i_ + 1] != u']' && pattern_[i_ + 1] != u'[') {
        ++i_;
        const UChar32 end = character();
        ranges.emplace_back(std::min(*last, end), std::max(*last, end));
        last.reset();
      } else if (!setItem(held, ranges)) {
        last = character();
        ranges.emplace_back(*last, *last);
      } else {
        last.reset();
      }
    }
    // Added in order, each range lands at the end of the set instead of moving all the others.
    std::sort(ranges.begin(), ranges.end());
    for (const auto& [start, end] : ranges) held.add(start, end);
    ++sets_.brackets;
    close(held);
    if (operators) close(held);
    held.removeAllStrings();
    if (!negated) return held;
    return operators ? everything() : held.complement();
  }

  // A bracket nested too deep to follow, to its end: each bracket and property in it closes at most
  // every character.
  UnicodeSet deepBracket() {
    for (int level = 0; i_ < pattern_.size();) {
      if (at(u'\\')) {
        const char16_t escaped = i_ + 1 < pattern_.size() ? pattern_[i_ + 1] : u'\\';
        if (escaped == u'p' || escaped == u'P') {
          i_ += 2;
          unmeasuredProperty();
        } else if (escaped == u'N') {
          character();
        } else {
          i_ += 2;
        }
        continue;
      }
      if (at(u'[')) {
        ++sets_.brackets;
        close(everything());
        ++level;
      } else if (at(u']') && --level == 0) {
        ++i_;
        break;
      }
      ++i_;
    }
    return everything();
  }

  // A property too deep to measure, its name at `i_`: one of strings is priced above the dearest.
  void unmeasuredProperty() {
    std::u16string_view name;
    if (at(u'{')) {
      const std::size_t close = std::min(pattern_.find(u'}', i_), pattern_.size());
      name = pattern_.substr(i_ + 1, close - i_ - 1);
      i_ = std::min(close + 1, pattern_.size());
    }
    if (isSequenceProperty(name)) {
      ++sets_.sequenceProperties;
      sets_.sequenceSetNanoseconds += kUnmeasuredSequenceSetNanoseconds;
    } else {
      ++sets_.properties;
    }
    close(everything());
  }

  // A class escape, a property or a quoted run at `i_` inside brackets, added to `held` or
  // `ranges`; false when something else is there.
  bool setItem(UnicodeSet& held, std::vector<std::pair<UChar32, UChar32>>& ranges) {
    if (!at(u'\\') || i_ + 1 >= pattern_.size()) return false;
    const char16_t escaped = pattern_[i_ + 1];
    if (escaped == u'p' || escaped == u'P') {
      i_ += 2;
      held.addAll(property(escaped == u'P'));
    } else if (isClassEscape(escaped)) {
      i_ += 2;
      ++sets_.classEscapesInBrackets;
      held.addAll(classSet(escaped));
    } else if (escaped == u'Q') {
      const std::size_t end = std::min(pattern_.find(u"\\E", i_ + 2), pattern_.size());
      for (i_ += 2; i_ < end;) {
        const UChar32 c = character();
        ranges.emplace_back(c, c);
      }
      i_ = std::min(end + 2, pattern_.size());
    } else {
      return false;
    }
    return true;
  }

  // "[:name:]" or "[:^name:]", `i_` at the first ':': a bracket around the property, closed as one.
  UnicodeSet posixBracket(std::size_t close) {
    const bool negated = pattern_[i_ + 1] == u'^';
    const auto name = pattern_.substr(i_ + 1 + negated, close - i_ - 1 - negated);
    i_ = close + 2;
    ++sets_.brackets;
    UnicodeSet held = propertyNamed(name, negated);
    this->close(held);
    return held;
  }

  // The character at `i_`, written or escaped, and past it.
  UChar32 character() {
    if (!at(u'\\') || i_ + 1 >= pattern_.size()) return codePoint();
    ++i_;
    const char16_t escaped = pattern_[i_++];
    switch (escaped) {
      case u'x':
        if (at(u'{')) return braced(16);
        return digits(16, 2);
      case u'u': return digits(16, 4);
      case u'U': return digits(16, 8);
      case u'0': return digits(8, 3);
      case u'N': return at(u'{') ? named() : u'N';
      case u'c': return i_ < pattern_.size() ? pattern_[i_++] & 0x1F : u'c';
      case u'a': return 0x07;
      case u'e': return 0x1B;
      case u'f': return 0x0C;
      case u'n': return 0x0A;
      case u'r': return 0x0D;
      case u't': return 0x09;
      default: --i_; return codePoint();
    }
  }

  UChar32 codePoint() {
    UChar32 c = 0;
    U16_NEXT(pattern_.data(), i_, pattern_.size(), c);
    return c;
  }

  // Up to `most` digits of `base` at `i_`.
  UChar32 digits(int base, int most) {
    UChar32 value = 0;
    for (int n = 0; n < most && i_ < pattern_.size(); ++n, ++i_) {
      const int digit = u_digit(pattern_[i_], static_cast<int8_t>(base));
      if (digit < 0) break;
      value = std::min(value * base + digit, kLastCodePoint);
    }
    return value;
  }

  // Digits of `base` in braces at `i_`.
  UChar32 braced(int base) {
    ++i_;
    const UChar32 value = digits(base, 8);
    const std::size_t close = pattern_.find(u'}', i_);
    i_ = close == std::u16string_view::npos ? pattern_.size() : close + 1;
    return value;
  }

  // A character by its name in braces at `i_`, and what ICU's lookup of it costs. Past what the
  // caller allows, the rest is left unread.
  UChar32 named() {
    const std::size_t close = std::min(pattern_.find(u'}', i_), pattern_.size());
    std::string name;
    for (std::size_t j = i_ + 1; j < close; ++j) name += pattern_[j] < 0x80 ? static_cast<char>(pattern_[j]) : '?';
    i_ = std::min(close + 1, pattern_.size());
    if (!CharacterNames::isRead() && !affords(CharacterNames::kReadingNanoseconds)) outOfRoom_ = true;
    if (passedMost()) return 0;
    bool readNow = false;
    const auto& names = CharacterNames::shared(&readNow);
    sets_.readingNanoseconds += (readNow ? CharacterNames::kReadingNanoseconds : 0) + CharacterNames::kFindingNanoseconds;
    const auto found = names.find(name);
    ++sets_.namedCharacters;
    sets_.nameLookupNanoseconds += found.nanoseconds;
    return std::max(found.codePoint, 0);
  }

  const std::u16string_view pattern_;
  const bool caseless_;
  const std::int64_t most_;
  RegexPatternSets& sets_;
  std::size_t i_ = 0;
  int depth_ = 0;
  int propertyLookups_ = 0;
  bool outOfRoom_ = false;
};

}  // namespace

RegexPatternSets RegexPatternSets::of(std::u16string_view pattern, bool caseless, std::int64_t mostNanoseconds) {
  RegexPatternSets sets;
  PatternSetsReader(pattern, caseless, mostNanoseconds, sets).read();
  return sets;
}

}  // namespace sdk::analytics
