#include "sdk/analytics/rules/APMPArrayCommandEvaluator.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"

namespace {

using List = APMPValueList;
using Array = APMPRef<APMPArrayValue>;
APMPValueRef undefined() { return APMPUndefined(); }
APMPValueRef number(APMPScope& scope, double value) { return APMPNumber(APMPScopeHeap(scope), value); }

bool integerOf(const APMPValueRef& value, double& out, APMPError& error) {
  out = APMPToInteger(value->doubleValueOrError(error));
  return !APMPFailed(error);
}

APMPFunctionValue* callbackOf(APMPArguments args, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 1, error)) return nullptr;
  if (args[0]->kind() != APMPKind::Function) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return nullptr;
  }
  return static_cast<APMPFunctionValue*>(args[0].get());
}

// The callback walk: visits the indices the array had when it began and still has, in order.
// `step` answers false to stop.
template <typename Step>
void walk(const Array& array, APMPFunctionValue& callback, APMPScope& scope, APMPError& error, Step step) {
  auto& heap = APMPScopeHeap(scope);
  const auto n = array->count();
  for (std::size_t i = 0; i < n; ++i) {
    if (!heap.chargeWork(1, error)) return;
    auto index = APMPNumber(heap, static_cast<double>(i));
    if (!array->hasProperty(*index, error)) {
      if (APMPFailed(error)) return;
      continue;
    }
    auto element = array->valueForProperty(*index, error);
    if (APMPFailed(error)) return;
    auto result = callback.invokeWithArguments({element, index, array}, scope, error);
    if (APMPFailed(error) || !step(i, element, result)) return;
  }
}

APMPValueRef every(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  bool all = true;
  walk(array, *callback, scope, error, [&](std::size_t, const APMPValueRef&, const APMPValueRef& result) {
    all = result->booleanValueOrError(error);
    return all && !APMPFailed(error);
  });
  return APMPFailed(error) ? undefined() : APMPValueRef(APMPBoolean(all));
}

APMPValueRef some(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  bool any = false;
  walk(array, *callback, scope, error, [&](std::size_t, const APMPValueRef&, const APMPValueRef& result) {
    any = result->booleanValueOrError(error);
    return !any && !APMPFailed(error);
  });
  return APMPFailed(error) ? undefined() : APMPValueRef(APMPBoolean(any));
}

APMPValueRef filter(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  List kept;
  walk(array, *callback, scope, error, [&](std::size_t, const APMPValueRef& element, const APMPValueRef& result) {
    if (result->booleanValueOrError(error)) kept.push_back(element);
    return !APMPFailed(error);
  });
  return APMPFailed(error) ? undefined() : APMPValueRef(APMPScopeHeap(scope).make<APMPArrayValue>(std::move(kept)));
}

APMPValueRef forEach(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  walk(array, *callback, scope, error, [](std::size_t, const APMPValueRef&, const APMPValueRef&) { return true; });
  return undefined();
}

APMPValueRef map(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  auto* callback = callbackOf(args, error);
  if (!callback) return undefined();
  auto& heap = APMPScopeHeap(scope);
  auto out = heap.make<APMPArrayValue>();
  walk(array, *callback, scope, error, [&](std::size_t i, const APMPValueRef&, const APMPValueRef& result) {
    out->setValueForProperty(result, *APMPNumber(heap, static_cast<double>(i)), error);
    return !APMPFailed(error);
  });
  return APMPFailed(error) ? undefined() : APMPValueRef(out);
}

APMPValueRef concat(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  auto out = array->subarrayWithRange(0, static_cast<std::int64_t>(array->count()), error);
  if (!out) return undefined();
  for (const auto& argument : args) {
    out->concat(argument, error);
    if (APMPFailed(error)) return undefined();
  }
  (void)scope;
  return out;
}

APMPValueRef hasOwnProperty(const Array& array, APMPArguments args, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 1, error)) return undefined();
  const auto key = args[0]->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  if (key == u"length") return APMPBoolean(true);
  const bool has = array->hasProperty(*args[0], error);
  return APMPFailed(error) ? undefined() : APMPValueRef(APMPBoolean(has));
}

APMPValueRef indexOf(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  const double n = static_cast<double>(array->count());
  double start = 0;
  if (args.size() > 1 && !integerOf(args[1], start, error)) return undefined();
  if (start >= n) return number(scope, -1);
  if (start < 0) start = std::max(start + n, 0.0);
  const APMPRuntimeValue& search = args.empty() ? *APMPUndefined() : *args[0];
  const auto found = array->indexOfValue(search, static_cast<std::int64_t>(start), error);
  return APMPFailed(error) ? undefined() : number(scope, static_cast<double>(found));
}

APMPValueRef lastIndexOf(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  const double n = static_cast<double>(array->count());
  double start = n - 1;
  if (args.size() > 1) {
    const double value = args[1]->doubleValueOrError(error);
    if (APMPFailed(error)) return undefined();
    if (!std::isnan(value)) start = APMPToInteger(value);
  }
  if (start < 0) start += n;
  if (start < 0) return number(scope, -1);
  start = std::min(start, n - 1);
  const APMPRuntimeValue& search = args.empty() ? *APMPUndefined() : *args[0];
  const auto found = array->lastIndexOfValue(search, static_cast<std::int64_t>(start), error);
  return APMPFailed(error) ? undefined() : number(scope, static_cast<double>(found));
}

APMPValueRef join(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 1, error)) return undefined();
  std::u16string separator = u",";
  if (!args.empty()) {
    separator = args[0]->isNothing() ? std::u16string() : args[0]->stringValueOrError(error);
    if (APMPFailed(error)) return undefined();
  }
  if (!APMPScopeHeap(scope).chargeWork(static_cast<std::int64_t>(array->count()), error)) return undefined();
  auto text = array->stringValueWithSeparator(separator, error);
  if (APMPFailed(error)) return undefined();
  return APMPString(APMPScopeHeap(scope), std::move(text), error);
}

