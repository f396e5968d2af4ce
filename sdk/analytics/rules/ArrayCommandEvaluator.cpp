#include "sdk/analytics/rules/ArrayCommandEvaluator.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
using Array = ScriptRef<ScriptArrayValue>;
ScriptValueRef undefined() { return scriptUndefined(); }
ScriptValueRef number(ScriptScope& scope, double value) { return scriptNumber(heapOfScope(scope), value); }

bool integerOf(const ScriptValueRef& value, double& out, ScriptRuntimeError& error) {
  out = toInteger(value->doubleValueOrError(error));
  return !hasScriptError(error);
}

ScriptFunctionValue* callbackOf(ScriptArguments args, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 1, error)) return nullptr;
  if (args[0]->kind() != ScriptValueKind::Function) {
    setScriptError(error, kScriptErrorArgumentType);
    return nullptr;
  }
  return static_cast<ScriptFunctionValue*>(args[0].get());
}

// The callback walk: visits the indices the array had when it began and still has, in order.
// `step` answers false to stop.
template <typename Step>
void walk(const Array& array, ScriptFunctionValue& callback, ScriptScope& scope, ScriptRuntimeError& error, Step step) {
  auto& heap = heapOfScope(scope);
  const auto n = array->count();
  for (std::size_t i = 0; i < n; ++i) {
    if (!heap.chargeWork(1, error)) return;
    auto index = scriptNumber(heap, static_cast<double>(i));
    if (!array->hasProperty(*index, error)) {
      if (hasScriptError(error)) return;
      continue;
    }
    auto element = array->valueForProperty(*index, error);
    if (hasScriptError(error)) return;
    auto result = callback.invokeWithArguments({element, index, array}, scope, error);
    if (hasScriptError(error) || !step(i, element, result)) return;
  }
}

ScriptValueRef every(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  bool all = true;
  walk(array, *callback, scope, error, [&](std::size_t, const ScriptValueRef&, const ScriptValueRef& result) {
    all = result->booleanValueOrError(error);
    return all && !hasScriptError(error);
  });
  return hasScriptError(error) ? undefined() : ScriptValueRef(scriptBoolean(all));
}

ScriptValueRef some(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  bool any = false;
  walk(array, *callback, scope, error, [&](std::size_t, const ScriptValueRef&, const ScriptValueRef& result) {
    any = result->booleanValueOrError(error);
    return !any && !hasScriptError(error);
  });
  return hasScriptError(error) ? undefined() : ScriptValueRef(scriptBoolean(any));
}

ScriptValueRef filter(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  List kept;
  walk(array, *callback, scope, error, [&](std::size_t, const ScriptValueRef& element, const ScriptValueRef& result) {
    if (result->booleanValueOrError(error)) kept.push_back(element);
    return !hasScriptError(error);
  });
  return hasScriptError(error) ? undefined() : ScriptValueRef(heapOfScope(scope).make<ScriptArrayValue>(std::move(kept)));
}

ScriptValueRef forEach(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  walk(array, *callback, scope, error, [](std::size_t, const ScriptValueRef&, const ScriptValueRef&) { return true; });
  return undefined();
}

ScriptValueRef map(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  auto& heap = heapOfScope(scope);
  auto out = heap.make<ScriptArrayValue>();
  walk(array, *callback, scope, error, [&](std::size_t i, const ScriptValueRef&, const ScriptValueRef& result) {
    out->setValueForProperty(result, *scriptNumber(heap, static_cast<double>(i)), error);
    return !hasScriptError(error);
  });
  return hasScriptError(error) ? undefined() : ScriptValueRef(out);
}

ScriptValueRef concat(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto out = array->subarrayWithRange(0, static_cast<std::int64_t>(array->count()), error);
  if (!out) return undefined();
  for (const auto& argument : args) {
    out->concat(argument, error);
    if (hasScriptError(error)) return undefined();
  }
  (void)scope;
  return out;
}

ScriptValueRef hasOwnProperty(const Array& array, ScriptArguments args, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 1, error)) return undefined();
  const auto key = args[0]->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  if (key == u"length") return scriptBoolean(true);
  const bool has = array->hasProperty(*args[0], error);
  return hasScriptError(error) ? undefined() : ScriptValueRef(scriptBoolean(has));
}

ScriptValueRef indexOf(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  const double n = static_cast<double>(array->count());
  double start = 0;
  if (args.size() > 1 && !integerOf(args[1], start, error)) return undefined();
  if (start >= n) return number(scope, -1);
  if (start < 0) start = std::max(start + n, 0.0);
  const ScriptValue& search = args.empty() ? *scriptUndefined() : *args[0];
  const auto found = array->indexOfValue(search, static_cast<std::int64_t>(start), error);
  return hasScriptError(error) ? undefined() : number(scope, static_cast<double>(found));
}

ScriptValueRef lastIndexOf(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  const double n = static_cast<double>(array->count());
  double start = n - 1;
  if (args.size() > 1) {
    const double value = args[1]->doubleValueOrError(error);
    if (hasScriptError(error)) return undefined();
    if (!std::isnan(value)) start = toInteger(value);
  }
  if (start < 0) start += n;
  if (start < 0) return number(scope, -1);
  start = std::min(start, n - 1);
  const ScriptValue& search = args.empty() ? *scriptUndefined() : *args[0];
  const auto found = array->lastIndexOfValue(search, static_cast<std::int64_t>(start), error);
  return hasScriptError(error) ? undefined() : number(scope, static_cast<double>(found));
}

