#include "sdk/analytics/rules/APMStringFilterEvaluator.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"

namespace sdk::analytics {
namespace {

// Field indices of APMPBStringFilter.
constexpr int kMatchType = 0;
constexpr int kExpression = 1;
constexpr int kCaseSensitive = 2;
constexpr int kExpressionList = 3;

using platform::foundation::Value;

std::uint64_t matchType(const APMPBStringFilter& filter) {
  return static_cast<std::uint64_t>(APMNanoGetInt64(filter, kMatchType));
}

std::vector<std::string> expressionList(const APMPBStringFilter& filter) {
  std::vector<std::string> list;
  for (const Value& entry : APMNanoGetArray(filter, kExpressionList)) {
    if (const std::string* text = entry.string()) list.push_back(*text);
  }
  return list;
}

// Full Unicode case folding, so "STRASSE" and "straße" compare equal when case does not matter.
std::string folded(const std::string& text) {
  std::string out;
  icu::UnicodeString::fromUTF8(text).foldCase().toUTF8String(out);
  return out;
}

bool beginsWith(const std::string& text, const std::string& prefix) {
  return !prefix.empty() && text.starts_with(prefix);
}
bool endsWith(const std::string& text, const std::string& suffix) {
  return !suffix.empty() && text.ends_with(suffix);
}
bool contains(const std::string& text, const std::string& part) {
  return !part.empty() && text.find(part) != std::string::npos;
}

APMFilterOutcome matchRegex(icu::RegexPattern& pattern, const std::string& value, APMMonitor& monitor) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString subject = icu::UnicodeString::fromUTF8(value);
  std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(subject, status));
  if (U_FAILURE(status) || !matcher) return std::nullopt;
  matcher->setTimeLimit(kAPMRegexTimeLimit, status);
  matcher->setStackLimit(kAPMRegexStackLimit, status);
  bool found = matcher->find(status);
  if (U_FAILURE(status)) {
    std::string patternText;
    pattern.pattern().toUTF8String(patternText);
    monitor.logWithLevel(1, 9007,
                         "Regular expression exceeded its time or stack limit. Audience filter will not be evaluated. "
                         "Pattern, error",
                         Value(patternText), Value(std::string(u_errorName(status))));
    return std::nullopt;
  }
  return found;
}

}  // namespace

bool APMValidateStringFilter(const APMPBStringFilter& filter, APMMonitor& monitor,
                             std::unique_ptr<icu::RegexPattern>* pattern) {
  if (!APMNanoHasField(filter, kMatchType)) {
    monitor.logWithLevel(1, 9000, "String filter has no match type", APMMessageContext(filter));
    return false;
  }
  std::uint64_t type = matchType(filter);
  if (type == static_cast<std::uint64_t>(APMMatchType::InList)) {
    if (!expressionList(filter).empty()) return true;
    monitor.logWithLevel(1, 9003, "String filter has no expression list", APMMessageContext(filter));
    return false;
  }
  if (type == 0) {
    monitor.logWithLevel(1, 9001, "String filter has unknown match type", APMMessageContext(filter));
    return false;
  }
  auto expression = APMNanoGetString(filter, kExpression);
  if (!expression) {
    monitor.logWithLevel(1, 9002, "String filter has no expression", APMMessageContext(filter));
    return false;
  }
  if (type != static_cast<std::uint64_t>(APMMatchType::Regex)) return true;
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::uint32_t flags = APMNanoGetBool(filter, kCaseSensitive) ? 0 : UREGEX_CASE_INSENSITIVE;
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(*expression), flags, parseError, status));
  if (U_FAILURE(status) || !compiled) {
    monitor.logWithLevel(1, 9004, "Unable to parse regular expression", APMMessageContext(filter),
                         Value(std::string(u_errorName(status))));
    return false;
  }
  if (pattern) *pattern = std::move(compiled);
  return true;
}

APMFilterOutcome APMMatchStringFilter(const APMPBStringFilter& filter, const std::optional<std::string>& value,
                                      APMMonitor& monitor) {
  if (!value) {
    monitor.logWithLevel(1, 9005, "Evaluation string is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  std::unique_ptr<icu::RegexPattern> pattern;
  if (!APMValidateStringFilter(filter, monitor, &pattern)) {
    monitor.logWithLevel(1, 9006, "String filter is invalid. Audience filter will not be evaluated");
    return std::nullopt;
  }
  bool caseSensitive = APMNanoGetBool(filter, kCaseSensitive);
  auto fold = [&](const std::string& text) { return caseSensitive ? text : folded(text); };
  std::string expression = APMNanoGetString(filter, kExpression).value_or("");
  switch (matchType(filter)) {
    case static_cast<std::uint64_t>(APMMatchType::Regex): return matchRegex(*pattern, *value, monitor);
    case static_cast<std::uint64_t>(APMMatchType::BeginsWith): return beginsWith(fold(*value), fold(expression));
    case static_cast<std::uint64_t>(APMMatchType::EndsWith): return endsWith(fold(*value), fold(expression));
    case static_cast<std::uint64_t>(APMMatchType::Contains): return contains(fold(*value), fold(expression));
    case static_cast<std::uint64_t>(APMMatchType::Exact): return fold(*value) == fold(expression);
    case static_cast<std::uint64_t>(APMMatchType::InList): {
      std::string subject = fold(*value);
      for (const std::string& entry : expressionList(filter)) {
        if (fold(entry) == subject) return true;
      }
      return false;
    }
    default: return false;
  }
}

}  // namespace sdk::analytics
