#pragma once

#include <string>
#include <unordered_map>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/ScriptStatementValue.h"

namespace sdk::analytics {

// The methods of arrays, reached through the method-call opcode.
class ArrayCommandEvaluator {
 public:
  using Handler = ArrayMethod;
  static const ArrayCommandEvaluator& sharedInstance();
  // The arguments are unevaluated statements of `scope`.
  ErrorOr<ScriptValueRef> evaluateCommand(const std::u16string& name, const ScriptRef<ScriptArrayValue>& array,
                               const ScriptValueList& arguments, ScriptScope& scope) const;
  // The handler of a method name, or null; a program resolves the names it writes once.
  Handler handlerNamed(const std::u16string& name) const;
  // Evaluates the arguments and runs `handler`.
  ErrorOr<ScriptValueRef> run(Handler handler, const ScriptRef<ScriptArrayValue>& array, const ScriptValueList& arguments, ScriptScope& scope) const;
  // Whether `handler` is "push", which the evaluator runs itself so that a computed number it
  // pushes needs no object (ScriptArrayValue::appendOperands).
  static bool isPush(Handler handler);

 private:
  ArrayCommandEvaluator();
  std::unordered_map<std::u16string, Handler> handlers_;
};

}  // namespace sdk::analytics

