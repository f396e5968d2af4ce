#include "sdk/analytics/rules/ArrayCommandEvaluator.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
using Array = ScriptRef<ScriptArrayValue>;
using sdk::analytics::Operand;
ScriptValueRef undefined() { return scriptUndefined(); }
ScriptValueRef boolean(bool value) { return scriptBoolean(value); }
ScriptValueRef number(ScriptScope& scope, double value) { return scriptNumber(heapOfScope(scope), value); }

ErrorOr<double> integerOf(const ScriptValueRef& value) { return toInteger(TRY(value->doubleValueOrError())); }

ErrorOr<ScriptFunctionValue*> callbackOf(ScriptArguments args) {
  TRY(checkArgumentCount(args, 1));
  if (args[0]->kind() != ScriptValueKind::Function) return scriptError(kScriptErrorArgumentType);
  return static_cast<ScriptFunctionValue*>(args[0].get());
}

// The callback walk: visits the indices the array had when it began and still has, in order,
// calling the callback with the element, its index and the array. `step` receives the element as
// the callback got it and the callback's result, and answers false to stop.
template <typename Step>
ErrorOr<void> walk(const Array& array, ScriptFunctionValue& callback, ScriptScope& scope, Step step) {
  auto& heap = heapOfScope(scope);
  const auto n = array->count();
  for (std::size_t i = 0; i < n; ++i) {
    TRY(heap.chargeWork(1));
    if (i >= array->count() || array->isHoleAt(i)) continue;
    const Operand element = array->operandAt(i);
    Operand arguments[] = {element, Operand(static_cast<double>(i)), Operand(ScriptValueRef(array))};
    const auto result = TRY(callback.invokeWithValues(arguments, scope));
    if (!TRY(step(i, element, result))) break;
  }
  return {};
}

ErrorOr<ScriptValueRef> every(const Array& array, ScriptArguments args, ScriptScope& scope) {
  auto* callback = TRY(callbackOf(args));
  bool all = true;
  TRY(walk(array, *callback, scope, [&](std::size_t, const Operand&, const Operand& result) -> ErrorOr<bool> {
    all = TRY(result.truth());
    return all;
  }));
  return boolean(all);
}

ErrorOr<ScriptValueRef> some(const Array& array, ScriptArguments args, ScriptScope& scope) {
  auto* callback = TRY(callbackOf(args));
  bool any = false;
  TRY(walk(array, *callback, scope, [&](std::size_t, const Operand&, const Operand& result) -> ErrorOr<bool> {
    any = TRY(result.truth());
    return !any;
  }));
  return boolean(any);
}

ErrorOr<ScriptValueRef> filter(const Array& array, ScriptArguments args, ScriptScope& scope) {
  auto* callback = TRY(callbackOf(args));
  auto& heap = heapOfScope(scope);
  auto out = heap.make<ScriptArrayValue>();
  std::int64_t kept = 0;
  TRY(walk(array, *callback, scope, [&](std::size_t, const Operand& element, const Operand& result) -> ErrorOr<bool> {
    if (TRY(result.truth())) TRY(out->setElement(kept++, element));
    return true;
  }));
  return ScriptValueRef(out);
}

ErrorOr<ScriptValueRef> forEach(const Array& array, ScriptArguments args, ScriptScope& scope) {
  auto* callback = TRY(callbackOf(args));
  TRY(walk(array, *callback, scope, [](std::size_t, const Operand&, const Operand&) { return ErrorOr<bool>(true); }));
  return undefined();
}

ErrorOr<ScriptValueRef> map(const Array& array, ScriptArguments args, ScriptScope& scope) {
  auto* callback = TRY(callbackOf(args));
  auto& heap = heapOfScope(scope);
  auto out = heap.make<ScriptArrayValue>();
  TRY(walk(array, *callback, scope, [&](std::size_t i, const Operand&, const Operand& result) -> ErrorOr<bool> {
    TRY(out->setElement(static_cast<std::int64_t>(i), result));
    return true;
  }));
  return ScriptValueRef(out);
}

ErrorOr<ScriptValueRef> concat(const Array& array, ScriptArguments args, ScriptScope& scope) {
  auto out = TRY(array->subarrayWithRange(0, static_cast<std::int64_t>(array->count())));
  for (const auto& argument : args) TRY(out->concat(argument));
  (void)scope;
  return ScriptValueRef(out);
}

