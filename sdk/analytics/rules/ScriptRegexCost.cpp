#include "sdk/analytics/rules/ScriptRegexCost.h"

#include <unicode/uchar.h>

#include <algorithm>

#include "sdk/analytics/rules/RegexPatternSets.h"
#include "sdk/analytics/rules/RegexPatternShape.h"

namespace sdk::analytics {

namespace {

constexpr std::int64_t kMatcherStepsPerTimeUnit = 10'000;
// Code units compared or read in one step of native work, and as many as a quarter of that when
// case is folded as they go.
constexpr std::int64_t kComparedUnitsPerStep = 4;
constexpr std::int64_t kCaselessComparisonSlowness = 4;

std::int64_t costStepsOf(std::int64_t nanoseconds) {
  return (nanoseconds + ScriptRegexCost::kNanosecondsPerStep - 1) / ScriptRegexCost::kNanosecondsPerStep;
}

}  // namespace

// Each rate is set above the most it took on a Release build:
// - compiling is linear in the pattern (a code unit of literal text or a dot takes some fifty nanoseconds,
//   a run of it folded when case is ignored some three hundred, a cased letter beyond ASCII some
//   ninety more) but for the work RegexPatternSets measures (each set built, closed
//   over case when case is ignored, each property and name looked up, each quantifier going over
//   what was compiled before it), a few microseconds that every compile costs, and each group,
//   alternative and lookbehind (which goes over all it holds again, each one nested in it included);
// - a start position clears the frame, runs the pattern's assertions, which read no text, and
//   compares the leading literal where its first unit stands;
// - a unit of the matcher's time is ten thousand backtracking steps, each copying the frame,
//   comparing at most the longest literal, and, for each step that may, reading the whole text.
ScriptRegexCost ScriptRegexCost::of(const std::u16string& pattern, bool caseless, std::int64_t mostWork) {
  constexpr std::int64_t kWorkOfCompile = 100;
  constexpr std::int64_t kWorkPerUnit = 3;
  constexpr std::int64_t kWorkPerCaselessRun = 10;
  constexpr std::int64_t kWorkPerCaselessLiteral = 3;
  constexpr std::int64_t kWorkPerLookbehindUnit = 1;
  constexpr std::int64_t kWorkPerGroup = 16;
  constexpr std::int64_t kWorkPerAlternative = 10;
  constexpr std::size_t kBytesPerSet = 16u << 10;
  constexpr std::size_t kBytesPerSequenceSet = 256u << 10;
  constexpr std::size_t kBytesPerUnit = 32;
  constexpr std::int64_t kFrameHeaderWords = 4;
  constexpr std::int64_t kFrameWordsPerGroup = 3;
  constexpr std::int64_t kFrameWordsPerQuantifier = 2;
  constexpr std::int64_t kFrameWordsPerStep = 64;
  constexpr std::int64_t kWorkPerTimeUnitBesidesFrames = 2'500;
  constexpr std::int64_t kSixteenthsPerGlance = 2;
  constexpr std::int64_t kSixteenthsPerAssertion = 3;
  const std::int64_t mostNanoseconds = std::min(mostWork, RegexPatternSets::kUnbounded / kNanosecondsPerStep) * kNanosecondsPerStep;
  RegexPatternShape shape;
  const auto sets = RegexPatternSets::of(pattern, caseless, mostNanoseconds, &shape);
  ScriptRegexCost cost;
  const std::int64_t lookedUp = sets.bracketNanoseconds + sets.classEscapeNanoseconds + sets.propertySetNanoseconds +
                                sets.sequenceSetNanoseconds + sets.caseClosureNanoseconds + sets.nameLookupNanoseconds +
                                shape.quantifierNanoseconds;
  cost.compileWork = kWorkOfCompile + shape.length * kWorkPerUnit + shape.caselessRuns * kWorkPerCaselessRun +
                     costStepsOf(lookedUp) + shape.groups * kWorkPerGroup + shape.alternatives * kWorkPerAlternative +
                     sets.caselessLiterals * kWorkPerCaselessLiteral + shape.lookbehindUnits * kWorkPerLookbehindUnit;
  // What was left unread costs more than was allowed, whatever was read.
  if (sets.cutShort) cost.compileWork = std::max(cost.compileWork, mostWork + 1);
  cost.estimateWork = costStepsOf(sets.readingNanoseconds);
  const auto setCount = sets.brackets + sets.classEscapesInBrackets + sets.classEscapes + sets.properties;
  cost.bytes = static_cast<std::size_t>(shape.length) * kBytesPerUnit + static_cast<std::size_t>(setCount) * kBytesPerSet +
               static_cast<std::size_t>(sets.sequenceProperties) * kBytesPerSequenceSet;
  // The matcher's frame, at most: cleared at every start position, copied at every backtracking step.
  const auto frameWords = kFrameHeaderWords + kFrameWordsPerGroup * shape.groups + kFrameWordsPerQuantifier * shape.quantifiers;
  cost.sixteenthsPerStart = kSixteenthsPerGlance + frameWords * 16 / kFrameWordsPerStep + kSixteenthsPerAssertion * shape.assertions;
  cost.workPerTimeUnit = kWorkPerTimeUnitBesidesFrames + kMatcherStepsPerTimeUnit * frameWords / kFrameWordsPerStep;
  cost.scanningSteps = shape.scanningSteps;
  cost.longestLiteral = shape.longestLiteral;
  cost.leadingLiteral = shape.leadingLiteral;
  cost.leadingUnit = shape.leadingUnit;
  cost.caseless = shape.caseless;
  return cost;
}

std::int64_t ScriptRegexCost::workPerTimeUnitOn(std::int64_t units) const {
  const std::int64_t slowness = caseless ? kCaselessComparisonSlowness : 1;
  const std::int64_t readPerStep = (std::min(longestLiteral, units) + scanningSteps * units) * slowness;
  return workPerTimeUnit + kMatcherStepsPerTimeUnit * readPerStep / kComparedUnitsPerStep;
}

std::int64_t ScriptRegexCost::sixteenthsPerStartAt(char16_t unit, std::int64_t left) const {
  if (leadingLiteral < 2) return sixteenthsPerStart;
  const bool compared = caseless ? u_foldCase(unit, U_FOLD_CASE_DEFAULT) == u_foldCase(leadingUnit, U_FOLD_CASE_DEFAULT)
                                 : unit == leadingUnit;
  if (!compared) return sixteenthsPerStart;
  const std::int64_t slowness = caseless ? kCaselessComparisonSlowness : 1;
  return sixteenthsPerStart + 16 * std::min(leadingLiteral, left) * slowness / kComparedUnitsPerStep;
}

}  // namespace sdk::analytics
