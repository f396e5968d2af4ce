#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
ScriptValueRef undefined() { return scriptUndefined(); }
ScriptValueRef eval(const ScriptValueRef& statement, ScriptScope& scope, ScriptRuntimeError& error) {
  return ScriptEvaluator::evaluateStatement(*statement, scope, error);
}
const ScriptArrayValue* asArray(const ScriptValueRef& value) {
  return value->kind() == ScriptValueKind::Array ? static_cast<const ScriptArrayValue*>(value.get()) : nullptr;
}
// A statement array run in `scope`: a snapshot of its elements, since the statements may change it.
ScriptValueRef runStatements(const ScriptArrayValue& list, ScriptScope& scope, ScriptRuntimeError& error) {
  const auto statements = list.allElements(error);
  if (hasScriptError(error)) return undefined();
  return ScriptEvaluator::executeStatements(statements, scope, error);
}
bool isControl(const ScriptValueRef& value, ScriptControlValue::Type type) {
  return value->kind() == ScriptValueKind::Control && static_cast<const ScriptControlValue&>(*value).type() == type;
}

ScriptValueRef methodCall(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 3, error)) return undefined();
  auto values = evaluateArguments(args, scope, error);
  if (hasScriptError(error)) return undefined();
  const auto* list = asArray(values[2]);
  if (values[1]->kind() != ScriptValueKind::String || !list) {
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
  }
  const auto name = static_cast<const ScriptStringValue&>(*values[1]).value();
  const auto arguments = list->allElements(error);
  if (hasScriptError(error)) return undefined();
  ScriptValueRef target = values[0];
  return target->applyWithName(name, arguments, scope, error);
}

ScriptValueRef breakStatement(ScriptArguments args, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  return ScriptControlValue::breakValue();
}

ScriptValueRef continueStatement(ScriptArguments args, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  return ScriptControlValue::continueValue();
}

ScriptValueRef runStatementArray(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 1, error)) return undefined();
  auto value = eval(args[0], scope, error);
  if (hasScriptError(error)) return undefined();
  const auto* list = asArray(value);
  if (!list) {
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
  }
  return runStatements(*list, scope, error);
}

ScriptValueRef block(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto child = scope.createChildScope();
  return ScriptEvaluator::executeStatements(args, *child, error);
}

ScriptValueRef sequence(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMinimumArgumentCount(args, 1, error)) return undefined();
  ScriptValueRef last = undefined();
  for (const auto& argument : args) {
    last = eval(argument, scope, error);
    if (hasScriptError(error)) return undefined();
    if (last->kind() == ScriptValueKind::Control) {
      setScriptError(error, kScriptErrorArgumentType);
      return undefined();
    }
  }
  return last;
}

ScriptValueRef ifStatement(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (args.empty() || args.size() > 3) {
    setScriptError(error, kScriptErrorArgumentCount);
    return undefined();
  }
  const bool truth = ScriptEvaluator::test(*args[0], scope, error);
  if (hasScriptError(error)) return undefined();
  const std::size_t branch = truth ? 1 : 2;
  if (branch >= args.size()) return undefined();
  auto value = eval(args[branch], scope, error);
  if (hasScriptError(error)) return undefined();
  if (const auto* list = asArray(value)) return runStatements(*list, scope, error);
  return value;
}

ScriptValueRef conditional(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 3, error)) return undefined();
  const bool truth = ScriptEvaluator::test(*args[0], scope, error);
  if (hasScriptError(error)) return undefined();
  return eval(args[truth ? 1 : 2], scope, error);
}

ScriptValueRef returnStatement(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 1, error)) return undefined();
  ScriptValueRef data = undefined();
  if (!args.empty()) {
    data = eval(args[0], scope, error);
    if (hasScriptError(error)) return undefined();
  }
  return ScriptControlValue::returnValueWithData(heapOfScope(scope), data);
}

// A body's outcome inside a switch: true when the switch ends with `result`.
bool switchBodyEnds(const ScriptValueRef& value, ScriptValueRef& result) {
  if (value->kind() != ScriptValueKind::Control) return false;
  result = isControl(value, ScriptControlValue::Type::Break) ? ScriptValueRef(scriptUndefined()) : value;
  return true;
}

ScriptValueRef switchStatement(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 3, error)) return undefined();
  auto values = evaluateArguments(args, scope, error);
  if (hasScriptError(error)) return undefined();
  const auto* cases = asArray(values[1]);
  const auto* bodies = asArray(values[2]);
  // One body per case plus an optional default: a shorter body list would be read out of range.
  if (!cases || !bodies || bodies->count() < cases->count() || bodies->count() > cases->count() + 1) {
    setScriptError(error, kScriptErrorArgumentCount);
    return undefined();
  }
  const auto caseList = cases->allElements(error);
  const auto bodyList = bodies->allElements(error);
  if (hasScriptError(error)) return undefined();
  bool matched = false;
  ScriptValueRef result = undefined();
  for (std::size_t i = 0; i < caseList.size(); ++i) {
    if (!matched) {
      auto candidate = eval(caseList[i], scope, error);
      if (hasScriptError(error)) return undefined();
      matched = strictEquals(*candidate, *values[0], error);
      if (hasScriptError(error)) return undefined();
      if (!matched) continue;
    }
    auto outcome = eval(bodyList[i], scope, error);
    if (hasScriptError(error)) return undefined();
    if (switchBodyEnds(outcome, result)) return result;
  }
  if (bodyList.size() == caseList.size() + 1) {
    auto outcome = eval(bodyList.back(), scope, error);
    if (hasScriptError(error)) return undefined();
    if (switchBodyEnds(outcome, result)) return result;
  }
  return undefined();
}

ScriptValueRef quote(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError&) {
  return heapOfScope(scope).make<ScriptArrayValue>(List(args.begin(), args.end()));
}

ScriptValueRef functionExpression(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMinimumArgumentCount(args, 2, error)) return undefined();
  auto name = args[0]->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  auto parameterList = eval(args[1], scope, error);
  const auto* list = hasScriptError(error) ? nullptr : asArray(parameterList);
  if (!list) {
    error = {};
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
  }
  std::vector<std::u16string> parameters;
  const auto names = list->allElements(error);
  if (hasScriptError(error)) return undefined();
  for (const auto& element : names) {
    parameters.push_back(element->stringValueOrError(error));
    if (hasScriptError(error)) return undefined();
  }
  return heapOfScope(scope).make<ScriptFunctionValue>(std::move(name), std::move(parameters),
                                                       List(args.begin() + 2, args.end()), ScriptRef<ScriptScope>(&scope),
                                                       names);
}

ScriptValueRef functionDeclaration(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto function = functionExpression(args, scope, error);
  if (hasScriptError(error)) return undefined();
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

