#include "sdk/analytics/rules/LoopCommandEvaluator.h"

#include <utility>

#include "sdk/analytics/rules/ScriptArrayValue.h"
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
[[gnu::always_inline]] inline ErrorOr<bool> runBody(ScriptArguments body, ScriptScope& scope, ScriptValueRef& result) {
  // Most bodies are one statement: it is evaluated as the list's only member would be.
  auto outcome = TRY(body.size() == 1 ? ScriptEvaluator::evaluate(*body[0], scope) : ScriptEvaluator::execute(body, scope));
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

  // The error when the object cannot be iterated or its items do not fit.
  ErrorOr<void> take(const ScriptValueRef& object, bool forOf) {
    forOf_ = forOf;
    if (object->kind() == ScriptValueKind::String) {
      text_ = object;
      count_ = static_cast<const ScriptStringValue&>(*object).value().size();
      return {};
    }
    if (object->kind() == ScriptValueKind::Array) {
      const auto& array = static_cast<const ScriptArrayValue&>(*object);
      return keep(TRY(forOf ? array.allElements() : array.allPropertyNames()));
    }
    if (forOf) return scriptError(kScriptErrorNotIterable);
    if (object->kind() == ScriptValueKind::Map) return keepNames(static_cast<const ScriptMapValue&>(*object).propertyMap());
    if (object->kind() == ScriptValueKind::Function) {
      return keepNames(static_cast<const ScriptFunctionValue&>(*object).propertyMap());
    }
    return {};
  }
  std::size_t count() const { return count_; }
  ScriptValueRef item(std::size_t i) const {
    if (!text_) return items_[i];
    if (!forOf_) return shortScriptString(heap_, utf16Literal(std::to_string(i)));
    return shortScriptString(heap_, std::u16string(1, static_cast<const ScriptStringValue&>(*text_).value()[i]));
  }

 private:
  ErrorOr<void> keep(List items) {
    const auto bytes = items.size() * sizeof(ScriptValueRef);
    TRY(heap_.chargeMemory(bytes));
    chargedBytes_ = bytes;
    items_ = std::move(items);
    count_ = items_.size();
    return {};
  }
  ErrorOr<void> keepNames(const ScriptPropertyMap& properties) {
    const auto n = properties.count();
    TRY(heap_.chargeWork(static_cast<std::int64_t>(n)));
    TRY(heap_.reserve(n * (sizeof(ScriptValueRef) + sizeof(ScriptStringValue) + 32)));
    List names;
    names.reserve(n);
    for (const auto& name : properties.allNames()) names.push_back(shortScriptString(heap_, name));
    return keep(std::move(names));
  }

  ScriptHeap& heap_;
  bool forOf_ = false;
  ScriptValueRef text_;
  List items_;
  std::size_t count_ = 0;
  std::size_t chargedBytes_ = 0;
};

template <bool ForOf>
ErrorOr<ScriptValueRef> iterate(ScriptArguments args, ScriptScope& scope, Binder binder) {
  TRY(checkArgumentCount(args, 3));
  auto values = TRY(evaluateArguments(args, scope));
  auto& heap = heapOfScope(scope);
  // Made once for all the bindings of the loop.
  const auto nameValue = TRY(nameValueOf(values[0], heap));
  const sdk::analytics::BindingName name(*nameValue);
  LoopItems items(heap);
  TRY(items.take(values[1], ForOf));
  const auto* bodyArray = asArray(values[2]);
  if (!bodyArray) return scriptError(kScriptErrorArgumentType);
  const auto body = TRY(bodyArray->allElements());
  ScriptValueRef result = undefined();
  for (std::size_t i = 0; i < items.count(); ++i) {
    // An empty body evaluates nothing: the items themselves are the loop's work, each a binding and
    // often a new value.
    TRY(heap.chargeWork(kStepsPerItem));
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
    if (!TRY(runBody(body, *bodyScope, result))) return result;
  }
  return undefined();
}

ErrorOr<ScriptValueRef> forInAssign(ScriptArguments a, ScriptScope& s) { return iterate<false>(a, s, Binder::Assign); }
ErrorOr<ScriptValueRef> forInConstant(ScriptArguments a, ScriptScope& s) { return iterate<false>(a, s, Binder::Constant); }
ErrorOr<ScriptValueRef> forInVariable(ScriptArguments a, ScriptScope& s) { return iterate<false>(a, s, Binder::Variable); }
ErrorOr<ScriptValueRef> forOfAssign(ScriptArguments a, ScriptScope& s) { return iterate<true>(a, s, Binder::Assign); }
ErrorOr<ScriptValueRef> forOfConstant(ScriptArguments a, ScriptScope& s) { return iterate<true>(a, s, Binder::Constant); }
ErrorOr<ScriptValueRef> forOfVariable(ScriptArguments a, ScriptScope& s) { return iterate<true>(a, s, Binder::Variable); }

ErrorOr<bool> condition(const ScriptValueRef& statement, ScriptScope& scope) {
  return ScriptEvaluator::test(*statement, scope);
}