APMPValueRef pop(const Array& array, APMPArguments args, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  return array->removeLastElement();
}

APMPValueRef shift(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  (void)scope;
  return array->removeFirstElement(error);
}

APMPValueRef push(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  const auto count = array->appendElements(args, error);
  return APMPFailed(error) ? undefined() : number(scope, static_cast<double>(count));
}

APMPValueRef unshift(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  const auto count = array->prependElements(args, error);
  return APMPFailed(error) ? undefined() : number(scope, static_cast<double>(count));
}

template <bool Right>
APMPValueRef reduce(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMinimumArgumentCount(args, 1, error) || !APMPCheckMaximumArgumentCount(args, 2, error)) {
    return undefined();
  }
  if (args[0]->kind() != APMPKind::Function || (args.size() == 2 && args[1]->kind() == APMPKind::Control)) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return undefined();
  }
  auto& callback = static_cast<APMPFunctionValue&>(*args[0]);
  auto& heap = APMPScopeHeap(scope);
  const auto n = static_cast<std::int64_t>(array->count());
  std::int64_t i = Right ? n - 1 : 0;
  const std::int64_t stepBy = Right ? -1 : 1;
  auto inRange = [&](std::int64_t k) { return k >= 0 && k < n; };
  APMPValueRef accumulator;
  if (args.size() == 2) {
    accumulator = args[1];
  } else {
    for (; inRange(i); i += stepBy) {
      if (!heap.chargeWork(1, error)) return undefined();
      auto index = APMPNumber(heap, static_cast<double>(i));
      if (array->hasProperty(*index, error)) {
        accumulator = array->valueForProperty(*index, error);
        i += stepBy;
        break;
      }
    }
    if (!accumulator) {
      APMPSetError(error, kAPMPErrorReduceOfEmpty);
      return undefined();
    }
  }
  for (; inRange(i); i += stepBy) {
    if (!heap.chargeWork(1, error)) return undefined();
    auto index = APMPNumber(heap, static_cast<double>(i));
    if (!array->hasProperty(*index, error)) continue;
    auto element = array->valueForProperty(*index, error);
    accumulator = callback.invokeWithArguments({accumulator, element, index, array}, scope, error);
    if (APMPFailed(error)) return undefined();
  }
  return accumulator;
}

APMPValueRef reverse(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  (void)scope;
  if (!array->reverse(error)) return undefined();
  return array;
}

// Start and end of "slice" and "splice": negative counts from the end, clamped to [0, n].
double relative(double value, double n) { return value < 0 ? std::max(value + n, 0.0) : std::min(value, n); }

APMPValueRef slice(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 2, error)) return undefined();
  const double n = static_cast<double>(array->count());
  double start = 0, end = n;
  if (!args.empty() && !integerOf(args[0], start, error)) return undefined();
  if (args.size() > 1 && !integerOf(args[1], end, error)) return undefined();
  start = relative(start, n);
  end = std::min(std::max(end < 0 ? end + n : end, start), n);
  (void)scope;
  auto out = array->subarrayWithRange(static_cast<std::int64_t>(start), static_cast<std::int64_t>(end - start), error);
  return out ? APMPValueRef(out) : undefined();
}

APMPValueRef sort(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMaximumArgumentCount(args, 1, error)) return undefined();
  if (array->count() < 2) return array;
  APMPFunctionValue* comparator = nullptr;
  if (!args.empty()) {
    if (args[0]->kind() != APMPKind::Function) {
      APMPSetError(error, kAPMPErrorArgumentType);
      return undefined();
    }
    comparator = static_cast<APMPFunctionValue*>(args[0].get());
  }
  array->sortUsingFunctionValue(comparator, scope, error);
  return APMPFailed(error) ? undefined() : APMPValueRef(array);
}

APMPValueRef splice(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  auto& heap = APMPScopeHeap(scope);
  if (args.empty()) return heap.make<APMPArrayValue>();
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
  if (APMPFailed(error)) return undefined();
  return heap.make<APMPArrayValue>(std::move(removed));
}

APMPValueRef toString(const Array& array, APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 0, error)) return undefined();
  auto text = array->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  return APMPString(APMPScopeHeap(scope), std::move(text), error);
}

}  // namespace

const APMPArrayCommandEvaluator& APMPArrayCommandEvaluator::sharedInstance() {
  static const APMPArrayCommandEvaluator* evaluator = new APMPArrayCommandEvaluator();
  return *evaluator;
}

APMPArrayCommandEvaluator::APMPArrayCommandEvaluator() {
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

APMPValueRef APMPArrayCommandEvaluator::evaluateCommand(const std::u16string& name, const APMPRef<APMPArrayValue>& array,
                                                        const APMPValueList& arguments, APMPScope& scope,
                                                        APMPError& error) const {
  auto it = handlers_.find(name);
  if (it == handlers_.end()) {
    APMPSetError(error, kAPMPErrorUnknownMethod);
    return APMPUndefined();
  }
  return run(it->second, array, arguments, scope, error);
}

APMPArrayCommandEvaluator::Handler APMPArrayCommandEvaluator::handlerNamed(const std::u16string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : it->second;
}

bool APMPArrayCommandEvaluator::isPush(Handler handler) { return handler == &push; }

APMPValueRef APMPArrayCommandEvaluator::run(Handler handler, const APMPRef<APMPArrayValue>& array, const APMPValueList& arguments, APMPScope& scope,
                     APMPError& error) const {
  return APMPWithEvaluatedArguments(arguments, scope, error, [&](APMPArguments values) {
    return handler(array, values, scope, error);
  });
}
