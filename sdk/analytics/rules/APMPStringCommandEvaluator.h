#pragma once

#include <string>
#include <unordered_map>

#include "sdk/analytics/rules/APMPStatementValue.h"

// The methods of strings, reached through the method-call opcode.
class APMPStringCommandEvaluator {
 public:
  using Handler = APMPStringMethod;
  static const APMPStringCommandEvaluator& sharedInstance();
  // The arguments are unevaluated statements of `scope`.
  APMPValueRef evaluateCommand(const std::u16string& name, const std::u16string& receiver,
                               const APMPValueList& arguments, APMPScope& scope, APMPError& error) const;
  // The handler of a method name, or null; a program resolves the names it writes once.
  Handler handlerNamed(const std::u16string& name) const;
  // Evaluates the arguments and runs `handler`.
  APMPValueRef run(Handler handler, const std::u16string& receiver, const APMPValueList& arguments, APMPScope& scope,
                   APMPError& error) const;

 private:
  APMPStringCommandEvaluator();
  std::unordered_map<std::u16string, Handler> handlers_;
};

// Regular expressions run with a bound on their time and backtracking stack; their failures are
// ICU's own errors.
inline constexpr const char* kAPMPRegexErrorDomain = "com.vadeze.vmp.measurement.pixie.RegexErrorDomain";
// The position of the first match of `pattern` in `text` and its length; -1 when none.
// Matching is charged to `heap` as native work: the subject's length up front, then the matcher's
// steps as it goes, so many cheap calls add up as one long one would.
std::int64_t APMPRegexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                 APMPHeap& heap, APMPError& error);
