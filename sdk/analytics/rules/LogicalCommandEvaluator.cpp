#include "sdk/analytics/rules/LogicalCommandEvaluator.h"

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"

namespace sdk::analytics {

namespace {

ErrorOr<ScriptValueRef> andOperator(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 2));
  auto a = TRY(ScriptEvaluator::evaluateStatement(*args[0], scope));
  if (!TRY(a->booleanValueOrError())) return a;
  return ScriptEvaluator::evaluateStatement(*args[1], scope);
}

ErrorOr<ScriptValueRef> orOperator(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 2));
  auto a = TRY(ScriptEvaluator::evaluateStatement(*args[0], scope));
  if (TRY(a->booleanValueOrError())) return a;
  return ScriptEvaluator::evaluateStatement(*args[1], scope);
}

ErrorOr<ScriptValueRef> notOperator(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 1));
  auto a = TRY(ScriptEvaluator::evaluateStatement(*args[0], scope));
  return ScriptValueRef(scriptBoolean(!TRY(a->booleanValueOrError())));
}

}  // namespace

LogicalCommandEvaluator::LogicalCommandEvaluator() : CommandEvaluator(Convention::Raw) {
  add("1", andOperator);
  add("28", notOperator);
  add("30", orOperator);
}

}  // namespace sdk::analytics
