#include "sdk/analytics/rules/ScriptRegexCost.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sdk/analytics/rules/RegexPatternSets.h"

namespace sdk::analytics {

namespace {

// What the pattern's text shows of it besides its sets. Counting is by characters alone: a quoted
// bracket or a quantifier inside a set counts too, which costs a pattern a little, never too little.
struct PatternShape {
  std::int64_t length = 0;
  std::int64_t groups = 0;       // every parenthesis that opens
  std::int64_t quantifiers = 0;  // '*', '+', '?', '{' and '|'
  std::int64_t quantifierPositions = 0;  // their offsets, summed
  std::int64_t intervalPositions = 0;    // those of '{' and of a lazy or possessive mark, summed
  std::int64_t assertions = 0;   // what matches without reading: anchors, boundaries, groups
  bool referencesBack = false;  // \1 to \9, \k<name>
  bool caseless = false;
  std::int64_t lookbehindUnits = 0;  // what each lookbehind holds, summed
};

// Where the braces of an escape that takes a name or a number in braces (\p{...}, \N{...},
// \x{...}) close, when the escape at `i` has them: what they hold is no quantifier.
std::size_t bracedEnd(const std::u16string& pattern, std::size_t i) {
  constexpr std::u16string_view kBracedEscapes = u"pPNx";
  if (kBracedEscapes.find(pattern[i]) == std::u16string_view::npos || i + 1 >= pattern.size() || pattern[i + 1] != u'{') return i;
  const std::size_t close = pattern.find(u'}', i + 2);
  return close == std::u16string::npos ? i : close;
}

// Past the bracket expression that opens at `i`, nested ones and escapes inside it included.
std::size_t pastBracket(const std::u16string& pattern, std::size_t i) {
  int depth = 0;
  for (; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'\\') {
      ++i;
    } else if (c == u'[') {
      ++depth;
      // A ']' right after the opening (or its '^') is a member, not the end.
      if (i + 1 < pattern.size() && pattern[i + 1] == u'^') ++i;
      if (i + 1 < pattern.size() && pattern[i + 1] == u']') ++i;
    } else if (c == u']' && --depth == 0) {
      return i + 1;
    }
  }
  return pattern.size();
}

// What ICU goes over again for each lookbehind, to learn how far back it reaches: all it holds, so
// that a lookbehind inside another is gone over once for each around it. Parentheses inside
// brackets and quotes are no groups; one left open holds the rest of the pattern.
std::int64_t lookbehindUnitsOf(const std::u16string& pattern) {
  std::vector<std::pair<std::size_t, bool>> open;  // where each group opens, and whether it looks behind
  std::int64_t units = 0;
  for (std::size_t i = 0; i < pattern.size();) {
    const char16_t c = pattern[i];
    if (c == u'\\' && i + 1 < pattern.size() && pattern[i + 1] == u'Q') {
      const std::size_t end = pattern.find(u"\\E", i + 2);
      i = end == std::u16string::npos ? pattern.size() : end + 2;
    } else if (c == u'\\') {
      i = i + 1 < pattern.size() ? bracedEnd(pattern, i + 1) + 1 : pattern.size();
    } else if (c == u'[') {
      i = pastBracket(pattern, i);
    } else {
      if (c == u'(') {
        const auto rest = std::u16string_view(pattern).substr(i);
        open.emplace_back(i, rest.starts_with(u"(?<=") || rest.starts_with(u"(?<!"));
      } else if (c == u')' && !open.empty()) {
        if (open.back().second) units += static_cast<std::int64_t>(i - open.back().first);
        open.pop_back();
      }
      ++i;
    }
  }
  for (const auto& [start, looksBehind] : open) units += looksBehind ? static_cast<std::int64_t>(pattern.size() - start) : 0;
  return units;
}

PatternShape shapeOf(const std::u16string& pattern) {
  constexpr std::u16string_view kAssertionEscapes = u"bBAzZG";
  constexpr std::u16string_view kQuantifiers = u"*+?{|";
  constexpr std::u16string_view kMarkedQuantifierEnds = u"}?*+";
  PatternShape shape;
  shape.length = static_cast<std::int64_t>(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'\\' && i + 1 < pattern.size()) {
      const char16_t escaped = pattern[++i];
      if (kAssertionEscapes.find(escaped) != std::u16string_view::npos) ++shape.assertions;
      shape.referencesBack |= (escaped >= u'1' && escaped <= u'9') || escaped == u'k';
      i = bracedEnd(pattern, i);
      continue;
    }
    if (c == u'^' || c == u'$') ++shape.assertions;
    if (kQuantifiers.find(c) != std::u16string_view::npos) {
      ++shape.quantifiers;
      const bool marksQuantifier = (c == u'+' || c == u'?') && i > 0 && kMarkedQuantifierEnds.find(pattern[i - 1]) != std::u16string_view::npos;
      (c == u'{' || marksQuantifier ? shape.intervalPositions : shape.quantifierPositions) += static_cast<std::int64_t>(i);
    }
    if (c == u'(') {
      ++shape.groups;
      ++shape.assertions;
      // The flags a group switches on: (?i) and (?i:...), up to a '-' that switches the rest off.
      if (i + 1 < pattern.size() && pattern[i + 1] == u'?') {
        for (std::size_t j = i + 2; j < pattern.size() && u_isalpha(pattern[j]); ++j) shape.caseless |= pattern[j] == u'i';
      }
    }
  }
  shape.lookbehindUnits = lookbehindUnitsOf(pattern);
  return shape;
}

}  // namespace

