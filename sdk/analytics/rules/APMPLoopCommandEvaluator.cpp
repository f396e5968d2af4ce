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
constexpr std::int64_t kStepsPerItem = 4;

// Runs a body once: true to go on with the next iteration, false when the loop ends with `result`.
bool runBody(APMPArguments body, APMPScope& scope, APMPValueRef& result, APMPError& error) {
  auto outcome = APMPEvaluator::execute(body, scope, error);
  if (APMPFailed(error)) {
    result = undefined();
    return false;
  }
  if (outcome.kind() != APMPKind::Control) return true;
  switch (static_cast<const APMPControlValue&>(*outcome.object()).type()) {
    case APMPControlValue::Type::Break:
      result = undefined();
      return false;
    case APMPControlValue::Type::Return:
      result = outcome.object();
      return false;
    case APMPControlValue::Type::Continue:
      return true;
  }
  return true;
}

// A loop variable's name as a string value, made once for all the bindings of the loop.
APMPValueRef nameValueOf(const APMPValueRef& value, APMPHeap& heap, APMPError& error) {
  if (value->kind() == APMPKind::String) return value;
  auto text = value->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  return APMPShortString(heap, std::move(text));
}

const APMPArrayValue* asArray(const APMPValueRef& value) {
  return value->kind() == APMPKind::Array ? static_cast<const APMPArrayValue*>(value.get()) : nullptr;
}

// The items of a for-in or for-of, fixed before the first iteration. A text never changes, so its
// items are made one at a time as the loop reaches them; other objects are copied, the copy charged
// as memory for as long as the loop runs.
class LoopItems {
 public:
  LoopItems(APMPHeap& heap) : heap_(heap) {}
  ~LoopItems() { heap_.refundMemory(chargedBytes_); }

  // False (with the error) when the object cannot be iterated or its items do not fit.
  bool take(const APMPValueRef& object, bool forOf, APMPError& error) {
    forOf_ = forOf;
    if (object->kind() == APMPKind::String) {
      text_ = object;
      count_ = static_cast<const APMPStringValue&>(*object).value().size();
      return true;
    }
    if (object->kind() == APMPKind::Array) {
      const auto& array = static_cast<const APMPArrayValue&>(*object);
      return keep(forOf ? array.allElements(error) : array.allPropertyNames(error), error);
    }
    if (forOf) {
      APMPSetError(error, kAPMPErrorNotIterable);
      return false;
    }
    if (object->kind() == APMPKind::Map) return keepNames(static_cast<const APMPMapValue&>(*object).propertyMap(), error);
    if (object->kind() == APMPKind::Function) {
      return keepNames(static_cast<const APMPFunctionValue&>(*object).propertyMap(), error);
    }
    return true;
  }
  std::size_t count() const { return count_; }
  APMPValueRef item(std::size_t i) const {
    if (!text_) return items_[i];
    if (!forOf_) return APMPShortString(heap_, APMPLiteral(std::to_string(i)));
    return APMPShortString(heap_, std::u16string(1, static_cast<const APMPStringValue&>(*text_).value()[i]));
  }

 private:
  bool keep(List items, APMPError& error) {
    if (APMPFailed(error)) return false;
    const auto bytes = items.size() * sizeof(APMPValueRef);
    if (!heap_.chargeMemory(bytes, error)) return false;
    chargedBytes_ = bytes;
    items_ = std::move(items);
    count_ = items_.size();
    return true;
  }
  bool keepNames(const APMPPropertyMap& properties, APMPError& error) {
    const auto n = properties.count();
    if (!heap_.chargeWork(static_cast<std::int64_t>(n), error) ||
        !heap_.reserve(n * (sizeof(APMPValueRef) + sizeof(APMPStringValue) + 32), error)) {
      return false;
    }
    List names;
    names.reserve(n);
    for (const auto& name : properties.allNames()) names.push_back(APMPShortString(heap_, name));
    return keep(std::move(names), error);
  }

  APMPHeap& heap_;
  bool forOf_ = false;
  APMPValueRef text_;
  List items_;
  std::size_t count_ = 0;
  std::size_t chargedBytes_ = 0;
};