ScriptValueRef join(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 1, error)) return undefined();
  std::u16string separator = u",";
  if (!args.empty()) {
    separator = args[0]->isNothing() ? std::u16string() : args[0]->stringValueOrError(error);
    if (hasScriptError(error)) return undefined();
  }
  if (!heapOfScope(scope).chargeWork(static_cast<std::int64_t>(array->count()), error)) return undefined();
  auto text = array->stringValueWithSeparator(separator, error);
  if (hasScriptError(error)) return undefined();
  return scriptString(heapOfScope(scope), std::move(text), error);
}

ScriptValueRef pop(const Array& array, ScriptArguments args, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  return array->removeLastElement();
}

ScriptValueRef shift(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  (void)scope;
  return array->removeFirstElement(error);
}

ScriptValueRef push(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  const auto count = array->appendElements(args, error);
  return hasScriptError(error) ? undefined() : number(scope, static_cast<double>(count));
}

ScriptValueRef unshift(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  const auto count = array->prependElements(args, error);
  return hasScriptError(error) ? undefined() : number(scope, static_cast<double>(count));
}

template <bool Right>
ScriptValueRef reduce(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMinimumArgumentCount(args, 1, error) || !checkMaximumArgumentCount(args, 2, error)) {
    return undefined();
  }
  if (args[0]->kind() != ScriptValueKind::Function || (args.size() == 2 && args[1]->kind() == ScriptValueKind::Control)) {
    setScriptError(error, kScriptErrorArgumentType);
    return undefined();
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
      if (!heap.chargeWork(1, error)) return undefined();
      auto index = scriptNumber(heap, static_cast<double>(i));
      if (array->hasProperty(*index, error)) {
        accumulator = array->valueForProperty(*index, error);
        i += stepBy;
        break;
      }
    }
    if (!accumulator) {
      setScriptError(error, kScriptErrorReduceOfEmpty);
      return undefined();
    }
  }
  for (; inRange(i); i += stepBy) {
    if (!heap.chargeWork(1, error)) return undefined();
    auto index = scriptNumber(heap, static_cast<double>(i));
    if (!array->hasProperty(*index, error)) continue;
    auto element = array->valueForProperty(*index, error);
    accumulator = callback.invokeWithArguments({accumulator, element, index, array}, scope, error);
    if (hasScriptError(error)) return undefined();
  }
  return accumulator;
}

ScriptValueRef reverse(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  (void)scope;
  if (!array->reverse(error)) return undefined();
  return array;
}

// Start and end of "slice" and "splice": negative counts from the end, clamped to [0, n].
double relative(double value, double n) { return value < 0 ? std::max(value + n, 0.0) : std::min(value, n); }

ScriptValueRef slice(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 2, error)) return undefined();
  const double n = static_cast<double>(array->count());
  double start = 0, end = n;
  if (!args.empty() && !integerOf(args[0], start, error)) return undefined();
  if (args.size() > 1 && !integerOf(args[1], end, error)) return undefined();
  start = relative(start, n);
  end = std::min(std::max(end < 0 ? end + n : end, start), n);
  (void)scope;
  auto out = array->subarrayWithRange(static_cast<std::int64_t>(start), static_cast<std::int64_t>(end - start), error);
  return out ? ScriptValueRef(out) : undefined();
}

ScriptValueRef sort(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkMaximumArgumentCount(args, 1, error)) return undefined();
  if (array->count() < 2) return array;
  ScriptFunctionValue* comparator = nullptr;
  if (!args.empty()) {
    if (args[0]->kind() != ScriptValueKind::Function) {
      setScriptError(error, kScriptErrorArgumentType);
      return undefined();
    }
    comparator = static_cast<ScriptFunctionValue*>(args[0].get());
  }
  array->sortUsingFunctionValue(comparator, scope, error);
  return hasScriptError(error) ? undefined() : ScriptValueRef(array);
}

ScriptValueRef splice(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  auto& heap = heapOfScope(scope);
  if (args.empty()) return heap.make<ScriptArrayValue>();
  const double n = static_cast<double>(array->count());
  double start = 0;
  if (!integerOf(args[0], start, error)) return undefined();
  start = relative(start, n);
  double deleteCount = n - start;
  if (args.size() > 1) {
    if (!integerOf(args[1], deleteCount, error)) return undefined();
    deleteCount = std::min(std::max(deleteCount, 0.0), n - start);
  }
  const List items(args.begin() + std::min<std::size_t>(2, args.size()), args.end());
  auto removed = array->spliceFrom(static_cast<std::int64_t>(start), static_cast<std::int64_t>(deleteCount), items, error);
  if (hasScriptError(error)) return undefined();
  return heap.make<ScriptArrayValue>(std::move(removed));
}

ScriptValueRef toString(const Array& array, ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 0, error)) return undefined();
  auto text = array->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  return scriptString(heapOfScope(scope), std::move(text), error);
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

ScriptValueRef ArrayCommandEvaluator::evaluateCommand(const std::u16string& name, const ScriptRef<ScriptArrayValue>& array,
                                                        const ScriptValueList& arguments, ScriptScope& scope,
                                                        ScriptRuntimeError& error) const {
  auto it = handlers_.find(name);
  if (it == handlers_.end()) {
    setScriptError(error, kScriptErrorUnknownMethod);
    return scriptUndefined();
  }
  return run(it->second, array, arguments, scope, error);
}

ArrayCommandEvaluator::Handler ArrayCommandEvaluator::handlerNamed(const std::u16string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : it->second;
}

bool ArrayCommandEvaluator::isPush(Handler handler) { return handler == &push; }

ScriptValueRef ArrayCommandEvaluator::run(Handler handler, const ScriptRef<ScriptArrayValue>& array, const ScriptValueList& arguments, ScriptScope& scope,
                     ScriptRuntimeError& error) const {
  return withEvaluatedArguments(arguments, scope, error, [&](ScriptArguments values) {
    return handler(array, values, scope, error);
  });
}

}  // namespace sdk::analytics