// Each rate is set above the most it took on a Release build, where a step of native work is some
// thirty nanoseconds:
// - compiling is linear in the pattern (a code unit of literal text takes some sixty nanoseconds)
//   but for two steps: ICU builds a set for every bracket expression, property and class escape
//   inside brackets, and closes each over case when the pattern ignores case (RegexPatternSets
//   measures what that costs on what each set holds); and every quantifier, alternative and
//   lookbehind goes back over what was compiled before it (a pattern of thousands of stars
//   compiles in quadratic time), and a counted repetition, or a lazy or possessive one, moves all
//   of it to make room (a few nanoseconds for each unit before it). A bracket of characters takes
//   a microsecond, a class escape inside brackets up to thirty (outside them a pattern's first one
//   does), a group a dozen steps of its own. A property's set is looked up character by character
//   (an age takes a tenth of a millisecond); a property of strings, a named character and a cased
//   character beyond ASCII in a pattern that ignores case cost what RegexPatternSets measures on
//   each (a keycap's dozen strings ten microseconds, every emoji twenty milliseconds; a name late
//   in ICU's table a tenth of a millisecond and more; a long s some sixty nanoseconds more than an
//   s); and a lookbehind goes over all it holds again, each one nested in it included;
// - a start position clears the frame, and runs the pattern's assertions, which read no text;
// - a unit of the matcher's time is ten thousand backtracking steps, each copying the frame;
// - a chunk of text read is compared or scanned at most once between two reads; a back reference
//   reads two chunks at once, and case-blind comparisons fold every character as they go.
ScriptRegexCost ScriptRegexCost::of(const std::u16string& pattern, bool caseless, std::int64_t mostWork) {
  constexpr std::int64_t kWorkPerBracket = 100;
  constexpr std::int64_t kWorkPerClassEscapeInBrackets = 1'500;
  constexpr std::int64_t kWorkPerClassEscape = 20;
  constexpr std::int64_t kWorkOfFirstClassEscape = 1'500;
  constexpr std::int64_t kWorkPerPropertySet = 10'000;
  constexpr std::int64_t kWorkPerUnit = 2;
  constexpr std::int64_t kWorkPerCaselessLiteral = 1;
  constexpr std::int64_t kWorkPerLookbehindUnit = 1;
  constexpr std::int64_t kNanosecondsPerStep = 30;
  constexpr std::int64_t kQuantifierPositionsPerStep = 64;
  constexpr std::int64_t kIntervalPositionsPerStep = 4;
  constexpr std::int64_t kWorkPerGroup = 16;
  constexpr std::size_t kBytesPerSet = 16u << 10;
  constexpr std::size_t kBytesPerSequenceSet = 256u << 10;
  constexpr std::size_t kBytesPerUnit = 32;
  constexpr std::int64_t kFrameHeaderWords = 4;
  constexpr std::int64_t kFrameWordsPerGroup = 3;
  constexpr std::int64_t kFrameWordsPerQuantifier = 2;
  constexpr std::int64_t kFrameWordsPerStep = 64;
  constexpr std::int64_t kStepsPerTimeUnit = 10'000;
  constexpr std::int64_t kWorkPerTimeUnitBesidesFrames = 2'500;
  constexpr std::int64_t kSixteenthsPerGlance = 2;
  constexpr std::int64_t kSixteenthsPerAssertion = 3;
  constexpr std::int64_t kWorkPerChunk = 8;
  constexpr std::int64_t kWorkPerChunkReferencedBack = 16;
  constexpr std::int64_t kWorkPerCaselessChunk = 32;
  auto shape = shapeOf(pattern);
  shape.caseless |= caseless;
  const auto steps = [](std::int64_t nanoseconds) { return (nanoseconds + kNanosecondsPerStep - 1) / kNanosecondsPerStep; };
  const std::int64_t mostNanoseconds = std::min(mostWork, RegexPatternSets::kUnbounded / kNanosecondsPerStep) * kNanosecondsPerStep;
  const auto sets = RegexPatternSets::of(pattern, shape.caseless, mostNanoseconds);
  ScriptRegexCost cost;
  const std::int64_t setWork =
      sets.brackets * kWorkPerBracket + sets.classEscapesInBrackets * kWorkPerClassEscapeInBrackets +
      sets.classEscapes * kWorkPerClassEscape + (sets.classEscapes > 0 ? kWorkOfFirstClassEscape : 0) +
      sets.properties * kWorkPerPropertySet + steps(sets.sequenceSetNanoseconds) + steps(sets.caseClosureNanoseconds);
  cost.compileWork = shape.length * kWorkPerUnit + setWork + shape.groups * kWorkPerGroup +
                     shape.quantifierPositions / kQuantifierPositionsPerStep + shape.intervalPositions / kIntervalPositionsPerStep +
                     steps(sets.nameLookupNanoseconds) + sets.caselessLiterals * kWorkPerCaselessLiteral +
                     shape.lookbehindUnits * kWorkPerLookbehindUnit;
  // What was left unread costs more than was allowed, whatever was read.
  if (sets.cutShort) cost.compileWork = std::max(cost.compileWork, mostWork + 1);
  cost.estimateWork = steps(sets.readingNanoseconds);
  const auto setCount = sets.brackets + sets.classEscapesInBrackets + sets.classEscapes + sets.properties;
  cost.bytes = static_cast<std::size_t>(shape.length) * kBytesPerUnit + static_cast<std::size_t>(setCount) * kBytesPerSet +
               static_cast<std::size_t>(sets.sequenceProperties) * kBytesPerSequenceSet;
  // The matcher's frame, at most: cleared at every start position, copied at every backtracking step.
  const auto frameWords = kFrameHeaderWords + kFrameWordsPerGroup * shape.groups + kFrameWordsPerQuantifier * shape.quantifiers;
  cost.sixteenthsPerStart = kSixteenthsPerGlance + frameWords * 16 / kFrameWordsPerStep + kSixteenthsPerAssertion * shape.assertions;
  cost.workPerTimeUnit = kWorkPerTimeUnitBesidesFrames + kStepsPerTimeUnit * frameWords / kFrameWordsPerStep;
  cost.workPerChunk = shape.caseless ? kWorkPerCaselessChunk : (shape.referencesBack ? kWorkPerChunkReferencedBack : kWorkPerChunk);
  return cost;
}

}  // namespace sdk::analytics
