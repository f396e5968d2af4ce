#pragma once

#include <span>

#include "sdk/analytics/rules/APMPRuntimeValue.h"
#include "sdk/analytics/rules/Operand.h"

class APMPScope;
namespace sdk::analytics {
class CallFrame;
}

// The entry points every evaluator uses for sub-statements.
struct APMPEvaluator {
  static APMPValueRef evaluateStatement(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error);
  // In order; the first error gives undefined, a control value ends the list and is the result,
  // otherwise the last value (undefined for none).
  static APMPValueRef executeStatements(APMPArguments statements, APMPScope& scope, APMPError& error);

  // The same, for callers that take a number as it is (conditions, loop bodies, assignments): a
  // number result is not made into an object.
  static sdk::analytics::Operand evaluate(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error);
  // evaluateStatement without making an object of a computed number: a literal is its own value,
  // as there.
  static sdk::analytics::Operand evaluateValue(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error);
  static sdk::analytics::Operand execute(APMPArguments statements, APMPScope& scope, APMPError& error);
  // The boolean form of a statement's value (false on error), as a loop or a condition tests it.
  static bool test(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error);
  // A function's body in its call scope: a return ends it with its value, a break or continue that
  // escapes is the result as it stands, otherwise the last statement's value.
  static sdk::analytics::Operand runFunctionBody(APMPArguments statements, APMPScope& scope, APMPError& error);
  // Whether a body can run with its parameters in a frame: every statement a literal, a simple
  // statement, or a return of one.
  static bool bindsNoName(APMPArguments statements);
  // runFunctionBody for such a body, with the parameters in `frame`. False when statement `next`
  // must go step by step (a limit is near): the caller goes on from there in a scope made from the
  // frame. Otherwise `result` is the body's result.
  static bool runFrameless(APMPArguments statements, const sdk::analytics::CallFrame& frame,
                           sdk::analytics::Operand& result, std::size_t& next, APMPError& error);
};
