#pragma once

#include "sdk/analytics/rules/APMPRuntimeValue.h"

class APMPScope;

// The entry points every evaluator uses for sub-statements.
struct APMPEvaluator {
  static APMPValueRef evaluateStatement(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error);
  // In order; the first error gives undefined, a control value ends the list and is the result,
  // otherwise the last value (undefined for none).
  static APMPValueRef executeStatements(APMPArguments statements, APMPScope& scope, APMPError& error);
};
