#include "sdk/analytics/rules/RegexPatternSets.h"

#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sdk/analytics/rules/CharacterNames.h"
#include "sdk/analytics/rules/RegexPropertyName.h"

namespace sdk::analytics {

namespace {

using icu::UnicodeSet;
using icu::UnicodeString;

constexpr UChar32 kLastCodePoint = 0x10FFFF;

// What closing one set over case took at most on a Release build, measured on sets from [a-z] to
// every character, the letters of each case, the cased blocks of a dozen scripts, an age, the emoji
// sequences and sets of hundreds of ranges: a visit of every character the set holds; for each
// character that has case, its other cases added to a set whose ranges (as many as it had, and one
// more for each character added, at most) move to make room; for one whose folding is a string,
// that string as well; and each string of the set, folded.
constexpr std::int64_t kClosureNanoseconds = 400;
constexpr std::int64_t kClosureNanosecondsPerCharacter = 5;
constexpr std::int64_t kClosureNanosecondsPerCasedCharacter = 30;
constexpr std::int64_t kClosureRangesPerNanosecondOfCasedCharacter = 16;
constexpr std::int64_t kClosureNanosecondsPerFoldedString = 500;
// Each string folded, and added where it sorts among those added before it: a dozen keycaps close
// in five microseconds, every emoji in some fifteen milliseconds.
constexpr std::int64_t kClosureNanosecondsPerString = 1'000;
constexpr std::int64_t kClosureNanosecondsPerStringPair = 4;

// What building a property of strings took at most on a Release build, measured on every one ICU
// has, from the dozen keycaps (two microseconds) to every emoji (ten milliseconds): each string is
// put where it sorts among those gathered before it, so a property of thousands costs a thousand
// times one of dozens.
constexpr std::int64_t kSequenceSetNanoseconds = 1'000;
constexpr std::int64_t kSequenceSetNanosecondsPerString = 500;
constexpr std::int64_t kSequenceSetNanosecondsPerStringPair = 4;
constexpr std::int64_t kSequenceSetNanosecondsPerRange = 200;
// A property of strings the reading could not measure: above the dearest one ICU has.
constexpr std::int64_t kUnmeasuredSequenceSetNanoseconds = 60'000'000;

// What building a bracket expression took at most: a nested one is a set on ICU's stack; the
// outermost, when it holds more than one character, becomes a set object of the pattern's own.
constexpr std::int64_t kBracketNanoseconds = 210;
constexpr std::int64_t kSetObjectNanoseconds = 2'400;
// What a class escape takes: \d, \D, \h and \H look their set up anew inside brackets, at a
// pattern's first of each outside them, and under a star or a question mark; \w and \W build theirs
// from cached parts, the others from a few ranges.
constexpr std::int64_t kClassEscapeNanoseconds = 300;
constexpr std::int64_t kLookedUpClassNanoseconds = 30'000;
constexpr std::int64_t kWordClassNanoseconds = 15'000;
constexpr std::int64_t kSmallClassNanoseconds = 2'100;
constexpr std::int64_t kFirstWordClassNanoseconds = 7'500;
constexpr std::int64_t kRepeatedWordClassNanoseconds = 3'600;

// What a quantifier costs ICU, per operation compiled before it (measured on every kind of item
// and quantifier, thousands in a row): a star, a plus or a question mark little; a counted
// repetition of a group, an open count, a possessive or lazy count much more, as each moves or
// goes over all compiled before it. A quantifier after a group also goes over all the group holds.
// Tenths of a nanosecond, for the cheapest.
constexpr std::int64_t kSimpleQuantifierTenths = 2;
constexpr std::int64_t kGenericQuantifierTenths = 10;
constexpr std::int64_t kPossessiveQuantifierTenths = 30;
constexpr std::int64_t kGroupCountTenths = 80;
constexpr std::int64_t kLazyCountTenths = 100;
constexpr std::int64_t kOpenCountTenths = 160;
constexpr std::int64_t kPossessiveCountTenths = 200;
constexpr std::int64_t kRepeatedGroupNanosecondsPerUnit = 8;
// What ICU refuses: groups or brackets nested this deep.
constexpr int kMostNesting = 100;

// What the reading itself takes on a Release build: each unit looked at, each property's name
// read, each set measured by its ranges.
constexpr std::int64_t kReadingNanosecondsPerUnit = 5;
constexpr std::int64_t kReadingNanosecondsPerName = 1'000;
constexpr std::int64_t kReadingNanosecondsPerSet = 300;
constexpr std::int64_t kReadingNanosecondsPerBracket = 150;
constexpr std::int64_t kReadingNanosecondsPerRange = 10;

// Frozen, for readers on any thread. A copy of a frozen set is frozen too, and ignores every change:
// what is changed is built by addAll into a set of its own.
UnicodeSet setOf(std::u16string_view pattern) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeSet set(UnicodeString(pattern.data(), static_cast<int32_t>(pattern.size())), status);
  set.freeze();
  return set;
}

UnicodeSet everything() { return UnicodeSet(0, kLastCodePoint); }

// The characters that case closure does something for.
const UnicodeSet& casedCharacters() {
  static const UnicodeSet set = setOf(u"[:Case_Sensitive:]");
  return set;
}

// The cased characters whose case folding is a string, which closing a set adds too.
const UnicodeSet& foldedToStrings() {
  static const UnicodeSet set = [] {
    UnicodeSet folded;
    const UnicodeSet& cased = casedCharacters();
    for (int32_t r = 0; r < cased.getRangeCount(); ++r) {
      for (UChar32 c = cased.getRangeStart(r); c <= cased.getRangeEnd(r); ++c) {
        UChar in[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(in, length, c);
        UChar out[8];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t foldedLength = u_strFoldCase(out, 8, in, length, U_FOLD_CASE_DEFAULT, &status);
        if (U_SUCCESS(status) && foldedLength > U16_LENGTH(u_foldCase(c, U_FOLD_CASE_DEFAULT))) folded.add(c);
      }
    }
    folded.freeze();
    return folded;
  }();
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
bool isLookedUpClass(char16_t c) { return c == u'd' || c == u'D' || c == u'h' || c == u'H'; }
bool isWordClass(char16_t c) { return c == u'w' || c == u'W'; }

// The characters a set holds, without its strings, copied range by range: copying the strings of
// every emoji would cost the reading milliseconds.
UnicodeSet charactersIn(const UnicodeSet& set) {
  UnicodeSet characters;
  for (std::int32_t r = 0; r < set.getRangeCount(); ++r) characters.add(set.getRangeStart(r), set.getRangeEnd(r));
  return characters;
}

// What a class escape stands for inside brackets, as ICU reads it.
const UnicodeSet& classSet(char16_t escape) {
  // Each escape's set, then its complement, in the order of the table.
  static const std::vector<UnicodeSet> sets = [] {
    std::vector<UnicodeSet> built;
    for (const auto& entry : RegexPatternSets::kClassEscapeSets) {
      built.push_back(setOf(entry.set));
      UnicodeSet other;
      other.addAll(built.back());
      other.complement();
      other.freeze();
      built.push_back(std::move(other));
    }
    return built;
  }();
  const auto lower = static_cast<char16_t>(escape | 0x20);
  for (std::size_t i = 0; i < std::size(RegexPatternSets::kClassEscapeSets); ++i) {
    if (RegexPatternSets::kClassEscapeSets[i].escape == lower) return sets[2 * i + (escape != lower)];
  }
  return sets.back();
}

// The sets that properties name, built once per process and kept under what the name reads as, so
// that every spelling of one property finds the one set: one pattern may name the same property a
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
  std::shared_ptr<const UnicodeSet> find(const RegexPropertyName& name, bool mayBuild, bool& built) {
    built = false;
    {
      std::lock_guard lock(mutex_);
      if (const auto found = byName_.find(name.key); found != byName_.end()) return found->second;
    }
    if (!mayBuild) return nullptr;
    built = true;
    auto set = std::make_shared<const UnicodeSet>(build(name));
    std::lock_guard lock(mutex_);
    if (byName_.size() >= kKept) byName_.clear();
    byName_.emplace(name.key, set);
    return set;
  }

 private:
  static constexpr std::size_t kKept = 256;

  static UnicodeSet build(const RegexPropertyName& name) {
    if (name.kind == RegexPropertyName::Kind::Unknown) return everything();
    UErrorCode status = U_ZERO_ERROR;
    UnicodeString pattern(u"[\\p{");
    pattern.append(name.pattern.data(), static_cast<int32_t>(name.pattern.size())).append(u"}]");
    UnicodeSet set(pattern, 0, nullptr, status);
    if (U_FAILURE(status)) return everything();
    set.freeze();
    return set;
  }

  std::mutex mutex_;
  std::unordered_map<std::u16string, std::shared_ptr<const UnicodeSet>> byName_;
};

// Where a text is found next, for a reading that only moves forward: each place of the pattern is
// searched at most once, however many escapes look for what nothing closes.
class NextFound {
 public:
  explicit NextFound(std::u16string_view text) : text_(text) {}
  std::size_t from(std::u16string_view pattern, std::size_t i) {
    if (searched_ && (found_ == std::u16string_view::npos || found_ >= i)) return found_;
    searched_ = true;
    found_ = pattern.find(text_, i);
    return found_;
  }

 private:
  std::u16string_view text_;
  bool searched_ = false;
  std::size_t found_ = 0;
};

// What the last item outside brackets was, for the quantifier after it.
enum class Item { None, Literal, Single, ClassEscape, BackReference, Group };

// One reading of a pattern, left to right, as ICU reads it. Inside brackets a set's items are
// gathered (characters, ranges, class escapes, properties and nested brackets); its operators (&&,
// --) only take away, so their operands' union holds at least as much as the set. Outside, the
// shape is gathered: groups and what they hold, quantifiers and what ICU compiled before each,
// literal runs. Where ICU stops compiling with an error (an escape nothing closes, a group closed
// that none opened, nesting ICU refuses), the reading stops too: nothing after it is compiled.
class PatternReader {
 public:
  PatternReader(std::u16string_view pattern, bool caseless, std::int64_t mostNanoseconds, RegexPatternSets& sets,
                RegexPatternShape& shape)
      : pattern_(pattern), caseless_(caseless), most_(mostNanoseconds), sets_(sets), shape_(shape) {
    shape_.caseless = caseless;
  }

  void read() {
    while (i_ < pattern_.size() && !stopped_ && !passedMost()) {
      const char16_t c = pattern_[i_];
      tokenStart_ = i_;
      if (c == u'[') {
        endRun();
        const UnicodeSet held = bracket();
        sets_.bracketNanoseconds += held.size() == 1 ? 0 : kSetObjectNanoseconds;
        item(Item::Single);
      } else if (c == u'\\') {
        escapeOutsideBrackets();
      } else if (c == u'(') {
        openGroup();
      } else if (c == u')') {
        closeGroup();
      } else if (c == u'*' || c == u'+' || c == u'?' || c == u'{') {
        quantifier();
      } else if (c == u'|') {
        endRun();
        ++shape_.quantifiers;
        ++shape_.alternatives;
        ops_ += 3;
        ++i_;
        last_ = Item::None;
      } else if (c == u'^' || c == u'$') {
        endRun();
        ++shape_.assertions;
        ++i_;
        item(Item::Single);
      } else if (c == u'.') {
        endRun();
        ++i_;
        item(Item::Single);
      } else {
        literal(codePoint());
      }
    }
    endRun();
    // A lookbehind left open holds the rest of the pattern.
    for (const auto& group : open_) {
      if (group.looksBehind) shape_.lookbehindUnits += static_cast<std::int64_t>(i_ - group.start);
    }
    shape_.length = static_cast<std::int64_t>(std::min(i_, pattern_.size()));
    sets_.readingNanoseconds += shape_.length * kReadingNanosecondsPerUnit;
    sets_.cutShort = passedMost();
  }

 private:
  struct OpenGroup {
    std::size_t start;
    bool looksBehind;
  };

  bool at(char16_t c) const { return i_ < pattern_.size() && pattern_[i_] == c; }
  bool atPair(char16_t c) const { return at(c) && i_ + 1 < pattern_.size() && pattern_[i_ + 1] == c; }
  // Whether what was found already costs more than the caller allows, to compile or to read.
  bool passedMost() const {
    return outOfRoom_ || sets_.readingNanoseconds > most_ ||
           sets_.nameLookupNanoseconds + sets_.sequenceSetNanoseconds + sets_.caseClosureNanoseconds > most_;
  }
  // Whether reading may still take `nanoseconds`: room for it is made before it is taken.
  bool affords(std::int64_t nanoseconds) const { return sets_.readingNanoseconds + nanoseconds <= most_; }
  // ICU stops compiling here with an error.
  void stop() {
    stopped_ = true;
    i_ = std::min(i_, pattern_.size());
  }
  // ICU looks for what closes the escape to the end of the pattern, and stops there.
  void scannedToTheEnd() {
    i_ = pattern_.size();
    stop();
  }

  void item(Item kind) {
    ++ops_;
    last_ = kind;
  }
  void endRun() {
    if (run_ > 0 && runStart_ == 0 && shape_.leadingLiteral == 0) shape_.leadingLiteral = run_;
    run_ = 0;
  }
  // A character written outside brackets: ignoring case, ICU compares one beyond ASCII that has
  // case under each of its cases.
  void literal(UChar32 c) {
    sets_.caselessLiterals += caseless_ && c >= 0x80 && casedCharacters().contains(c);
    const std::int64_t units = U16_LENGTH(c);
    if (run_ == 0) {
      shape_.caselessRuns += caseless_;
      runStart_ = tokenStart_;
      if (runStart_ == 0) shape_.leadingUnit = U16_IS_SINGLE(c) ? static_cast<char16_t>(c) : U16_LEAD(c);
    }
    run_ += units;
    shape_.longestLiteral = std::max(shape_.longestLiteral, run_);
    ops_ += run_ == units ? 1 : 0;
    last_ = Item::Literal;
  }

  void openGroup() {
    endRun();
    const auto rest = pattern_.substr(i_);
    bool looksBehind = false;
    std::size_t past = i_ + 1;
    std::int64_t ops = 3;
    if (rest.starts_with(u"(?")) {
      if (rest.starts_with(u"(?#")) {
        // A comment, to its ')'.
        const std::size_t close = closeParens_.from(pattern_, i_ + 3);
        if (close == std::u16string_view::npos) return scannedToTheEnd();
        i_ = close + 1;
        return;
      }
      ops = 1;
      if (rest.starts_with(u"(?<=") || rest.starts_with(u"(?<!")) {
        // ICU goes over what it compiled before a lookbehind, as before a star.
        looksBehind = true;
        ++shape_.scanningSteps;
        shape_.quantifierNanoseconds += ops_ * kSimpleQuantifierTenths / 10;
        past = i_ + 4;
        ops = 4;
      } else if (rest.starts_with(u"(?=") || rest.starts_with(u"(?!") || rest.starts_with(u"(?>")) {
        ++shape_.scanningSteps;
        past = i_ + 3;
        ops = 4;
      } else if (rest.starts_with(u"(?<")) {
        const std::size_t close = closeAngles_.from(pattern_, i_ + 3);
        if (close == std::u16string_view::npos) return stop();
        past = close + 1;
        ops = 3;
      } else if (rest.starts_with(u"(?:")) {
        past = i_ + 3;
      } else {
        // The flags a group switches on, (?i) and (?i:...), up to a '-' that switches the rest off:
        // case is ignored from here on.
        std::size_t j = i_ + 2;
        bool on = true;
        for (; j < pattern_.size() && (u_isalpha(pattern_[j]) || pattern_[j] == u'-'); ++j) {
          if (pattern_[j] == u'-') on = false;
          if (pattern_[j] == u'i' && on) caseless_ = shape_.caseless = true;
        }
        if (j < pattern_.size() && pattern_[j] == u')') {
          i_ = j + 1;
          return;
        }
        past = j + 1;
      }
    }
    ++shape_.groups;
    ++shape_.assertions;
    ops_ += ops;
    open_.push_back({i_, looksBehind});
    if (open_.size() >= kMostNesting) return stop();
    i_ = past;
    last_ = Item::None;
  }

  void closeGroup() {
    endRun();
    if (open_.empty()) return stop();
    const OpenGroup group = open_.back();
    open_.pop_back();
    const auto body = static_cast<std::int64_t>(i_ - group.start);
    if (group.looksBehind) shape_.lookbehindUnits += body;
    groupBody_ = body;
    ++i_;
    last_ = Item::Group;
  }

  // A quantifier at `i_`, after the item `last_`; its lazy or possessive mark, if any, with it.
  void quantifier() {
    const char16_t q = pattern_[i_];
    const Item after = last_;
    // A quantifier with nothing to repeat is an error ICU stops at.
    if (after == Item::None) return stop();
    // Ending a literal run, a quantifier takes its last character for its own.
    if (run_ > 0) --run_;
    endRun();
    ++shape_.quantifiers;
    bool counted = q == u'{';
    bool open = false;
    if (counted) {
      const std::size_t close = closeBraces_.from(pattern_, i_);
      if (close == std::u16string_view::npos) return stop();
      open = close > 0 && pattern_[close - 1] == u',';
      i_ = close + 1;
    } else {
      ++i_;
    }
    std::int64_t tenths = after == Item::BackReference ? kGenericQuantifierTenths : kSimpleQuantifierTenths;
    const bool group = after == Item::Group;
    if (at(u'?')) {
      ++i_;
      ++shape_.quantifiers;
      if (counted) tenths = kLazyCountTenths;
    } else if (at(u'+')) {
      ++i_;
      ++shape_.quantifiers;
      ++shape_.scanningSteps;
      if (counted) tenths = kPossessiveCountTenths;
      else if (q != u'+') tenths = kPossessiveQuantifierTenths;
    } else if (open) {
      tenths = kOpenCountTenths;
    } else if (counted && group) {
      tenths = kGroupCountTenths;
    }
    if (open) tenths = std::max(tenths, kOpenCountTenths);
    shape_.quantifierNanoseconds += ops_ * tenths / 10;
    if (group) shape_.quantifierNanoseconds += groupBody_ * kRepeatedGroupNanosecondsPerUnit;
    if (after == Item::ClassEscape && (q == u'*' || q == u'?')) {
      sets_.classEscapeNanoseconds += isLookedUpClass(lastEscape_) ? kLookedUpClassNanoseconds
                                      : isWordClass(lastEscape_)    ? kRepeatedWordClassNanoseconds
                                                                    : 0;
    }
    ops_ += 3;
    last_ = Item::None;
  }

  void escapeOutsideBrackets() {
    if (i_ + 1 >= pattern_.size()) return stop();
    const char16_t escaped = pattern_[i_ + 1];
    if (escaped == u'p' || escaped == u'P') {
      endRun();
      i_ += 2;
      property(escaped == u'P');
      return item(Item::Single);
    }
    if (escaped == u'Q') {
      const std::size_t end = std::min(quoteEnds_.from(pattern_, i_ + 2), pattern_.size());
      for (i_ += 2; i_ < end;) {
        tokenStart_ = i_;
        literal(codePoint());
      }
      i_ = std::min(end + 2, pattern_.size());
      return;
    }
    if (escaped >= u'1' && escaped <= u'9') {
      endRun();
      for (i_ += 1; i_ < pattern_.size() && pattern_[i_] >= u'0' && pattern_[i_] <= u'9';) ++i_;
      ++shape_.scanningSteps;
      return item(Item::BackReference);
    }
    if (escaped == u'k') {
      endRun();
      const std::size_t close = closeAngles_.from(pattern_, i_ + 2);
      if (close == std::u16string_view::npos) return stop();
      i_ = close + 1;
      ++shape_.scanningSteps;
      return item(Item::BackReference);
    }
    if (std::u16string_view(u"bBAzZGX").find(escaped) != std::u16string_view::npos) {
      endRun();
      i_ += 2;
      if (escaped == u'b' || escaped == u'B' || escaped == u'X') ++shape_.scanningSteps;
      if (escaped == u'X') return item(Item::Single);
      // An assertion repeated is an error ICU stops at.
      ++shape_.assertions;
      ++ops_;
      last_ = Item::None;
      return;
    }
    if (isClassEscape(escaped)) {
      endRun();
      i_ += 2;
      ++sets_.classEscapes;
      classEscapeOutside(escaped);
      lastEscape_ = escaped;
      return item(Item::ClassEscape);
    }
    if (escaped == u'R') {
      endRun();
      i_ += 2;
      return item(Item::Single);
    }
    const UChar32 c = character();
    if (!stopped_) literal(c);
  }

  // A class escape outside brackets: the first of its kind in the pattern builds its set.
  void classEscapeOutside(char16_t escaped) {
    sets_.classEscapeNanoseconds += kClassEscapeNanoseconds;
    const auto lower = static_cast<char16_t>(escaped | 0x20);
    const unsigned kind = lower == u'd' ? 1 : lower == u'h' ? 2 : lower == u'w' ? 4 : 8;
    if (seenClasses_ & kind) return;
    seenClasses_ |= kind;
    sets_.classEscapeNanoseconds += isLookedUpClass(escaped) ? kLookedUpClassNanoseconds
                                    : isWordClass(escaped)    ? kFirstWordClassNanoseconds
                                                              : 0;
  }

  // What closing `set` over case costs, added when case is ignored.
  void close(const UnicodeSet& set) {
    if (!caseless_) return;
    const std::int64_t characters = charactersOf(set);
    UnicodeSet cased = charactersIn(set);
    cased.retainAll(casedCharacters());
    UnicodeSet folded;
    folded.addAll(cased);
    folded.retainAll(foldedToStrings());
    const std::int64_t ranges = set.getRangeCount();
    const std::int64_t casedCount = cased.size();
    const std::int64_t strings = set.size() - characters;
    sets_.readingNanoseconds += kReadingNanosecondsPerSet + (ranges + cased.getRangeCount()) * kReadingNanosecondsPerRange;
    sets_.caseClosureNanoseconds +=
        kClosureNanoseconds + characters * kClosureNanosecondsPerCharacter +
        casedCount * (kClosureNanosecondsPerCasedCharacter + (ranges + casedCount) / kClosureRangesPerNanosecondOfCasedCharacter) +
        folded.size() * kClosureNanosecondsPerFoldedString +
        strings * (kClosureNanosecondsPerString + strings * kClosureNanosecondsPerStringPair);
  }

  // The property whose name follows \p or \P (at `i_`), in braces: what it stands for in brackets,
  // closed on its own. Without its closing brace ICU stops.
  UnicodeSet property(bool negated) {
    if (!at(u'{')) {
      stop();
      return {};
    }
    const std::size_t close = closeBraces_.from(pattern_, i_);
    if (close == std::u16string_view::npos) {
      scannedToTheEnd();
      return {};
    }
    const auto name = pattern_.substr(i_ + 1, close - i_ - 1);
    i_ = close + 1;
    return propertyNamed(name, negated);
  }

  UnicodeSet propertyNamed(std::u16string_view written, bool negated) {
    const RegexPropertyName name = RegexPropertyName::read(written);
    sets_.readingNanoseconds += kReadingNanosecondsPerName;
    if (name.kind == RegexPropertyName::Kind::CharacterName) {
      ++sets_.properties;
      sets_.propertySetNanoseconds += name.buildNanoseconds;
      const UChar32 c = lookUpName(name.characterName);
      if (stopped_ || passedMost()) return {};
      UnicodeSet held(c, c);
      close(held);
      if (negated) held.complement();
      return held;
    }
    const bool sequences = name.kind == RegexPropertyName::Kind::Strings;
    ++(sequences ? sets_.sequenceProperties : sets_.properties);
    sets_.propertySetNanoseconds += name.buildNanoseconds;
    if (!caseless_ && !sequences) return {};
    bool built = false;
    const bool mayBuild = propertyLookups_ < kMostPropertyLookups &&
                          affords(sequences ? kUnmeasuredSequenceSetNanoseconds : name.buildNanoseconds);
    auto set = PropertySets::shared().find(name, mayBuild, built);
    ++propertyLookups_;
    if (sequences) {
      const std::int64_t building = set ? sequenceSetNanoseconds(*set) : kUnmeasuredSequenceSetNanoseconds;
      sets_.sequenceSetNanoseconds += building;
      sets_.readingNanoseconds += built ? building : 0;
    } else if (built) {
      sets_.readingNanoseconds += name.buildNanoseconds;
    }
    if (!caseless_) return {};
    if (!set) set = std::make_shared<const UnicodeSet>(everything());
    close(*set);
    UnicodeSet held = charactersIn(*set);
    if (negated) held.complement();
    return held;
  }

  // A bracket expression opening at `i_`: what it holds as an enclosing bracket sees it, closed over
  // case already and complemented after closing when it begins with '^'.
  UnicodeSet bracket() {
    if (++depth_ >= kMostNesting) {
      stop();
      return {};
    }
    UnicodeSet held = bracketWithin();
    --depth_;
    return held;
  }

  UnicodeSet bracketWithin() {
    ++i_;
    if (at(u':')) {
      // "[:name:]" when the first ':' after this one stands before a ']', as ICU looks for it.
      const std::size_t colon = colons_.from(pattern_, i_ + 1);
      if (colon != std::u16string_view::npos && colon + 1 < pattern_.size() && pattern_[colon + 1] == u']') {
        return posixBracket(colon);
      }
    }
    const bool negated = at(u'^');
    if (negated) ++i_;
    UnicodeSet held;
    std::vector<std::pair<UChar32, UChar32>> ranges;
    bool operators = false;
    std::optional<UChar32> last;  // a single character, which a '-' takes as the start of a range
    for (bool first = true; i_ < pattern_.size() && !stopped_ && !passedMost(); first = false) {
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
    sets_.bracketNanoseconds += kBracketNanoseconds;
    sets_.readingNanoseconds += kReadingNanosecondsPerBracket;
    close(held);
    if (operators) close(held);
    held.removeAllStrings();
    if (!negated) return held;
    return operators ? everything() : held.complement();
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
      sets_.classEscapeNanoseconds += isLookedUpClass(escaped) ? kLookedUpClassNanoseconds
                                      : isWordClass(escaped)    ? kWordClassNanoseconds
                                                                : kSmallClassNanoseconds;
      held.addAll(classSet(escaped));
    } else if (escaped == u'Q') {
      const std::size_t end = std::min(quoteEnds_.from(pattern_, i_ + 2), pattern_.size());
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
    sets_.bracketNanoseconds += kBracketNanoseconds;
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

  // Digits of `base` in braces at `i_`; without the closing brace ICU stops.
  UChar32 braced(int base) {
    const std::size_t close = closeBraces_.from(pattern_, i_);
    if (close == std::u16string_view::npos) {
      stop();
      return 0;
    }
    ++i_;
    const UChar32 value = digits(base, 8);
    i_ = close + 1;
    return value;
  }

  // A character by its name in braces at `i_`, and what ICU's lookup of it costs. Without the
  // closing brace ICU stops; past what the caller allows, the rest is left unread.
  UChar32 named() {
    const std::size_t close = closeBraces_.from(pattern_, i_);
    if (close == std::u16string_view::npos) {
      scannedToTheEnd();
      return 0;
    }
    std::string name;
    for (std::size_t j = i_ + 1; j < close; ++j) name += pattern_[j] < 0x80 ? static_cast<char>(pattern_[j]) : '?';
    i_ = close + 1;
    return lookUpName(name);
  }

  UChar32 lookUpName(const std::string& name) {
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

  static constexpr int kMostPropertyLookups = 64;

  const std::u16string_view pattern_;
  bool caseless_;
  const std::int64_t most_;
  RegexPatternSets& sets_;
  RegexPatternShape& shape_;
  std::size_t i_ = 0;
  int depth_ = 0;
  int propertyLookups_ = 0;
  bool outOfRoom_ = false;
  bool stopped_ = false;
  NextFound closeBraces_{u"}"};
  NextFound closeAngles_{u">"};
  NextFound closeParens_{u")"};
  NextFound colons_{u":"};
  NextFound quoteEnds_{u"\\E"};
  std::vector<OpenGroup> open_;
  std::int64_t groupBody_ = 0;
  // Operations compiled so far, roughly: each item, group and quantifier adds a few.
  std::int64_t ops_ = 0;
  Item last_ = Item::None;
  char16_t lastEscape_ = 0;
  unsigned seenClasses_ = 0;
  // The literal run under way, where it began, and where what is read now began.
  std::int64_t run_ = 0;
  std::size_t runStart_ = 0;
  std::size_t tokenStart_ = 0;
};

}  // namespace

RegexPatternSets RegexPatternSets::of(std::u16string_view pattern, bool caseless, std::int64_t mostNanoseconds,
                                      RegexPatternShape* shape) {
  RegexPatternSets sets;
  RegexPatternShape unused;
  PatternReader(pattern, caseless, mostNanoseconds, sets, shape ? *shape : unused).read();
  return sets;
}

}  // namespace sdk::analytics
