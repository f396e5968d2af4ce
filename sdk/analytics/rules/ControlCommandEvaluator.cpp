#include "sdk/analytics/rules/ControlCommandEvaluator.h"

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
ScriptValueRef undefined() { return scriptUndefined(); }
ErrorOr<ScriptValueRef> eval(const ScriptValueRef& statement, ScriptScope& scope) {
  return ScriptEvaluator::evaluateStatement(*statement, scope);
}
const ScriptArrayValue* asArray(const ScriptValueRef& value) {
  return value->kind() == ScriptValueKind::Array ? static_cast<const ScriptArrayValue*>(value.get()) : nullptr;
}
// A statement array run in `scope`: a snapshot of its elements, since the statements may change it.
ErrorOr<ScriptValueRef> runStatements(const ScriptArrayValue& list, ScriptScope& scope) {
  const auto statements = TRY(list.allElements());
  return ScriptEvaluator::executeStatements(statements, scope);
}
bool isControl(const ScriptValueRef& value, ScriptControlValue::Type type) {
  return value->kind() == ScriptValueKind::Control && static_cast<const ScriptControlValue&>(*value).type() == type;
}

ErrorOr<ScriptValueRef> methodCall(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 3));
  auto values = TRY(evaluateArguments(args, scope));
  const auto* list = asArray(values[2]);
  if (values[1]->kind() != ScriptValueKind::String || !list) {
    return scriptError(kScriptErrorArgumentType);
  }
  const auto name = static_cast<const ScriptStringValue&>(*values[1]).value();
  const auto arguments = TRY(list->allElements());
  ScriptValueRef target = values[0];
  return target->applyWithName(name, arguments, scope);
}

ErrorOr<ScriptValueRef> breakStatement(ScriptArguments args, ScriptScope&) {
  TRY(checkArgumentCount(args, 0));
  return ScriptValueRef(ScriptControlValue::breakValue());
}

ErrorOr<ScriptValueRef> continueStatement(ScriptArguments args, ScriptScope&) {
  TRY(checkArgumentCount(args, 0));
  return ScriptValueRef(ScriptControlValue::continueValue());
}

ErrorOr<ScriptValueRef> runStatementArray(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 1));
  auto value = TRY(eval(args[0], scope));
  const auto* list = asArray(value);
  if (!list) return scriptError(kScriptErrorArgumentType);
  return runStatements(*list, scope);
}

ErrorOr<ScriptValueRef> block(ScriptArguments args, ScriptScope& scope) {
  auto child = scope.createChildScope();
  return ScriptEvaluator::executeStatements(args, *child);
}

ErrorOr<ScriptValueRef> sequence(ScriptArguments args, ScriptScope& scope) {
  TRY(checkMinimumArgumentCount(args, 1));
  ScriptValueRef last = undefined();
  for (const auto& argument : args) {
    last = TRY(eval(argument, scope));
    if (last->kind() == ScriptValueKind::Control) return scriptError(kScriptErrorArgumentType);
  }
  return last;
}

ErrorOr<ScriptValueRef> ifStatement(ScriptArguments args, ScriptScope& scope) {
  if (args.empty() || args.size() > 3) return scriptError(kScriptErrorArgumentCount);
  const bool truth = TRY(ScriptEvaluator::test(*args[0], scope));
  const std::size_t branch = truth ? 1 : 2;
  if (branch >= args.size()) return undefined();
  auto value = TRY(eval(args[branch], scope));
  if (const auto* list = asArray(value)) return runStatements(*list, scope);
  return value;
}

ErrorOr<ScriptValueRef> conditional(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 3));
  const bool truth = TRY(ScriptEvaluator::test(*args[0], scope));
  return eval(args[truth ? 1 : 2], scope);
}

ErrorOr<ScriptValueRef> returnStatement(ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 1));
  ScriptValueRef data = undefined();
  if (!args.empty()) {
    data = TRY(eval(args[0], scope));
  }
  return ScriptControlValue::returnValueWithData(heapOfScope(scope), data);
}

// A body's outcome inside a switch: true when the switch ends with `result`.
bool switchBodyEnds(const ScriptValueRef& value, ScriptValueRef& result) {
  if (value->kind() != ScriptValueKind::Control) return false;
  result = isControl(value, ScriptControlValue::Type::Break) ? ScriptValueRef(scriptUndefined()) : value;
  return true;
}

ErrorOr<ScriptValueRef> switchStatement(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 3));
  auto values = TRY(evaluateArguments(args, scope));
  const auto* cases = asArray(values[1]);
  const auto* bodies = asArray(values[2]);
  // One body per case, and a body list shorter than the case list would be read out of range. What
  // lies past the cases is the default only when it is one body; more than one is never run.
  if (!cases || !bodies || bodies->count() < cases->count()) return scriptError(kScriptErrorArgumentCount);
  const auto caseList = TRY(cases->allElements());
  const auto bodyList = TRY(bodies->allElements());
  bool matched = false;
  ScriptValueRef result = undefined();
  for (std::size_t i = 0; i < caseList.size(); ++i) {
    if (!matched) {
      auto candidate = TRY(eval(caseList[i], scope));
      matched = TRY(strictEquals(*candidate, *values[0]));
      if (!matched) continue;
    }
    auto outcome = TRY(eval(bodyList[i], scope));
    if (switchBodyEnds(outcome, result)) return result;
  }
  if (bodyList.size() == caseList.size() + 1) {
    auto outcome = TRY(eval(bodyList.back(), scope));
    if (switchBodyEnds(outcome, result)) return result;
  }
  return undefined();
}

ErrorOr<ScriptValueRef> quote(ScriptArguments args, ScriptScope& scope) {
  return ScriptValueRef(heapOfScope(scope).make<ScriptArrayValue>(List(args.begin(), args.end())));
}

ErrorOr<ScriptValueRef> functionExpression(ScriptArguments args, ScriptScope& scope) {
  TRY(checkMinimumArgumentCount(args, 2));
  auto name = TRY(args[0]->stringValueOrError());
  // Whatever stopped the parameter list from being read, the function cannot be made of it.
  auto parameterList = eval(args[1], scope);
  const auto* list = parameterList.ok() ? asArray(*parameterList) : nullptr;
  if (!list) return scriptError(kScriptErrorArgumentType);
  auto& heap = heapOfScope(scope);
  auto parameters = TRY(nameValuesOf(*list, heap));
  TRY(heap.reserve(ScriptFunctionValue::chargedBytes(parameters.size())));
  return ScriptValueRef(heap.make<ScriptFunctionValue>(std::move(name), std::move(parameters),
                                                       List(args.begin() + 2, args.end()), ScriptRef<ScriptScope>(&scope)));
}

ErrorOr<ScriptValueRef> functionDeclaration(ScriptArguments args, ScriptScope& scope) {
  auto function = TRY(functionExpression(args, scope));
  scope.setValue(function, static_cast<const ScriptFunctionValue&>(*function).functionName());
  return function;
}

}  // namespace

ControlCommandEvaluator::ControlCommandEvaluator() : CommandEvaluator(Convention::Raw) {
  add("2", methodCall);
  add("53", block);
  add("4", breakStatement);
  add("5", runStatementArray);
  add("9", runStatementArray);
  add("6", continueStatement);
  add("50", functionDeclaration);
  add("13", sequence);
  add("51", functionExpression);
  add("22", ifStatement);
  add("46", quote);
  add("36", returnStatement);
  add("38", switchStatement);
  add("39", conditional);
}

}  // namespace sdk::analytics