ErrorOr<ScriptValueRef> hasOwnProperty(const Array& array, ScriptArguments args, ScriptScope&) {
  TRY(checkArgumentCount(args, 1));
  const auto key = TRY(args[0]->stringValueOrError());
  if (key == u"length") return boolean(true);
  return boolean(TRY(array->hasProperty(*args[0])));
}

ErrorOr<ScriptValueRef> indexOf(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const double n = static_cast<double>(array->count());
  double start = 0;
  if (args.size() > 1) start = TRY(integerOf(args[1]));
  if (start >= n) return number(scope, -1);
  if (start < 0) start = std::max(start + n, 0.0);
  const ScriptValue& search = args.empty() ? *scriptUndefined() : *args[0];
  const auto found = TRY(array->indexOfValue(search, static_cast<std::int64_t>(start)));
  return number(scope, static_cast<double>(found));
}

ErrorOr<ScriptValueRef> lastIndexOf(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const double n = static_cast<double>(array->count());
  double start = n - 1;
  if (args.size() > 1) {
    const double value = TRY(args[1]->doubleValueOrError());
    if (!std::isnan(value)) start = toInteger(value);
  }
  if (start < 0) start += n;
  if (start < 0) return number(scope, -1);
  start = std::min(start, n - 1);
  const ScriptValue& search = args.empty() ? *scriptUndefined() : *args[0];
  const auto found = TRY(array->lastIndexOfValue(search, static_cast<std::int64_t>(start)));
  return number(scope, static_cast<double>(found));
}

ErrorOr<ScriptValueRef> join(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 1));
  std::u16string separator = u",";
  if (!args.empty()) separator = args[0]->isNothing() ? std::u16string() : TRY(args[0]->stringValueOrError());
  TRY(heapOfScope(scope).chargeWork(static_cast<std::int64_t>(array->count())));
  auto text = TRY(array->stringValueWithSeparator(separator));
  return scriptString(heapOfScope(scope), std::move(text));
}

ErrorOr<ScriptValueRef> pop(const Array& array, ScriptArguments args, ScriptScope&) {
  TRY(checkArgumentCount(args, 0));
  return array->removeLastElement();
}

ErrorOr<ScriptValueRef> shift(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 0));
  (void)scope;
  return array->removeFirstElement();
}

ErrorOr<ScriptValueRef> push(const Array& array, ScriptArguments args, ScriptScope& scope) {
  const auto count = TRY(array->appendElements(args));
  return number(scope, static_cast<double>(count));
}

ErrorOr<ScriptValueRef> unshift(const Array& array, ScriptArguments args, ScriptScope& scope) {
  const auto count = TRY(array->prependElements(args));
  return number(scope, static_cast<double>(count));
}

template <bool Right>
ErrorOr<ScriptValueRef> reduce(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMinimumArgumentCount(args, 1));
  TRY(checkMaximumArgumentCount(args, 2));
  if (args[0]->kind() != ScriptValueKind::Function || (args.size() == 2 && args[1]->kind() == ScriptValueKind::Control)) {
    return scriptError(kScriptErrorArgumentType);
  }
  auto& callback = static_cast<ScriptFunctionValue&>(*args[0]);
  auto& heap = heapOfScope(scope);
  const auto n = static_cast<std::int64_t>(array->count());
  std::int64_t i = Right ? n - 1 : 0;
  const std::int64_t stepBy = Right ? -1 : 1;
  auto inRange = [&](std::int64_t k) { return k >= 0 && k < n; };
  ScriptValueRef accumulator;
  if (args.size() == 2) {
    accumulator = args[1];
  } else {
    for (; inRange(i); i += stepBy) {
      TRY(heap.chargeWork(1));
      if (!array->isHoleAt(static_cast<std::size_t>(i))) {
        accumulator = array->valueAt(static_cast<std::size_t>(i));
        i += stepBy;
        break;
      }
    }
    if (!accumulator) return scriptError(kScriptErrorReduceOfEmpty);
  }
  Operand total(accumulator);
  for (; inRange(i); i += stepBy) {
    TRY(heap.chargeWork(1));
    if (i >= static_cast<std::int64_t>(array->count()) || array->isHoleAt(static_cast<std::size_t>(i))) continue;
    Operand arguments[] = {std::move(total), array->operandAt(static_cast<std::size_t>(i)),
                           Operand(static_cast<double>(i)), Operand(ScriptValueRef(array))};
    total = TRY(callback.invokeWithValues(arguments, scope));
  }
  return std::move(total).box(heap);
}

