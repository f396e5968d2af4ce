#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPEvaluator.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"

namespace {

using List = APMPValueList;
APMPValueRef undefined() { return APMPUndefined(); }
APMPValueRef eval(const APMPValueRef& statement, APMPScope& scope, APMPError& error) {
  return APMPEvaluator::evaluateStatement(*statement, scope, error);
}
const APMPArrayValue* asArray(const APMPValueRef& value) {
  return value->kind() == APMPKind::Array ? static_cast<const APMPArrayValue*>(value.get()) : nullptr;
}
// A statement array run in `scope`: a snapshot of its elements, since the statements may change it.
APMPValueRef runStatements(const APMPArrayValue& list, APMPScope& scope, APMPError& error) {
  const auto statements = list.allElements(error);
  if (APMPFailed(error)) return undefined();
  return APMPEvaluator::executeStatements(statements, scope, error);
}
bool isControl(const APMPValueRef& value, APMPControlValue::Type type) {
  return value->kind() == APMPKind::Control && static_cast<const APMPControlValue&>(*value).type() == type;
}

APMPValueRef methodCall(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 3, error)) return undefined();
  auto values = APMPEvaluateArguments(args, scope, error);
  if (APMPFailed(error)) return undefined();
  const auto* list = asArray(values[2]);
  if (values[1]->kind() != APMPKind::String || !list) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  const auto name = static_cast<const APMPStringValue&>(*values[1]).value();
  const auto arguments = list->allElements(error);
  if (APMPFailed(error)) return undefined();
  APMPValueRef target = values[0];
  return target->applyWithName(name, arguments, scope, error);
}

APMPValueRef breakStatement(APMPArguments args, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  return APMPControlValue::breakValue();
}

APMPValueRef continueStatement(APMPArguments args, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  return APMPControlValue::continueValue();
}

APMPValueRef runStatementArray(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 1, error)) return undefined();
  auto value = eval(args[0], scope, error);
  if (APMPFailed(error)) return undefined();
  const auto* list = asArray(value);
  if (!list) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  return runStatements(*list, scope, error);
}

APMPValueRef block(APMPArguments args, APMPScope& scope, APMPError& error) {
  auto child = scope.createChildScope();
  return APMPEvaluator::executeStatements(args, *child, error);
}

APMPValueRef sequence(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMinimumArgumentCount(args, 1, error)) return undefined();
  APMPValueRef last = undefined();
  for (const auto& argument : args) {
    last = eval(argument, scope, error);
    if (APMPFailed(error)) return undefined();
    if (last->kind() == APMPKind::Control) {
      APMPSetError(error, kAPMPErrorArgumentType);
      return undefined();
    }
  }
  return last;
}

APMPValueRef ifStatement(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (args.empty() || args.size() > 3) {
    APMPSetError(error, kAPMPErrorArgumentCount);
    return undefined();
  }
  const bool truth = APMPEvaluator::test(*args[0], scope, error);
  if (APMPFailed(error)) return undefined();
  const std::size_t branch = truth ? 1 : 2;
  if (branch >= args.size()) return undefined();
  auto value = eval(args[branch], scope, error);
  if (APMPFailed(error)) return undefined();
  if (const auto* list = asArray(value)) return runStatements(*list, scope, error);
  return value;
}

APMPValueRef conditional(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 3, error)) return undefined();
  const bool truth = APMPEvaluator::test(*args[0], scope, error);
  if (APMPFailed(error)) return undefined();
  return eval(args[truth ? 1 : 2], scope, error);
}

APMPValueRef returnStatement(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 1, error)) return undefined();
  APMPValueRef data = undefined();
  if (!args.empty()) {
    data = eval(args[0], scope, error);
    if (APMPFailed(error)) return undefined();
  }
  return APMPControlValue::returnValueWithData(APMPScopeHeap(scope), data);
}

// A body's outcome inside a switch: true when the switch ends with `result`.
bool switchBodyEnds(const APMPValueRef& value, APMPValueRef& result) {
  if (value->kind() != APMPKind::Control) return false;
  result = isControl(value, APMPControlValue::Type::Break) ? APMPValueRef(APMPUndefined()) : value;
  return true;
}

APMPValueRef switchStatement(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 3, error)) return undefined();
  auto values = APMPEvaluateArguments(args, scope, error);
  if (APMPFailed(error)) return undefined();
  const auto* cases = asArray(values[1]);
  const auto* bodies = asArray(values[2]);
  // One body per case plus an optional default: a shorter body list would be read out of range.
  if (!cases || !bodies || bodies->count() < cases->count() || bodies->count() > cases->count() + 1) {
    APMPSetError(error, kAPMPErrorArgumentCount);
    return undefined();
  }
  const auto caseList = cases->allElements(error);
  const auto bodyList = bodies->allElements(error);
  if (APMPFailed(error)) return undefined();
  bool matched = false;
  APMPValueRef result = undefined();
  for (std::size_t i = 0; i < caseList.size(); ++i) {
    if (!matched) {
      auto candidate = eval(caseList[i], scope, error);
      if (APMPFailed(error)) return undefined();
      matched = APMPStrictEquals(*candidate, *values[0], error);
      if (APMPFailed(error)) return undefined();
      if (!matched) continue;
    }
    auto outcome = eval(bodyList[i], scope, error);
    if (APMPFailed(error)) return undefined();
    if (switchBodyEnds(outcome, result)) return result;
  }
  if (bodyList.size() == caseList.size() + 1) {
    auto outcome = eval(bodyList.back(), scope, error);
    if (APMPFailed(error)) return undefined();
    if (switchBodyEnds(outcome, result)) return result;
  }
  return undefined();
}

APMPValueRef quote(APMPArguments args, APMPScope& scope, APMPError&) {
  return APMPScopeHeap(scope).make<APMPArrayValue>(List(args.begin(), args.end()));
}

APMPValueRef functionExpression(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMinimumArgumentCount(args, 2, error)) return undefined();
  auto name = args[0]->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  auto parameterList = eval(args[1], scope, error);
  const auto* list = APMPFailed(error) ? nullptr : asArray(parameterList);
  if (!list) {
    error = {};
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  std::vector<std::u16string> parameters;
  const auto names = list->allElements(error);
  if (APMPFailed(error)) return undefined();
  for (const auto& element : names) {
    parameters.push_back(element->stringValueOrError(error));
    if (APMPFailed(error)) return undefined();
  }
  return APMPScopeHeap(scope).make<APMPFunctionValue>(std::move(name), std::move(parameters),
                                                       List(args.begin() + 2, args.end()), APMPRef<APMPScope>(&scope),
                                                       names);
}

APMPValueRef functionDeclaration(APMPArguments args, APMPScope& scope, APMPError& error) {
  auto function = functionExpression(args, scope, error);
  if (APMPFailed(error)) return undefined();
  scope.setValue(function, static_cast<const APMPFunctionValue&>(*function).functionName());
  return function;
}

}  // namespace

APMPControlCommandEvaluator::APMPControlCommandEvaluator() : APMPCommandEvaluator(Convention::Raw) {
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
