#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPMapValue.h"
#include "sdk/analytics/rules/APMPPropertyAccess.h"

namespace {

using List = APMPValueList;
APMPValueRef undefined() { return APMPUndefined(); }

// A name argument: it must be a string value (error 10).
const std::u16string* nameOf(const APMPValueRef& value, APMPError& error) {
  if (value->kind() != APMPKind::String) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return nullptr;
  }
  return &static_cast<const APMPStringValue&>(*value).value();
}

bool checkEven(APMPArguments values, APMPError& error) {
  if (values.size() % 2 == 0) return true;
  APMPSetError(error, kAPMPErrorArgumentCount);
  return false;
}

APMPValueRef assign(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 2, error)) return undefined();
  const auto* name = nameOf(values[0], error);
  if (!name) return undefined();
  if (!scope.assign(values[1], *name)) {
    APMPSetError(error, kAPMPErrorUnboundAssignment);
    return undefined();
  }
  return values[1];
}

APMPValueRef declareConstants(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!checkEven(values, error)) return undefined();
  for (std::size_t i = 0; i < values.size(); i += 2) {
    const auto* name = nameOf(values[i], error);
    if (!name) return undefined();
    scope.addImmutableValue(values[i + 1], APMPScope::BindingName(static_cast<const APMPStringValue&>(*values[i])));
  }
  return undefined();
}

APMPValueRef declareVariables(APMPArguments values, APMPScope& scope, APMPError& error) {
  for (const auto& value : values) {
    const auto* name = nameOf(value, error);
    if (!name) return undefined();
    scope.addValue(APMPScope::Operand(), APMPScope::BindingName(static_cast<const APMPStringValue&>(*value)));
  }
  return undefined();
}

APMPValueRef arrayLiteral(APMPArguments values, APMPScope& scope, APMPError& error) {
  auto& heap = APMPScopeHeap(scope);
  if (static_cast<std::int64_t>(values.size()) > heap.limits().arrayLength) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return undefined();
  }
  return heap.make<APMPArrayValue>(List(values.begin(), values.end()));
}

APMPValueRef mapLiteral(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!checkEven(values, error)) return undefined();
  auto map = APMPScopeHeap(scope).make<APMPMapValue>();
  for (std::size_t i = 0; i < values.size(); i += 2) {
    const auto key = values[i]->stringValueOrError(error);
    if (APMPFailed(error)) return undefined();
    map->setValueForProperty(values[i + 1], key);
  }
  return map;
}

APMPValueRef readVariable(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 1, error)) return undefined();
  const auto* name = nameOf(values[0], error);
  if (!name) return undefined();
  return APMPValueRef(scope.valueForName(*name));
}

APMPValueRef readProperty(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 2, error)) return undefined();
  return APMPReadProperty(values[0], *values[1], scope, error);
}

APMPValueRef writeProperty(APMPArguments values, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 3, error)) return undefined();
  APMPWriteProperty(values[0], *values[1], values[2], error);
  if (APMPFailed(error)) return undefined();
  return values[2];
}

APMPValueRef typeName(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 1, error)) return undefined();
  const char16_t* name = u"object";
  switch (values[0]->kind()) {
    case APMPKind::Boolean: name = u"boolean"; break;
    case APMPKind::Function: name = u"function"; break;
    case APMPKind::Number: name = u"number"; break;
    case APMPKind::String: name = u"string"; break;
    case APMPKind::Undefined: name = u"undefined"; break;
    default: break;
  }
  return APMPShortString(APMPScopeHeap(scope), name);
}

APMPValueRef undefinedLiteral(APMPArguments, APMPScope&, APMPError&) { return APMPUndefined(); }
APMPValueRef nullLiteral(APMPArguments, APMPScope&, APMPError&) { return APMPNull(); }

}  // namespace

APMPVariableCommandEvaluator::APMPVariableCommandEvaluator() : APMPCommandEvaluator(Convention::EvaluatesArguments) {
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
