#include "sdk/analytics/rules/APMStringFilterEvaluator.h"

#include <algorithm>

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

bool hasExpressionList(const APMPBStringFilter& filter) { return !filter.values(kExpressionList).empty(); }

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isFoldedAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80 && !(c >= 'A' && c <= 'Z'); });
}

// Full Unicode case folding, so "STRASSE" and "straße" compare equal when case does not matter. For
// ASCII text that folding is exactly A-Z to a-z, which spares ICU on the common path.
std::string folded(std::string_view text) {
  std::string out;
  if (isAscii(text)) {
    out.resize(text.size());
    std::transform(text.begin(), text.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
  }
  icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())))
      .foldCase()
      .toUTF8String(out);
  return out;
}

// The text as compared: folded unless case matters, kept in place when folding would not change it.
class ComparedText {
 public:
  ComparedText(std::string_view text, bool caseSensitive) {
    if (caseSensitive || isFoldedAscii(text)) {
      view_ = text;
    } else {
      folded_ = folded(text);
      view_ = folded_;
    }
  }
  ComparedText(const ComparedText&) = delete;
  ComparedText& operator=(const ComparedText&) = delete;
  std::string_view view() const { return view_; }

 private:
  std::string folded_;
  std::string_view view_;
};

bool beginsWith(std::string_view text, std::string_view prefix) { return !prefix.empty() && text.starts_with(prefix); }
bool endsWith(std::string_view text, std::string_view suffix) { return !suffix.empty() && text.ends_with(suffix); }
bool contains(std::string_view text, std::string_view part) {
  return !part.empty() && text.find(part) != std::string_view::npos;
}

APMFilterOutcome matchRegex(icu::RegexPattern& pattern, std::string_view value, APMMonitor& monitor) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString subject =
      icu::UnicodeString::fromUTF8(icu::StringPiece(value.data(), static_cast<std::int32_t>(value.size())));
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
    if (hasExpressionList(filter)) return true;
    monitor.logWithLevel(1, 9003, "String filter has no expression list", APMMessageContext(filter));
    return false;
  }
  if (type == 0) {
    monitor.logWithLevel(1, 9001, "String filter has unknown match type", APMMessageContext(filter));
    return false;
  }
  const std::string* expression = APMNanoStringIn(filter, kExpression);
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

APMFilterOutcome APMMatchStringFilter(const APMPBStringFilter& filter, std::optional<std::string_view> value,
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
  std::uint64_t type = matchType(filter);
  if (type == static_cast<std::uint64_t>(APMMatchType::Regex)) return matchRegex(*pattern, *value, monitor);
  bool caseSensitive = APMNanoGetBool(filter, kCaseSensitive);
  ComparedText subject(*value, caseSensitive);
  if (type == static_cast<std::uint64_t>(APMMatchType::InList)) {
    for (const auto& entry : filter.values(kExpressionList)) {
      const auto* text = std::get_if<std::string>(&entry);
      if (text && ComparedText(*text, caseSensitive).view() == subject.view()) return true;
    }
    return false;
  }
  const std::string* expressionText = APMNanoStringIn(filter, kExpression);
  ComparedText expression(expressionText ? std::string_view(*expressionText) : std::string_view(), caseSensitive);
  switch (type) {
    case static_cast<std::uint64_t>(APMMatchType::BeginsWith): return beginsWith(subject.view(), expression.view());
    case static_cast<std::uint64_t>(APMMatchType::EndsWith): return endsWith(subject.view(), expression.view());
    case static_cast<std::uint64_t>(APMMatchType::Contains): return contains(subject.view(), expression.view());
    case static_cast<std::uint64_t>(APMMatchType::Exact): return subject.view() == expression.view();
    default: return false;
  }
}

}  // namespace sdk::analytics
