#include "sdk/analytics/rules/StringFilterEvaluator.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/AudienceEvaluationBudget.h"
#include "sdk/analytics/rules/CaselessText.h"
#include "sdk/analytics/rules/PreparedStringFilter.h"
#include "sdk/analytics/rules/RegexCompiler.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/analytics/rules/ScriptLimits.h"
#include "sdk/analytics/rules/ScriptRegexCost.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

using platform::foundation::Value;

std::uint64_t matchType(const ProtoStringFilter& filter) {
  return static_cast<std::uint64_t>(nanoGetInt64(filter, kStringMatchType));
}

bool hasExpressionList(const ProtoStringFilter& filter) { return !filter.values(kStringExpressionList).empty(); }

}  // namespace

std::int64_t regexCompileNanoseconds(const icu::UnicodeString& pattern, bool caseless) {
  // A pattern past an event's time is refused whatever more it holds: its reading stops there.
  constexpr std::int64_t kStep = ScriptRegexCost::kNanosecondsPerStep;
  constexpr std::int64_t kMostWork = kEventCpuNanoseconds / (kStep * kBuildSlowness);
  const auto cost = ScriptRegexCost::of(std::u16string(pattern.getBuffer(), static_cast<std::size_t>(pattern.length())),
                                        caseless, kMostWork);
  return std::min(cost.compileWork, kMostWork + 1) * kStep * kBuildSlowness;
}

namespace {

struct Refusal {
  std::int64_t code;
  const char* message;
};

// The first rule short of compiling that the filter breaks.
std::optional<Refusal> shapeRefusal(const ProtoStringFilter& filter) {
  if (!nanoHasField(filter, kStringMatchType)) return Refusal{messages::kStringFilterHasNoMatchType, "String filter has no match type"};
  std::uint64_t type = matchType(filter);
  if (type == static_cast<std::uint64_t>(StringMatchType::InList)) {
    if (hasExpressionList(filter)) return std::nullopt;
    return Refusal{messages::kStringFilterHasNoExpressionList, "String filter has no expression list"};
  }
  if (type == 0) return Refusal{messages::kStringFilterUnknownMatchType, "String filter has unknown match type"};
  if (!nanoStringIn(filter, kStringExpression)) return Refusal{messages::kStringFilterHasNoExpression, "String filter has no expression"};
  return std::nullopt;
}

}  // namespace

bool isWellFormedStringFilter(const ProtoStringFilter& filter) { return !shapeRefusal(filter); }

bool validateStringFilter(const ProtoStringFilter& filter, Monitor* monitor,
                          std::shared_ptr<const icu::RegexPattern>* pattern, AudienceEvaluationBudget* budget) {
  auto refuse = [&](std::int64_t code, const char* message) {
    if (monitor) monitor->logWithLevel(LogLevel::kMonitoredError, code, message, messageLogContext(filter));
    return false;
  };
  if (auto refusal = shapeRefusal(filter)) return refuse(refusal->code, refusal->message);
  if (matchType(filter) != static_cast<std::uint64_t>(StringMatchType::Regex)) return true;
  // Compiled as its searches will compile it, and refused when they never could.
  const bool caseless = !nanoGetBool(filter, kStringCaseSensitive);
  const auto text = icu::UnicodeString::fromUTF8(*nanoStringIn(filter, kStringExpression));
  const std::int64_t estimate = regexCompileNanoseconds(text, caseless);
  if (estimate > kEventCpuNanoseconds) {
    return refuse(messages::kRegularExpressionTooCostly, "Regular expression is too costly to compile");
  }
  if (budget && !budget->affords(estimate)) {
    return refuse(messages::kRegularExpressionTooCostly,
                  "Regular expressions of the configuration are too costly to compile together");
  }
  // Compiled where it can be left once the time is gone, the estimate being only a guess.
  const auto compiled = RegexCompiler::compile(text, caseless ? UREGEX_CASE_INSENSITIVE : 0,
                                               budget ? budget->nanosecondsLeft() : kEventCpuNanoseconds,
                                               [budget] { return !budget || budget->mayWait(); });
  switch (compiled.outcome) {
    case RegexCompiler::Outcome::Compiled:
      if (budget && !budget->finishedElsewhereInItsTime(compiled.cpuNanoseconds)) {
        return refuse(messages::kRegularExpressionTooCostly, "Regular expression is too costly to compile");
      }
      if (pattern) *pattern = compiled.pattern;
      return true;
    case RegexCompiler::Outcome::Failed:
      if (monitor) {
        monitor->logWithLevel(LogLevel::kMonitoredError, messages::kRegularExpressionUnparsable, "Unable to parse regular expression",
                              messageLogContext(filter), Value(std::string(u_errorName(compiled.status))));
      }
      return false;
    case RegexCompiler::Outcome::OutOfTime:
      if (budget) budget->waitedOutItsTime();
      return refuse(messages::kRegularExpressionTooCostly, "Regular expression is too costly to compile");
    case RegexCompiler::Outcome::Refused:
      return refuse(messages::kRegularExpressionTooCostly, "Regular expression is too costly to compile");
    case RegexCompiler::Outcome::Busy:
      // Another pattern's compile, left behind, still runs: this one is compiled at its first search.
      return true;
  }
  return false;
}

FilterOutcome matchStringFilter(const ProtoStringFilter& filter, std::optional<std::string_view> value,
                                      Monitor& monitor) {
  if (!value) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kEvaluationStringMissing, "Evaluation string is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  std::shared_ptr<const icu::RegexPattern> pattern;
  if (!validateStringFilter(filter, monitor, &pattern)) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kStringFilterInvalid, "String filter is invalid. Audience filter will not be evaluated");
    return std::nullopt;
  }
  CaselessText text(*value);
  return PreparedStringFilter(filter, std::move(pattern)).matches(text, monitor);
}

}  // namespace sdk::analytics

