#pragma once

#include <span>

#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/Operand.h"

namespace sdk::analytics {

class ScriptScope;

class CallFrame;

// The entry points every evaluator uses for sub-statements.
struct ScriptEvaluator {
  static ScriptValueRef evaluateStatement(const ScriptValue& value, ScriptScope& scope, ScriptRuntimeError& error);
  // In order; the first error gives undefined, a control value ends the list and is the result,
  // otherwise the last value (undefined for none).
  static ScriptValueRef executeStatements(ScriptArguments statements, ScriptScope& scope, ScriptRuntimeError& error);

  // The same, for callers that take a number as it is (conditions, loop bodies, assignments): a
  // number result is not made into an object.
  static sdk::analytics::Operand evaluate(const ScriptValue& value, ScriptScope& scope, ScriptRuntimeError& error);
  // evaluateStatement without making an object of a computed number: a literal is its own value,
  // as there.
  static sdk::analytics::Operand evaluateValue(const ScriptValue& value, ScriptScope& scope, ScriptRuntimeError& error);
  static sdk::analytics::Operand execute(ScriptArguments statements, ScriptScope& scope, ScriptRuntimeError& error);
  // The boolean form of a statement's value (false on error), as a loop or a condition tests it.
  static bool test(const ScriptValue& value, ScriptScope& scope, ScriptRuntimeError& error);
  // A function's body in its call scope: a return ends it with its value, a break or continue that
  // escapes is the result as it stands, otherwise the last statement's value.
  static sdk::analytics::Operand runFunctionBody(ScriptArguments statements, ScriptScope& scope, ScriptRuntimeError& error);
  // Whether a body can run with its parameters in a frame: every statement a literal, a simple
  // statement, or a return of one.
  static bool bindsNoName(ScriptArguments statements);
  // runFunctionBody for such a body, with the parameters in `frame`. False when statement `next`
  // must go step by step (a limit is near): the caller goes on from there in a scope made from the
  // frame. Otherwise `result` is the body's result.
  static bool runFrameless(ScriptArguments statements, const sdk::analytics::CallFrame& frame,
                           sdk::analytics::Operand& result, std::size_t& next, ScriptRuntimeError& error);
};

}  // namespace sdk::analytics

