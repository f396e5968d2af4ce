#pragma once

#include <string>
#include <unordered_map>

#include "sdk/analytics/rules/APMPArrayValue.h"

// The methods of arrays, reached through the method-call opcode.
class APMPArrayCommandEvaluator {
 public:
  using Handler = APMPValueRef (*)(const APMPRef<APMPArrayValue>& array, const APMPValueList& arguments,
                                   APMPScope& scope, APMPError& error);
  static const APMPArrayCommandEvaluator& sharedInstance();
  // The arguments are unevaluated statements of `scope`.
  APMPValueRef evaluateCommand(const std::u16string& name, const APMPRef<APMPArrayValue>& array,
                               const APMPValueList& arguments, APMPScope& scope, APMPError& error) const;

 private:
  APMPArrayCommandEvaluator();
  std::unordered_map<std::u16string, Handler> handlers_;
};
