#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPEvaluator.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPMapValue.h"
#include "sdk/analytics/rules/APMPText.h"

namespace {

using List = APMPValueList;
APMPValueRef undefined() { return APMPUndefined(); }

enum class Binder { Assign, Constant, Variable };

// Runs a body once: true to go on with the next iteration, false when the loop ends with `result`.
bool runBody(const List& body, APMPScope& scope, APMPValueRef& result, APMPError& error) {
  auto outcome = APMPEvaluator::executeStatements(body, scope, error);
  if (APMPFailed(error)) {
    result = undefined();
    return false;
  }
  if (outcome->kind() != APMPKind::Control) return true;
  switch (static_cast<const APMPControlValue&>(*outcome).type()) {
    case APMPControlValue::Type::Break:
      result = undefined();
      return false;
    case APMPControlValue::Type::Return:
      result = outcome;
      return false;
    case APMPControlValue::Type::Continue:
      return true;
  }
  return true;
}

const APMPArrayValue* asArray(const APMPValueRef& value) {
  return value->kind() == APMPKind::Array ? static_cast<const APMPArrayValue*>(value.get()) : nullptr;
}

List stringUnits(APMPHeap& heap, const std::u16string& text, bool indices) {
  List items;
  items.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    items.push_back(indices ? APMPShortString(heap, APMPLiteral(std::to_string(i)))
                            : APMPShortString(heap, std::u16string(1, text[i])));
  }
  return items;
}

List wrapNames(APMPHeap& heap, const std::vector<std::u16string>& names) {
  List items;
  for (const auto& name : names) items.push_back(APMPShortString(heap, name));
  return items;
}

// Items, body and name of a for-in or for-of; false when the loop fails before its first item.
template <bool ForOf>
APMPValueRef iterate(const List& args, APMPScope& scope, APMPError& error, Binder binder) {
  if (!APMPCheckArgumentCount(args, 3, error)) return undefined();
  auto values = APMPEvaluateArguments(args, scope, error);
  if (APMPFailed(error)) return undefined();
  const auto name = values[0]->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  auto& heap = APMPScopeHeap(scope);
  const auto& object = values[1];
  List items;
  if (object->kind() == APMPKind::String) {
    const auto& text = static_cast<const APMPStringValue&>(*object).value();
    if (!heap.chargeWork(static_cast<std::int64_t>(text.size()), error)) return undefined();
    items = stringUnits(heap, text, !ForOf);
  } else if (const auto* array = asArray(object)) {
    if (!heap.chargeWork(static_cast<std::int64_t>(array->count()), error)) return undefined();
    items = ForOf ? array->allElements() : array->allPropertyNames();
  } else if (!ForOf && object->kind() == APMPKind::Map) {
    items = wrapNames(heap, static_cast<const APMPMapValue&>(*object).allPropertyNames());
  } else if (!ForOf && object->kind() == APMPKind::Function) {
    items = wrapNames(heap, static_cast<const APMPFunctionValue&>(*object).allPropertyNames());
  } else if (ForOf) {
    APMPSetError(error, kAPMPErrorNotIterable);
    return undefined();
  }
  const auto* bodyArray = asArray(values[2]);
  if (!bodyArray) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  const auto body = bodyArray->allElements();
  APMPValueRef result = undefined();
  for (const auto& item : items) {
    APMPRef<APMPScope> bodyScope(&scope);
    switch (binder) {
      case Binder::Assign:
        scope.setValue(item, name);
        break;
      case Binder::Constant:
        bodyScope = scope.createChildScope();
        bodyScope->addImmutableValue(item, name);
        break;
      case Binder::Variable:
        bodyScope = scope.createChildScope();
        bodyScope->addValue(item, name);
        break;
    }
    if (!runBody(body, *bodyScope, result, error)) return result;
  }
  return undefined();
}

