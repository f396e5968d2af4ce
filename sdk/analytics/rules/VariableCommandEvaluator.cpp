#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptMapValue.h"
#include "sdk/analytics/rules/ScriptPropertyAccess.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
ScriptValueRef undefined() { return scriptUndefined(); }

// A name argument: it must be a string value (error 10).
const std::u16string* nameOf(const ScriptValueRef& value, ScriptRuntimeError& error) {
  if (value->kind() != ScriptValueKind::String) {
    setScriptError(error, kScriptErrorArgumentType);
    return nullptr;
  }
  return &static_cast<const ScriptStringValue&>(*value).value();
}

bool checkEven(ScriptArguments values, ScriptRuntimeError& error) {
  if (values.size() % 2 == 0) return true;
  setScriptError(error, kScriptErrorArgumentCount);
  return false;
}

ScriptValueRef assign(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 2, error)) return undefined();
  const auto* name = nameOf(values[0], error);
  if (!name) return undefined();
  if (!scope.assign(values[1], *name)) {
    setScriptError(error, kScriptErrorUnboundAssignment);
    return undefined();
  }
  return values[1];
}

ScriptValueRef declareConstants(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkEven(values, error)) return undefined();
  for (std::size_t i = 0; i < values.size(); i += 2) {
    const auto* name = nameOf(values[i], error);
    if (!name) return undefined();
    scope.addImmutableValue(values[i + 1], ScriptScope::BindingName(static_cast<const ScriptStringValue&>(*values[i])));
  }
  return undefined();
}

ScriptValueRef declareVariables(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  for (const auto& value : values) {
    const auto* name = nameOf(value, error);
    if (!name) return undefined();
    scope.addValue(ScriptScope::Operand(), ScriptScope::BindingName(static_cast<const ScriptStringValue&>(*value)));
  }
  return undefined();
}

ScriptValueRef arrayLiteral(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  auto& heap = heapOfScope(scope);
  if (static_cast<std::int64_t>(values.size()) > heap.limits().arrayLength) {
    setScriptError(error, kScriptErrorLimitReached);
    return undefined();
  }
  return heap.make<ScriptArrayValue>(List(values.begin(), values.end()));
}

ScriptValueRef mapLiteral(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkEven(values, error)) return undefined();
  auto map = heapOfScope(scope).make<ScriptMapValue>();
  for (std::size_t i = 0; i < values.size(); i += 2) {
    const auto key = values[i]->stringValueOrError(error);
    if (hasScriptError(error)) return undefined();
    map->setValueForProperty(values[i + 1], key);
  }
  return map;
}

ScriptValueRef readVariable(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 1, error)) return undefined();
  const auto* name = nameOf(values[0], error);
  if (!name) return undefined();
  return ScriptValueRef(scope.valueForName(*name));
}

ScriptValueRef readProperty(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 2, error)) return undefined();
  return readScriptProperty(values[0], *values[1], scope, error);
}

ScriptValueRef writeProperty(ScriptArguments values, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 3, error)) return undefined();
  writeScriptProperty(values[0], *values[1], values[2], error);
  if (hasScriptError(error)) return undefined();
  return values[2];
}

ScriptValueRef typeName(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 1, error)) return undefined();
  const char16_t* name = u"object";
  switch (values[0]->kind()) {
    case ScriptValueKind::Boolean: name = u"boolean"; break;
    case ScriptValueKind::Function: name = u"function"; break;
    case ScriptValueKind::Number: name = u"number"; break;
    case ScriptValueKind::String: name = u"string"; break;
    case ScriptValueKind::Undefined: name = u"undefined"; break;
    default: break;
  }
  return shortScriptString(heapOfScope(scope), name);
}

ScriptValueRef undefinedLiteral(ScriptArguments, ScriptScope&, ScriptRuntimeError&) { return scriptUndefined(); }
ScriptValueRef nullLiteral(ScriptArguments, ScriptScope&, ScriptRuntimeError&) { return scriptNull(); }

}  // namespace

VariableCommandEvaluator::VariableCommandEvaluator() : CommandEvaluator(Convention::EvaluatesArguments) {
  add("3", assign);
  add("52", declareConstants);
  add("7", arrayLiteral);
  add("8", mapLiteral);
  add("15", readVariable);
  add("16", readProperty);
  add("17", readProperty);
  add("45", nullLiteral);
  add("43", writeProperty);
  add("40", typeName);
  add("44", undefinedLiteral);
  add("41", declareVariables);
}

}  // namespace sdk::analytics

