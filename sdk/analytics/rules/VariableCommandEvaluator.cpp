#include "sdk/analytics/rules/VariableCommandEvaluator.h"

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptMapValue.h"
#include "sdk/analytics/rules/ScriptPropertyAccess.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
ScriptValueRef undefined() { return scriptUndefined(); }

// A name argument: it must be a string value (error 10).
ErrorOr<const std::u16string*> nameOf(const ScriptValueRef& value) {
  if (value->kind() != ScriptValueKind::String) return scriptError(kScriptErrorArgumentType);
  return &static_cast<const ScriptStringValue&>(*value).value();
}

ErrorOr<void> checkEven(ScriptArguments values) {
  if (values.size() % 2 == 0) return {};
  return scriptError(kScriptErrorArgumentCount);
}

ErrorOr<ScriptValueRef> assign(ScriptArguments values, ScriptScope& scope) {
  TRY(checkArgumentCount(values, 2));
  const auto* name = TRY(nameOf(values[0]));
  if (!scope.assign(values[1], *name)) return scriptError(kScriptErrorUnboundAssignment);
  return values[1];
}

ErrorOr<ScriptValueRef> declareConstants(ScriptArguments values, ScriptScope& scope) {
  TRY(checkEven(values));
  for (std::size_t i = 0; i < values.size(); i += 2) {
    TRY(nameOf(values[i]));
    scope.addImmutableValue(values[i + 1], ScriptScope::BindingName(static_cast<const ScriptStringValue&>(*values[i])));
  }
  return undefined();
}

ErrorOr<ScriptValueRef> declareVariables(ScriptArguments values, ScriptScope& scope) {
  for (const auto& value : values) {
    TRY(nameOf(value));
    scope.addValue(ScriptScope::Operand(), ScriptScope::BindingName(static_cast<const ScriptStringValue&>(*value)));
  }
  return undefined();
}

ErrorOr<ScriptValueRef> arrayLiteral(ScriptArguments values, ScriptScope& scope) {
  auto& heap = heapOfScope(scope);
  if (static_cast<std::int64_t>(values.size()) > heap.limits().arrayLength) return scriptError(kScriptErrorLimitReached);
  return ScriptValueRef(heap.make<ScriptArrayValue>(List(values.begin(), values.end())));
}

ErrorOr<ScriptValueRef> mapLiteral(ScriptArguments values, ScriptScope& scope) {
  TRY(checkEven(values));
  auto map = heapOfScope(scope).make<ScriptMapValue>();
  for (std::size_t i = 0; i < values.size(); i += 2) {
    const auto key = TRY(values[i]->stringValueOrError());
    map->setValueForProperty(values[i + 1], key);
  }
  return ScriptValueRef(map);
}

ErrorOr<ScriptValueRef> readVariable(ScriptArguments values, ScriptScope& scope) {
  TRY(checkArgumentCount(values, 1));
  const auto* name = TRY(nameOf(values[0]));
  return ScriptValueRef(scope.valueForName(*name));
}

ErrorOr<ScriptValueRef> readProperty(ScriptArguments values, ScriptScope& scope) {
  TRY(checkArgumentCount(values, 2));
  return readScriptProperty(values[0], *values[1], scope);
}

ErrorOr<ScriptValueRef> writeProperty(ScriptArguments values, ScriptScope&) {
  TRY(checkArgumentCount(values, 3));
  TRY(writeScriptProperty(values[0], *values[1], values[2]));
  return values[2];
}

ErrorOr<ScriptValueRef> typeName(ScriptArguments values, ScriptScope& scope) {
  TRY(checkArgumentCount(values, 1));
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

ErrorOr<ScriptValueRef> undefinedLiteral(ScriptArguments, ScriptScope&) { return undefined(); }
ErrorOr<ScriptValueRef> nullLiteral(ScriptArguments, ScriptScope&) { return ScriptValueRef(scriptNull()); }

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