template <bool ForOf>
APMPValueRef iterate(APMPArguments args, APMPScope& scope, APMPError& error, Binder binder) {
  if (!APMPCheckArgumentCount(args, 3, error)) return undefined();
  auto values = APMPEvaluateArguments(args, scope, error);
  if (APMPFailed(error)) return undefined();
  auto& heap = APMPScopeHeap(scope);
  const auto nameValue = nameValueOf(values[0], heap, error);
  if (APMPFailed(error)) return undefined();
  const sdk::analytics::BindingName name(static_cast<const APMPStringValue&>(*nameValue));
  LoopItems items(heap);
  if (!items.take(values[1], ForOf, error)) return undefined();
  const auto* bodyArray = asArray(values[2]);
  if (!bodyArray) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  const auto body = bodyArray->allElements(error);
  if (APMPFailed(error)) return undefined();
  APMPValueRef result = undefined();
  for (std::size_t i = 0; i < items.count(); ++i) {
    // An empty body evaluates nothing: the items themselves are the loop's work, each a binding and
    // often a new value.
    if (!heap.chargeWork(kStepsPerItem, error)) return undefined();
    auto item = items.item(i);
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

APMPValueRef forInAssign(APMPArguments a, APMPScope& s, APMPError& e) { return iterate<false>(a, s, e, Binder::Assign); }
APMPValueRef forInConstant(APMPArguments a, APMPScope& s, APMPError& e) { return iterate<false>(a, s, e, Binder::Constant); }
APMPValueRef forInVariable(APMPArguments a, APMPScope& s, APMPError& e) { return iterate<false>(a, s, e, Binder::Variable); }
APMPValueRef forOfAssign(APMPArguments a, APMPScope& s, APMPError& e) { return iterate<true>(a, s, e, Binder::Assign); }
APMPValueRef forOfConstant(APMPArguments a, APMPScope& s, APMPError& e) { return iterate<true>(a, s, e, Binder::Constant); }
APMPValueRef forOfVariable(APMPArguments a, APMPScope& s, APMPError& e) { return iterate<true>(a, s, e, Binder::Variable); }

bool condition(const APMPValueRef& statement, APMPScope& scope, APMPError& error) {
  return APMPEvaluator::test(*statement, scope, error);
}

// A fresh iteration scope under `scope` holding copies of the named variables of `source`.
APMPRef<APMPScope> copyVariables(const List& names, APMPScope& scope, APMPScope& source) {
  auto target = scope.createChildScope();
  for (const auto& text : names) {
    const sdk::analytics::BindingName name(static_cast<const APMPStringValue&>(*text));
    target->addValue(source.operandForName(name), name);
  }
  return target;
}

APMPValueRef forWithCopies(APMPArguments args, APMPScope& scope, APMPError& error) {
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
  auto& heap = APMPScopeHeap(scope);
  List names;
  const auto nameValues = namesArray->allElements(error);
  if (APMPFailed(error)) return undefined();
  for (const auto& element : nameValues) {
    names.push_back(nameValueOf(element, heap, error));
    if (APMPFailed(error)) return undefined();
  }
  const auto body = bodyArray->allElements(error);
  if (APMPFailed(error)) return undefined();
  if (!heap.chargeWork(static_cast<std::int64_t>(names.size()), error)) return undefined();
  auto iteration = copyVariables(names, scope, scope);
  if (!condition(args[1], *iteration, error)) return undefined();
  APMPValueRef result = undefined();
  while (true) {
    if (!runBody(body, *iteration, result, error)) return result;
    if (!heap.chargeWork(static_cast<std::int64_t>(names.size()), error)) return undefined();
    auto next = copyVariables(names, scope, *iteration);
    iteration = next;
    APMPEvaluator::evaluate(*args[2], *iteration, error);
    if (APMPFailed(error)) return undefined();
    if (!condition(args[1], *iteration, error)) return undefined();
  }
}

APMPValueRef generalLoop(APMPArguments args, APMPScope& scope, APMPError& error) {
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
  const auto body = bodyArray->allElements(error);
  if (APMPFailed(error)) return undefined();
  APMPValueRef result = undefined();
  if (bodyFirst && !runBody(body, scope, result, error)) return result;
  if (!condition(args[0], scope, error)) return undefined();
  while (true) {
    if (!body.empty() && !runBody(body, scope, result, error)) return result;
    APMPEvaluator::evaluate(*args[1], scope, error);
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