ErrorOr<ScriptValueRef> reverse(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 0));
  (void)scope;
  TRY(array->reverse());
  return ScriptValueRef(array);
}

// Start and end of "slice" and "splice": negative counts from the end, clamped to [0, n].
double relative(double value, double n) { return value < 0 ? std::max(value + n, 0.0) : std::min(value, n); }

ErrorOr<ScriptValueRef> slice(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 2));
  const double n = static_cast<double>(array->count());
  double start = 0, end = n;
  if (!args.empty()) start = TRY(integerOf(args[0]));
  if (args.size() > 1) end = TRY(integerOf(args[1]));
  start = relative(start, n);
  end = std::min(std::max(end < 0 ? end + n : end, start), n);
  (void)scope;
  return ScriptValueRef(TRY(array->subarrayWithRange(static_cast<std::int64_t>(start), static_cast<std::int64_t>(end - start))));
}

ErrorOr<ScriptValueRef> sort(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkMaximumArgumentCount(args, 1));
  if (array->count() < 2) return ScriptValueRef(array);
  ScriptFunctionValue* comparator = nullptr;
  if (!args.empty()) {
    if (args[0]->kind() != ScriptValueKind::Function) return scriptError(kScriptErrorArgumentType);
    comparator = static_cast<ScriptFunctionValue*>(args[0].get());
  }
  TRY(array->sortUsingFunctionValue(comparator, scope));
  return ScriptValueRef(array);
}

ErrorOr<ScriptValueRef> splice(const Array& array, ScriptArguments args, ScriptScope& scope) {
  auto& heap = heapOfScope(scope);
  if (args.empty()) return ScriptValueRef(heap.make<ScriptArrayValue>());
  const double n = static_cast<double>(array->count());
  double start = relative(TRY(integerOf(args[0])), n);
  double deleteCount = n - start;
  if (args.size() > 1) {
    deleteCount = TRY(integerOf(args[1]));
    deleteCount = std::min(std::max(deleteCount, 0.0), n - start);
  }
  const List items(args.begin() + std::min<std::size_t>(2, args.size()), args.end());
  auto removed = TRY(array->spliceFrom(static_cast<std::int64_t>(start), static_cast<std::int64_t>(deleteCount), items));
  return ScriptValueRef(heap.make<ScriptArrayValue>(std::move(removed)));
}

ErrorOr<ScriptValueRef> toString(const Array& array, ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 0));
  auto text = TRY(array->stringValueOrError());
  return scriptString(heapOfScope(scope), std::move(text));
}

}  // namespace

const ArrayCommandEvaluator& ArrayCommandEvaluator::sharedInstance() {
  static const ArrayCommandEvaluator* evaluator = new ArrayCommandEvaluator();
  return *evaluator;
}

ArrayCommandEvaluator::ArrayCommandEvaluator() {
  handlers_ = {
      {u"concat", concat},     {u"every", every},
      {u"filter", filter},     {u"forEach", forEach},
      {u"hasOwnProperty", hasOwnProperty},
      {u"indexOf", indexOf},   {u"join", join},
      {u"lastIndexOf", lastIndexOf},
      {u"map", map},           {u"pop", pop},
      {u"push", push},         {u"reduce", reduce<false>},
      {u"reduceRight", reduce<true>},
      {u"reverse", reverse},   {u"shift", shift},
      {u"slice", slice},       {u"some", some},
      {u"sort", sort},         {u"splice", splice},
      {u"toString", toString}, {u"unshift", unshift},
  };
}

ErrorOr<ScriptValueRef> ArrayCommandEvaluator::evaluateCommand(const std::u16string& name, const ScriptRef<ScriptArrayValue>& array,
                                                        const ScriptValueList& arguments, ScriptScope& scope) const {
  auto it = handlers_.find(name);
  if (it == handlers_.end()) return scriptError(kScriptErrorUnknownMethod);
  return run(it->second, array, arguments, scope);
}

ArrayCommandEvaluator::Handler ArrayCommandEvaluator::handlerNamed(const std::u16string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : it->second;
}

bool ArrayCommandEvaluator::isPush(Handler handler) { return handler == &push; }

ErrorOr<ScriptValueRef> ArrayCommandEvaluator::run(Handler handler, const ScriptRef<ScriptArrayValue>& array,
                                                   const ScriptValueList& arguments, ScriptScope& scope) const {
  return withEvaluatedArguments(arguments, scope, [&](ScriptArguments values) {
    return handler(array, values, scope);
  });
}

}  // namespace sdk::analytics