APMPValueRef forInAssign(const List& a, APMPScope& s, APMPError& e) { return iterate<false>(a, s, e, Binder::Assign); }
APMPValueRef forInConstant(const List& a, APMPScope& s, APMPError& e) { return iterate<false>(a, s, e, Binder::Constant); }
APMPValueRef forInVariable(const List& a, APMPScope& s, APMPError& e) { return iterate<false>(a, s, e, Binder::Variable); }
APMPValueRef forOfAssign(const List& a, APMPScope& s, APMPError& e) { return iterate<true>(a, s, e, Binder::Assign); }
APMPValueRef forOfConstant(const List& a, APMPScope& s, APMPError& e) { return iterate<true>(a, s, e, Binder::Constant); }
APMPValueRef forOfVariable(const List& a, APMPScope& s, APMPError& e) { return iterate<true>(a, s, e, Binder::Variable); }

bool condition(const APMPValueRef& statement, APMPScope& scope, APMPError& error) {
  auto value = APMPEvaluator::evaluateStatement(*statement, scope, error);
  if (APMPFailed(error)) return false;
  const bool truth = value->booleanValueOrError(error);
  return !APMPFailed(error) && truth;
}

// A fresh iteration scope under `scope` holding copies of the named variables of `source`.
APMPRef<APMPScope> copyVariables(const std::vector<std::u16string>& names, APMPScope& scope, APMPScope& source) {
  auto target = scope.createChildScope();
  for (const auto& name : names) target->addValue(APMPValueRef(source.valueForName(name)), name);
  return target;
}

APMPValueRef forWithCopies(const List& args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 4, error)) return undefined();
  auto nameList = APMPEvaluator::evaluateStatement(*args[0], scope, error);
  if (APMPFailed(error)) return undefined();
  const auto* namesArray = asArray(nameList);
  if (!namesArray) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  auto bodyValue = APMPEvaluator::evaluateStatement(*args[3], scope, error);
  if (APMPFailed(error)) return undefined();
  const auto* bodyArray = asArray(bodyValue);
  if (!bodyArray) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  std::vector<std::u16string> names;
  for (const auto& element : namesArray->allElements()) {
    names.push_back(element->stringValueOrError(error));
    if (APMPFailed(error)) return undefined();
  }
  const auto body = bodyArray->allElements();
  auto iteration = copyVariables(names, scope, scope);
  if (!condition(args[1], *iteration, error)) return undefined();
  APMPValueRef result = undefined();
  while (true) {
    if (!runBody(body, *iteration, result, error)) return result;
    auto next = copyVariables(names, scope, *iteration);
    iteration = next;
    APMPEvaluator::evaluateStatement(*args[2], *iteration, error);
    if (APMPFailed(error)) return undefined();
    if (!condition(args[1], *iteration, error)) return undefined();
  }
}

APMPValueRef generalLoop(const List& args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 4, error)) return undefined();
  auto flag = APMPEvaluator::evaluateStatement(*args[2], scope, error);
  if (APMPFailed(error)) return undefined();
  const bool bodyFirst = flag->booleanValueOrError(error);
  if (APMPFailed(error)) return undefined();
  auto bodyValue = APMPEvaluator::evaluateStatement(*args[3], scope, error);
  if (APMPFailed(error)) return undefined();
  const auto* bodyArray = asArray(bodyValue);
  if (!bodyArray) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  const auto body = bodyArray->allElements();
  APMPValueRef result = undefined();
  if (bodyFirst && !runBody(body, scope, result, error)) return result;
  if (!condition(args[0], scope, error)) return undefined();
  while (true) {
    if (!runBody(body, scope, result, error)) return result;
    APMPEvaluator::evaluateStatement(*args[1], scope, error);
    if (APMPFailed(error)) return undefined();
    if (!condition(args[0], scope, error)) return undefined();
  }
}

}  // namespace

APMPLoopCommandEvaluator::APMPLoopCommandEvaluator() : APMPCommandEvaluator(Convention::Raw) {
  add("47", forInAssign);
  add("54", forInConstant);
  add("55", forInVariable);
  add("63", forWithCopies);
  add("64", forOfAssign);
  add("65", forOfConstant);
  add("66", forOfVariable);
  add("42", generalLoop);
}
