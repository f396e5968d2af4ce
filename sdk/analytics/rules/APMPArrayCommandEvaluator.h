#pragma once

#include <string>
#include <unordered_map>

#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPStatementValue.h"

// The methods of arrays, reached through the method-call opcode.
class APMPArrayCommandEvaluator {
 public:
  using Handler = APMPArrayMethod;
  static const APMPArrayCommandEvaluator& sharedInstance();
  // The arguments are unevaluated statements of `scope`.
  APMPValueRef evaluateCommand(const std::u16string& name, const APMPRef<APMPArrayValue>& array,
                               const APMPValueList& arguments, APMPScope& scope, APMPError& error) const;
  // The handler of a method name, or null; a program resolves the names it writes once.
  Handler handlerNamed(const std::u16string& name) const;
  // Evaluates the arguments and runs `handler`.
  APMPValueRef run(Handler handler, const APMPRef<APMPArrayValue>& array, const APMPValueList& arguments, APMPScope& scope,
                   APMPError& error) const;
  // Whether `handler` is "push", which pushWithArguments runs without making objects of numbers.
  static bool isPush(Handler handler);
  // "push" with its arguments evaluated as the evaluator holds them: a computed number goes into
  // its slot as a number, and the new count comes back as a number. Counted, charged and checked
  // as run() with the push handler is.
  sdk::analytics::Operand pushWithArguments(const APMPRef<APMPArrayValue>& array, APMPArguments arguments, APMPScope& scope,
                                 APMPError& error) const;

 private:
  APMPArrayCommandEvaluator();
  std::unordered_map<std::u16string, Handler> handlers_;
};