// The variables a for loop copies into each iteration's scope. The body may change the list that
// names them, so it is read again before every copy; its names are made and hashed again only when
// an element changed, or is an object whose text may have. What it holds is charged while the loop runs.
class CopiedVariables {
 public:
  CopiedVariables(const ScriptArrayValue& list, ScriptHeap& heap) : list_(list), heap_(heap) {}
  ~CopiedVariables() { heap_.refundMemory(chargedBytes_); }
  CopiedVariables(const CopiedVariables&) = delete;
  CopiedVariables& operator=(const CopiedVariables&) = delete;

  // A fresh iteration scope under `scope` holding copies of the variables the list names now, as
  // `source` sees them, charged before it is made.
  ErrorOr<ScriptRef<ScriptScope>> copy(ScriptScope& scope, ScriptScope& source) {
    if (!readAsBefore()) TRY(read());
    TRY(heap_.reserve(sizeof(ScriptScope) + bindingBytes_));
    auto target = scope.createChildScope();
    for (const auto& name : names_) {
      // Finding a name far up the chain charges the work meter: the next one stops at its end.
      TRY(heap_.chargeWork(1));
      target->addValue(source.operandForName(name), name);
    }
    return target;
  }

 private:
  // Whether the list holds the elements the names were made from, each with a text that cannot
  // have changed; the walk is charged as the copy's own walk over the names is.
  bool readAsBefore() const {
    if (!read_ || list_.count() != elements_.size()) return false;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
      const ScriptValue* now = list_.isHoleAt(i) ? scriptUndefined() : list_.valueAt(i).get();
      if (now != elements_[i].get() || (isStringLike(*now) && now->kind() != ScriptValueKind::String)) return false;
    }
    return true;
  }

  ErrorOr<void> read() {
    auto elements = TRY(list_.allElements());
    auto values = TRY(nameValuesOf(ScriptArguments(elements), heap_));
    const auto bytes =
        values.size() * (2 * sizeof(ScriptValueRef) + sizeof(sdk::analytics::BindingName));
    heap_.refundMemory(std::exchange(chargedBytes_, 0));
    names_.clear();
    TRY(heap_.chargeMemory(bytes));
    chargedBytes_ = bytes;
    elements_ = std::move(elements);
    values_ = std::move(values);
    bindingBytes_ = 0;
    names_.reserve(values_.size());
    for (const auto& value : values_) {
      names_.emplace_back(*value);
      bindingBytes_ += ScriptPropertyMap::entryBytes(value->value());
    }
    read_ = true;
    return {};
  }

  const ScriptArrayValue& list_;
  ScriptHeap& heap_;
  bool read_ = false;
  ScriptValueList elements_;
  std::vector<ScriptRef<ScriptStringValue>> values_;
  std::vector<sdk::analytics::BindingName> names_;
  std::size_t bindingBytes_ = 0;
  std::size_t chargedBytes_ = 0;
};

ErrorOr<ScriptValueRef> forWithCopies(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 4));
  auto nameList = TRY(ScriptEvaluator::evaluateStatement(*args[0], scope));
  const auto* namesArray = asArray(nameList);
  if (!namesArray) return scriptError(kScriptErrorArgumentType);
  auto bodyValue = TRY(ScriptEvaluator::evaluateStatement(*args[3], scope));
  const auto* bodyArray = asArray(bodyValue);
  if (!bodyArray) return scriptError(kScriptErrorArgumentType);
  auto& heap = heapOfScope(scope);
  CopiedVariables variables(*namesArray, heap);
  const auto body = TRY(bodyArray->allElements());
  auto iteration = TRY(variables.copy(scope, scope));
  if (!TRY(condition(args[1], *iteration))) return undefined();
  ScriptValueRef result = undefined();
  while (true) {
    if (!TRY(runBody(body, *iteration, result))) return result;
    iteration = TRY(variables.copy(scope, *iteration));
    TRY(ScriptEvaluator::evaluate(*args[2], *iteration));
    if (!TRY(condition(args[1], *iteration))) return undefined();
  }
}

ErrorOr<ScriptValueRef> generalLoop(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 4));
  auto flag = TRY(ScriptEvaluator::evaluateStatement(*args[2], scope));
  const bool bodyFirst = TRY(flag->booleanValueOrError());
  auto bodyValue = TRY(ScriptEvaluator::evaluateStatement(*args[3], scope));
  const auto* bodyArray = asArray(bodyValue);
  if (!bodyArray) return scriptError(kScriptErrorArgumentType);
  const auto body = TRY(bodyArray->allElements());
  ScriptValueRef result = undefined();
  if (bodyFirst && !TRY(runBody(body, scope, result))) return result;
  if (!TRY(condition(args[0], scope))) return undefined();
  while (true) {
    if (!body.empty() && !TRY(runBody(body, scope, result))) return result;
    TRY(ScriptEvaluator::evaluate(*args[1], scope));
    if (!TRY(condition(args[0], scope))) return undefined();
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

