#include "sdk/analytics/rules/StringFilterEvaluator.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/AudienceEvaluationBudget.h"
#include "sdk/analytics/rules/CaselessText.h"
#include "sdk/analytics/rules/PreparedStringFilter.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/analytics/rules/ScriptLimits.h"
#include "sdk/analytics/rules/ScriptRegexCost.h"

namespace sdk::analytics {

namespace {

// Field indices of ProtoStringFilter.
constexpr int kMatchType = 0;
constexpr int kExpression = 1;
constexpr int kCaseSensitive = 2;
constexpr int kExpressionList = 3;

using platform::foundation::Value;

std::uint64_t matchType(const ProtoStringFilter& filter) {
  return static_cast<std::uint64_t>(nanoGetInt64(filter, kMatchType));
}

bool hasExpressionList(const ProtoStringFilter& filter) { return !filter.values(kExpressionList).empty(); }

// A step of the native work a regular expression's cost counts took at most some thirty nanoseconds
// on a Release build; a compilation cannot be stopped once begun, so it is charged twice that.
constexpr std::int64_t kNanosecondsPerWorkStep = 60;

}  // namespace

std::int64_t regexCompileNanoseconds(const icu::UnicodeString& pattern, bool caseless) {
  // A pattern past an event's time is refused whatever more it holds: its reading stops there.
  constexpr std::int64_t kMostWork = kEventCpuNanoseconds / (kNanosecondsPerWorkStep * kBuildSlowness);
  const auto cost = ScriptRegexCost::of(std::u16string(pattern.getBuffer(), static_cast<std::size_t>(pattern.length())),
                                        caseless, kMostWork);
  return std::min(cost.compileWork, kMostWork + 1) * kNanosecondsPerWorkStep * kBuildSlowness;
}

namespace {

struct Refusal {
  std::int64_t code;
  const char* message;
};

// The first rule short of compiling that the filter breaks.
std::optional<Refusal> shapeRefusal(const ProtoStringFilter& filter) {
  if (!nanoHasField(filter, kMatchType)) return Refusal{messages::kStringFilterHasNoMatchType, "String filter has no match type"};
  std::uint64_t type = matchType(filter);
  if (type == static_cast<std::uint64_t>(StringMatchType::InList)) {
    if (hasExpressionList(filter)) return std::nullopt;
    return Refusal{messages::kStringFilterHasNoExpressionList, "String filter has no expression list"};
  }
  if (type == 0) return Refusal{messages::kStringFilterUnknownMatchType, "String filter has unknown match type"};
  if (!nanoStringIn(filter, kExpression)) return Refusal{messages::kStringFilterHasNoExpression, "String filter has no expression"};
  return std::nullopt;
}

}  // namespace

bool isWellFormedStringFilter(const ProtoStringFilter& filter) { return !shapeRefusal(filter); }

bool validateStringFilter(const ProtoStringFilter& filter, Monitor* monitor, std::unique_ptr<icu::RegexPattern>* pattern,
                          AudienceEvaluationBudget* budget) {
  auto refuse = [&](std::int64_t code, const char* message) {
    if (monitor) monitor->logWithLevel(LogLevel::kMonitoredError, code, message, messageLogContext(filter));
    return false;
  };
  if (auto refusal = shapeRefusal(filter)) return refuse(refusal->code, refusal->message);
  if (matchType(filter) != static_cast<std::uint64_t>(StringMatchType::Regex)) return true;
  // Compiled as its searches will compile it, and refused when they never could.
  const bool caseless = !nanoGetBool(filter, kCaseSensitive);
  const auto text = icu::UnicodeString::fromUTF8(*nanoStringIn(filter, kExpression));
  const std::int64_t estimate = regexCompileNanoseconds(text, caseless);
  if (estimate > kEventCpuNanoseconds) {
    return refuse(messages::kRegularExpressionTooCostly, "Regular expression is too costly to compile");
  }
  if (budget && !budget->affords(estimate)) {
    return refuse(messages::kRegularExpressionTooCostly,
                  "Regular expressions of the configuration are too costly to compile together");
  }
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(text, caseless ? UREGEX_CASE_INSENSITIVE : 0, parseError, status));
  if (budget && !budget->finishedInItsTime()) {
    return refuse(messages::kRegularExpressionTooCostly, "Regular expression is too costly to compile");
  }
  if (U_FAILURE(status) || !compiled) {
    if (monitor) {
      monitor->logWithLevel(LogLevel::kMonitoredError, messages::kRegularExpressionUnparsable, "Unable to parse regular expression", messageLogContext(filter),
                            Value(std::string(u_errorName(status))));
    }
    return false;
  }
  if (pattern) *pattern = std::move(compiled);
  return true;
}

FilterOutcome matchStringFilter(const ProtoStringFilter& filter, std::optional<std::string_view> value,
                                      Monitor& monitor) {
  if (!value) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kEvaluationStringMissing, "Evaluation string is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  std::unique_ptr<icu::RegexPattern> pattern;
  if (!validateStringFilter(filter, monitor, &pattern)) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kStringFilterInvalid, "String filter is invalid. Audience filter will not be evaluated");
    return std::nullopt;
  }
  CaselessText text(*value);
  return PreparedStringFilter(filter, std::move(pattern)).matches(text, monitor);
}

}  // namespace sdk::analytics

