#pragma once

#include <string>
#include <unordered_map>

#include "sdk/analytics/rules/ScriptStatementValue.h"

namespace sdk::analytics {

// The methods of strings, reached through the method-call opcode.
class StringCommandEvaluator {
 public:
  using Handler = StringMethod;
  static const StringCommandEvaluator& sharedInstance();
  // The arguments are unevaluated statements of `scope`.
  ErrorOr<ScriptValueRef> evaluateCommand(const std::u16string& name, const std::u16string& receiver,
                               const ScriptValueList& arguments, ScriptScope& scope) const;
  // The handler of a method name, or null; a program resolves the names it writes once.
  Handler handlerNamed(const std::u16string& name) const;
  // Evaluates the arguments and runs `handler`.
  ErrorOr<ScriptValueRef> run(Handler handler, const std::u16string& receiver, const ScriptValueList& arguments, ScriptScope& scope) const;

 private:
  StringCommandEvaluator();
  std::unordered_map<std::u16string, Handler> handlers_;
};

// Regular expressions run with a bound on their time and backtracking stack; their failures are
// ICU's own errors.
inline constexpr const char* kScriptRegexErrorDomain = "com.vadeze.vmp.measurement.pixie.RegexErrorDomain";
// The position of the first match of `pattern` in `text` and its length; -1 when none.
// Matching is charged to `heap` as native work: the subject's length up front, then the matcher's
// steps as it goes, so many cheap calls add up as one long one would.
ErrorOr<std::int64_t> regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                 ScriptHeap& heap);

}  // namespace sdk::analytics

