#include "sdk/analytics/rules/ComparisonCommandEvaluator.h"

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptOperators.h"

namespace sdk::analytics {

namespace {

ScriptValueRef booleanResult(bool value) { return scriptBoolean(value); }
ErrorOr<ScriptValueRef> looseEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(looseEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> looseNotEqual(ScriptArguments v, ScriptScope&) { return booleanResult(!TRY(looseEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> strictEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(strictEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> strictNotEqual(ScriptArguments v, ScriptScope&) { return booleanResult(!TRY(strictEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> less(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[0], *v[1])) == -1); }
ErrorOr<ScriptValueRef> lessOrEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[0], *v[1])) <= 0); }
ErrorOr<ScriptValueRef> greater(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[1], *v[0])) == -1); }
ErrorOr<ScriptValueRef> greaterOrEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[1], *v[0])) <= 0); }

}  // namespace

ComparisonCommandEvaluator::ComparisonCommandEvaluator()
    : CommandEvaluator(Convention::ExactlyTwoEvaluated) {
  add("12", looseEqual);
  add("18", greater);
  add("19", greaterOrEqual);
  add("20", strictEqual);
  add("21", strictNotEqual);
  add("23", less);
  add("24", lessOrEqual);
  add("29", looseNotEqual);
}

}  // namespace sdk::analytics
