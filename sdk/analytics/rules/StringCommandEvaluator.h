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

}  // namespace sdk::analytics

