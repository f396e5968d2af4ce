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
  // Whether `handler` is "push", which the evaluator runs itself so that a computed number it
  // pushes needs no object (APMPArrayValue::appendOperands).
  static bool isPush(Handler handler);

 private:
  APMPArrayCommandEvaluator();
  std::unordered_map<std::u16string, Handler> handlers_;
};
