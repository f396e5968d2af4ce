#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptMapValue.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
ScriptValueRef undefined() { return scriptUndefined(); }

enum class Binder { Assign, Constant, Variable };
constexpr std::int64_t kStepsPerItem = 4;

// Runs a body once: true to go on with the next iteration, false when the loop ends with `result`.
bool runBody(ScriptArguments body, ScriptScope& scope, ScriptValueRef& result, ScriptRuntimeError& error) {
  auto outcome = ScriptEvaluator::execute(body, scope, error);
  if (hasScriptError(error)) {
    result = undefined();
    return false;
  }
  if (outcome.kind() != ScriptValueKind::Control) return true;
  switch (static_cast<const ScriptControlValue&>(*outcome.object()).type()) {
    case ScriptControlValue::Type::Break:
      result = undefined();
      return false;
    case ScriptControlValue::Type::Return:
      result = outcome.object();
      return false;
    case ScriptControlValue::Type::Continue:
      return true;
  }
  return true;
}

// A loop variable's name as a string value, made once for all the bindings of the loop.
ScriptValueRef nameValueOf(const ScriptValueRef& value, ScriptHeap& heap, ScriptRuntimeError& error) {
  if (value->kind() == ScriptValueKind::String) return value;
  auto text = value->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  return shortScriptString(heap, std::move(text));
}

const ScriptArrayValue* asArray(const ScriptValueRef& value) {
  return value->kind() == ScriptValueKind::Array ? static_cast<const ScriptArrayValue*>(value.get()) : nullptr;
}

// The items of a for-in or for-of, fixed before the first iteration. A text never changes, so its
// items are made one at a time as the loop reaches them; other objects are copied, the copy charged
// as memory for as long as the loop runs.
class LoopItems {
 public:
  LoopItems(ScriptHeap& heap) : heap_(heap) {}
  ~LoopItems() { heap_.refundMemory(chargedBytes_); }

  // False (with the error) when the object cannot be iterated or its items do not fit.
  bool take(const ScriptValueRef& object, bool forOf, ScriptRuntimeError& error) {
    forOf_ = forOf;
    if (object->kind() == ScriptValueKind::String) {
      text_ = object;
      count_ = static_cast<const ScriptStringValue&>(*object).value().size();
      return true;
    }
    if (object->kind() == ScriptValueKind::Array) {
      const auto& array = static_cast<const ScriptArrayValue&>(*object);
      return keep(forOf ? array.allElements(error) : array.allPropertyNames(error), error);
    }
    if (forOf) {
      setScriptError(error, kScriptErrorNotIterable);
      return false;
    }
    if (object->kind() == ScriptValueKind::Map) return keepNames(static_cast<const ScriptMapValue&>(*object).propertyMap(), error);
    if (object->kind() == ScriptValueKind::Function) {
      return keepNames(static_cast<const ScriptFunctionValue&>(*object).propertyMap(), error);
    }
    return true;
  }
  std::size_t count() const { return count_; }
  ScriptValueRef item(std::size_t i) const {
    if (!text_) return items_[i];
    if (!forOf_) return shortScriptString(heap_, utf16Literal(std::to_string(i)));
    return shortScriptString(heap_, std::u16string(1, static_cast<const ScriptStringValue&>(*text_).value()[i]));
  }

 private:
  bool keep(List items, ScriptRuntimeError& error) {
    if (hasScriptError(error)) return false;
    const auto bytes = items.size() * sizeof(ScriptValueRef);
    if (!heap_.chargeMemory(bytes, error)) return false;
    chargedBytes_ = bytes;
    items_ = std::move(items);
    count_ = items_.size();
    return true;
  }
  bool keepNames(const ScriptPropertyMap& properties, ScriptRuntimeError& error) {
    const auto n = properties.count();
    if (!heap_.chargeWork(static_cast<std::int64_t>(n), error) ||
        !heap_.reserve(n * (sizeof(ScriptValueRef) + sizeof(ScriptStringValue) + 32), error)) {
      return false;
    }
    List names;
    names.reserve(n);
    for (const auto& name : properties.allNames()) names.push_back(shortScriptString(heap_, name));
    return keep(std::move(names), error);
  }

  ScriptHeap& heap_;
  bool forOf_ = false;
  ScriptValueRef text_;
  List items_;
  std::size_t count_ = 0;
  std::size_t chargedBytes_ = 0;
};

