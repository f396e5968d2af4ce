#include "sdk/analytics/rules/PreparedStringFilter.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <functional>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/AudienceEvaluationBudget.h"
#include "sdk/analytics/rules/RegexCompiler.h"
#include "sdk/analytics/rules/ScriptLimits.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"
#include "sdk/analytics/rules/CaselessText.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

UBool onTimeUnit(const void* budget, std::int32_t) {
  return static_cast<AudienceEvaluationBudget*>(const_cast<void*>(budget))->matchMayGoOn();
}

UBool onStartPosition(const void* budget, std::int64_t) {
  return static_cast<AudienceEvaluationBudget*>(const_cast<void*>(budget))->startPositionMayGoOn();
}

FilterOutcome findPattern(const icu::RegexPattern& pattern, std::string_view value, Monitor& monitor,
                          AudienceEvaluationBudget* budget) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString subject =
      icu::UnicodeString::fromUTF8(icu::StringPiece(value.data(), static_cast<std::int32_t>(value.size())));
  std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(subject, status));
  if (U_FAILURE(status) || !matcher) return std::nullopt;
  matcher->setTimeLimit(kRegexTimeLimit, status);
  matcher->setStackLimit(kRegexStackLimit, status);
  if (budget) {
    budget->startMatch();
    matcher->setMatchCallback(onTimeUnit, budget, status);
    matcher->setFindProgressCallback(onStartPosition, budget, status);
  }
  bool found = matcher->find(status);
  if (U_FAILURE(status)) {
    if (budget && status == U_REGEX_TIME_OUT) budget->matchTimedOut();
    // Stopped because the event's time is spent: the walk reports that, and the pattern is not at fault.
    if (budget && budget->isSpent() && !budget->patternRanOut()) return std::nullopt;
    std::string patternText;
    pattern.pattern().toUTF8String(patternText);
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kRegularExpressionOverLimit,
                         "Regular expression exceeded its time or stack limit. Audience filter will not be evaluated. "
                         "Pattern, error",
                         platform::foundation::Value(patternText),
                         platform::foundation::Value(std::string(u_errorName(status))));
    return std::nullopt;
  }
  return found;
}

}  // namespace

std::optional<PreparedStringFilter> PreparedStringFilter::from(const ProtoStringFilter& filter) {
  if (!isWellFormedStringFilter(filter)) return std::nullopt;
  return PreparedStringFilter(filter, nullptr);
}

PreparedStringFilter::PreparedStringFilter(const ProtoStringFilter& filter,
                                           std::shared_ptr<const icu::RegexPattern> pattern)
    : type_(static_cast<std::uint64_t>(nanoGetInt64(filter, kStringMatchType))),
      caseSensitive_(nanoGetBool(filter, kStringCaseSensitive)),
      pattern_(std::move(pattern)) {
  auto compared = [&](std::string_view text) { return caseSensitive_ ? std::string(text) : CaselessText::fold(text); };
  if (const std::string* expression = nanoStringIn(filter, kStringExpression)) {
    expression_ = compared(*expression);
    if (type_ == static_cast<std::uint64_t>(StringMatchType::Regex)) {
      source_ = icu::UnicodeString::fromUTF8(*expression);
      compileNanoseconds_ = regexCompileNanoseconds(source_, !caseSensitive_);
    }
  }
  for (const auto& entry : filter.values(kStringExpressionList)) {
    if (const auto* text = std::get_if<std::string>(&entry)) list_.push_back(compared(*text));
  }
}

const icu::RegexPattern* PreparedStringFilter::pattern(Monitor& monitor, AudienceEvaluationBudget* budget) const {
  if (pattern_) return pattern_.get();
  if (neverCompiles_) return nullptr;
  if (budget && !budget->affords(compileNanoseconds_)) {
    neverCompiles_ = budget->patternRanOut();
    return nullptr;
  }
  const auto compiled = RegexCompiler::compile(source_, caseSensitive_ ? 0 : UREGEX_CASE_INSENSITIVE,
                                               budget ? budget->nanosecondsLeft() : kEventCpuNanoseconds,
                                               [budget] { return !budget || budget->mayWait(); });
  switch (compiled.outcome) {
    case RegexCompiler::Outcome::Compiled:
      // Compiled is compiled: a pattern that took longer than its text promised is kept all the
      // same, and the time it took ends the event's walk.
      pattern_ = compiled.pattern;
      if (budget) budget->finishedElsewhereInItsTime(compiled.cpuNanoseconds);
      break;
    case RegexCompiler::Outcome::Failed: {
      // It parsed when it was validated: only memory can have run short.
      std::string patternText;
      source_.toUTF8String(patternText);
      monitor.logWithLevel(LogLevel::kMonitoredError, messages::kRegularExpressionUnparsable, "Unable to parse regular expression",
                           platform::foundation::Value(patternText),
                           platform::foundation::Value(std::string(u_errorName(compiled.status))));
      break;
    }
    case RegexCompiler::Outcome::OutOfTime:
      neverCompiles_ = true;
      if (budget) budget->waitedOutItsTime();
      break;
    case RegexCompiler::Outcome::Refused:
      neverCompiles_ = true;
      if (budget) budget->setAside();
      break;
    case RegexCompiler::Outcome::Busy:
      // Another compile, left behind, still runs: this one waits for a later event.
      break;
  }
  return pattern_.get();
}

bool PreparedStringFilter::isSetAsideFor(std::string_view text) const {
  if (neverCompiles_) return true;
  if (setAsideTexts_.empty()) return false;
  const std::size_t hash = std::hash<std::string_view>{}(text);
  return std::find(setAsideTexts_.begin(), setAsideTexts_.end(), hash) != setAsideTexts_.end();
}

void PreparedStringFilter::setAsideFor(std::string_view text) const {
  const std::size_t hash = std::hash<std::string_view>{}(text);
  if (setAsideTexts_.size() < kSetAsideTexts) {
    setAsideTexts_.push_back(hash);
    return;
  }
  setAsideTexts_[nextSetAside_] = hash;
  nextSetAside_ = (nextSetAside_ + 1) % kSetAsideTexts;
}

FilterOutcome PreparedStringFilter::matches(CaselessText& value, Monitor& monitor,
                                            AudienceEvaluationBudget* budget) const {
  if (type_ == static_cast<std::uint64_t>(StringMatchType::Regex)) {
    const icu::RegexPattern* compiled = pattern(monitor, budget);
    if (!compiled) return std::nullopt;
    FilterOutcome found = findPattern(*compiled, value.text(), monitor, budget);
    if (budget && budget->patternRanOut()) setAsideFor(value.text());
    return found;
  }
  std::string_view subject = caseSensitive_ ? value.text() : value.folded();
  switch (type_) {
    case static_cast<std::uint64_t>(StringMatchType::BeginsWith):
      return !expression_.empty() && subject.starts_with(expression_);
    case static_cast<std::uint64_t>(StringMatchType::EndsWith):
      return !expression_.empty() && subject.ends_with(expression_);
    case static_cast<std::uint64_t>(StringMatchType::Contains):
      return !expression_.empty() && subject.find(expression_) != std::string_view::npos;
    case static_cast<std::uint64_t>(StringMatchType::Exact): return subject == expression_;
    case static_cast<std::uint64_t>(StringMatchType::InList):
      for (const std::string& entry : list_) {
        if (entry == subject) return true;
      }
      return false;
    default: return false;
  }
}

}  // namespace sdk::analytics

