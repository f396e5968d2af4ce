#pragma once

#include <span>

#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/Operand.h"

namespace sdk::analytics {

class ScriptScope;

class CallFrame;

// The entry points every evaluator uses for sub-statements.
struct ScriptEvaluator {
  static ErrorOr<ScriptValueRef> evaluateStatement(const ScriptValue& value, ScriptScope& scope);
  // In order; the first error ends the list, a control value ends it and is the result, otherwise
  // the last value (undefined for none).
  static ErrorOr<ScriptValueRef> executeStatements(ScriptArguments statements, ScriptScope& scope);

  // The same, for callers that take a number as it is (conditions, loop bodies, assignments): a
  // number result is not made into an object.
  static ErrorOr<sdk::analytics::Operand> evaluate(const ScriptValue& value, ScriptScope& scope);
  // evaluateStatement without making an object of a computed number: a literal is its own value,
  // as there.
  static ErrorOr<sdk::analytics::Operand> evaluateValue(const ScriptValue& value, ScriptScope& scope);
  static ErrorOr<sdk::analytics::Operand> execute(ScriptArguments statements, ScriptScope& scope);
  // Counts `count` evaluations of plain values (a callback's element, index and array), as evaluate
  // counts each.
  static ErrorOr<void> countValues(std::size_t count, ScriptHeap& heap);
  // The boolean form of a statement's value, as a loop or a condition tests it.
  static ErrorOr<bool> test(const ScriptValue& value, ScriptScope& scope);
  // A function's body in its call scope: a return ends it with its value, a break or continue that
  // escapes is the result as it stands, otherwise the last statement's value.
  static ErrorOr<sdk::analytics::Operand> runFunctionBody(ScriptArguments statements, ScriptScope& scope);
  // Whether a body can run with its parameters in a frame: every statement a literal, a simple
  // statement, or a return of one.
  static bool bindsNoName(ScriptArguments statements);
  // runFunctionBody for such a body, with the parameters in `frame`: its result, with `next` at the
  // end of the statements. When statement `next` must go step by step (a limit is near), `next` is
  // before the end and the result means nothing: the caller goes on from there in a scope made
  // from the frame.
  static ErrorOr<sdk::analytics::Operand> runFrameless(ScriptArguments statements, const sdk::analytics::CallFrame& frame,
                                                       std::size_t& next);
};

}  // namespace sdk::analytics