template <bool ForOf>
ScriptValueRef iterate(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error, Binder binder) {
  if (!checkArgumentCount(args, 3, error)) return undefined();
  auto values = evaluateArguments(args, scope, error);
  if (hasScriptError(error)) return undefined();
  auto& heap = heapOfScope(scope);
  const auto nameValue = nameValueOf(values[0], heap, error);
  if (hasScriptError(error)) return undefined();
  const sdk::analytics::BindingName name(static_cast<const ScriptStringValue&>(*nameValue));
  LoopItems items(heap);
  if (!items.take(values[1], ForOf, error)) return undefined();
  const auto* bodyArray = asArray(values[2]);
  if (!bodyArray) {
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
  }
  const auto body = bodyArray->allElements(error);
  if (hasScriptError(error)) return undefined();
  ScriptValueRef result = undefined();
  for (std::size_t i = 0; i < items.count(); ++i) {
    // An empty body evaluates nothing: the items themselves are the loop's work, each a binding and
    // often a new value.
    if (!heap.chargeWork(kStepsPerItem, error)) return undefined();
    auto item = items.item(i);
    ScriptRef<ScriptScope> bodyScope(&scope);
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

ScriptValueRef forInAssign(ScriptArguments a, ScriptScope& s, ScriptRuntimeError& e) { return iterate<false>(a, s, e, Binder::Assign); }
ScriptValueRef forInConstant(ScriptArguments a, ScriptScope& s, ScriptRuntimeError& e) { return iterate<false>(a, s, e, Binder::Constant); }
ScriptValueRef forInVariable(ScriptArguments a, ScriptScope& s, ScriptRuntimeError& e) { return iterate<false>(a, s, e, Binder::Variable); }
ScriptValueRef forOfAssign(ScriptArguments a, ScriptScope& s, ScriptRuntimeError& e) { return iterate<true>(a, s, e, Binder::Assign); }
ScriptValueRef forOfConstant(ScriptArguments a, ScriptScope& s, ScriptRuntimeError& e) { return iterate<true>(a, s, e, Binder::Constant); }
ScriptValueRef forOfVariable(ScriptArguments a, ScriptScope& s, ScriptRuntimeError& e) { return iterate<true>(a, s, e, Binder::Variable); }

bool condition(const ScriptValueRef& statement, ScriptScope& scope, ScriptRuntimeError& error) {
  return ScriptEvaluator::test(*statement, scope, error);
}

// A fresh iteration scope under `scope` holding copies of the named variables of `source`.
ScriptRef<ScriptScope> copyVariables(const List& names, ScriptScope& scope, ScriptScope& source) {
  auto target = scope.createChildScope();
  for (const auto& text : names) {
    const sdk::analytics::BindingName name(static_cast<const ScriptStringValue&>(*text));
    target->addValue(source.operandForName(name), name);
  }
  return target;
}

ScriptValueRef forWithCopies(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 4, error)) return undefined();
  auto nameList = ScriptEvaluator::evaluateStatement(*args[0], scope, error);
  if (hasScriptError(error)) return undefined();
  const auto* namesArray = asArray(nameList);
  if (!namesArray) {
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
  }
  auto bodyValue = ScriptEvaluator::evaluateStatement(*args[3], scope, error);
  if (hasScriptError(error)) return undefined();
  const auto* bodyArray = asArray(bodyValue);
  if (!bodyArray) {
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
  }
  auto& heap = heapOfScope(scope);
  List names;
  const auto nameValues = namesArray->allElements(error);
  if (hasScriptError(error)) return undefined();
  for (const auto& element : nameValues) {
    names.push_back(nameValueOf(element, heap, error));
    if (hasScriptError(error)) return undefined();
  }
  const auto body = bodyArray->allElements(error);
  if (hasScriptError(error)) return undefined();
  if (!heap.chargeWork(static_cast<std::int64_t>(names.size()), error)) return undefined();
  auto iteration = copyVariables(names, scope, scope);
  if (!condition(args[1], *iteration, error)) return undefined();
  ScriptValueRef result = undefined();
  while (true) {
    if (!runBody(body, *iteration, result, error)) return result;
    if (!heap.chargeWork(static_cast<std::int64_t>(names.size()), error)) return undefined();
    auto next = copyVariables(names, scope, *iteration);
    iteration = next;
    ScriptEvaluator::evaluate(*args[2], *iteration, error);
    if (hasScriptError(error)) return undefined();
    if (!condition(args[1], *iteration, error)) return undefined();
  }
}

ScriptValueRef generalLoop(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 4, error)) return undefined();
  auto flag = ScriptEvaluator::evaluateStatement(*args[2], scope, error);
  if (hasScriptError(error)) return undefined();
  const bool bodyFirst = flag->booleanValueOrError(error);
  if (hasScriptError(error)) return undefined();
  auto bodyValue = ScriptEvaluator::evaluateStatement(*args[3], scope, error);
  if (hasScriptError(error)) return undefined();
  const auto* bodyArray = asArray(bodyValue);
  if (!bodyArray) {
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
  }
  const auto body = bodyArray->allElements(error);
  if (hasScriptError(error)) return undefined();
  ScriptValueRef result = undefined();
  if (bodyFirst && !runBody(body, scope, result, error)) return result;
  if (!condition(args[0], scope, error)) return undefined();
  while (true) {
    if (!body.empty() && !runBody(body, scope, result, error)) return result;
    ScriptEvaluator::evaluate(*args[1], scope, error);
    if (hasScriptError(error)) return undefined();
    if (!condition(args[0], scope, error)) return undefined();
  }
}

}  // namespace

LoopCommandEvaluator::LoopCommandEvaluator() : CommandEvaluator(Convention::Raw) {
  add("47", forInAssign);
  add("54", forInConstant);
  add("55", forInVariable);
  add("63", forWithCopies);
  add("64", forOfAssign);
  add("65", forOfConstant);
  add("66", forOfVariable);
  add("42", generalLoop);
}

}  // namespace sdk::analytics

