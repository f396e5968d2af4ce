#include "sdk/analytics/rules/APMPEventNativeFunctions.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPRuntimeEntityConverter.h"
#include "sdk/analytics/rules/APMPText.h"

namespace {

using List = APMPValueList;

}  // namespace

// What a script writes into the output event is held until the next event: counted against the
// runtime's memory budget first.
bool APMPEventNativeFunctions::charge(APMPHeap& heap, std::size_t bytes, APMPError& error) {
  if (!heap.chargeMemory(bytes, error)) return false;
  context_->addChargedBytes(bytes);
  return true;
}

namespace {

APMPValueRef parameterValue(const platform::foundation::Value& value, APMPHeap& heap, APMPError& error) {
  return APMPRuntimeEntityConverter::runtimeValueFromNSObject(value, heap, error);
}

}  // namespace

namespace {

enum class EventMethod { GetEventName, GetParamValue, GetParams, GetTimestamp, SetEventName, SetParamValue };
struct EventMethodRow {
  std::u16string_view name;
  EventMethod method;
  std::size_t arguments;
};
constexpr EventMethodRow kEventMethods[] = {
    {u"getEventName", EventMethod::GetEventName, 0}, {u"getParamValue", EventMethod::GetParamValue, 1},
    {u"getParams", EventMethod::GetParams, 0},       {u"getTimestamp", EventMethod::GetTimestamp, 0},
    {u"setEventName", EventMethod::SetEventName, 1}, {u"setParamValue", EventMethod::SetParamValue, 2},
};

}  // namespace

APMPValueRef APMPEventNativeFunctions::applyWithName(const std::u16string& name, const APMPValueList& arguments,
                                                     APMPScope& scope, APMPError& error) {
  const auto* row = std::find_if(std::begin(kEventMethods), std::end(kEventMethods),
                                 [&](const EventMethodRow& r) { return r.name == name; });
  if (row == std::end(kEventMethods)) return APMPMapValue::applyWithName(name, arguments, scope, error);
  return APMPWithEvaluatedArguments(arguments, scope, error, [&](APMPArguments values) {
    if (!APMPCheckArgumentCount(values, row->arguments, error)) return APMPValueRef(APMPUndefined());
    return run(static_cast<int>(row->method), values, APMPScopeHeap(scope), error);
  });
}

APMPValueRef APMPEventNativeFunctions::run(int methodNumber, APMPArguments values, APMPHeap& heap, APMPError& error) {
  const auto method = static_cast<EventMethod>(methodNumber);
  auto& event = context_->outputEvent();
  if (method == EventMethod::GetEventName) return APMPString(heap, APMPFromUTF8(event.name), error);
  if (method == EventMethod::GetTimestamp) return APMPNumber(heap, event.timestamp);
  if (method == EventMethod::GetParams) {
    auto map = heap.make<APMPMapValue>();
    for (const auto& [key, value] : event.parameters) {
      auto converted = parameterValue(value, heap, error);
      if (APMPFailed(error)) return APMPUndefined();
      map->setValueForProperty(converted, APMPFromUTF8(key));
    }
    return map;
  }
  const auto key = values[0]->stringValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  if (method == EventMethod::GetParamValue) return parameterValue(event.parameterForName(APMPToUTF8(key)), heap, error);
  if (method == EventMethod::SetEventName) {
    if (values[0]->isNothing()) {
      APMPSetError(error, kAPMPErrorArgumentType);
      return APMPUndefined();
    }
    auto name = APMPToUTF8(key);
    if (!charge(heap, name.size(), error)) return APMPUndefined();
    event.name = std::move(name);
    return APMPString(heap, key, error);
  }
  std::size_t bytes = 0;
  auto value = APMPRuntimeEntityConverter::objectFromRuntimeValue(*values[1], error, &bytes);
  if (APMPFailed(error)) return APMPUndefined();
  auto parameter = APMPToUTF8(key);
  if (!charge(heap, bytes + parameter.size(), error)) return APMPUndefined();
  event.setParameter(value, parameter);
  return values[1];
}

APMPValueRef APMPRegisterCallbackNativeFunctionValue::invokeWithArguments(const APMPValueList& arguments,
                                                                          APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(arguments, 3, error)) return APMPUndefined();
  auto values = APMPEvaluateArguments(arguments, scope, error);
  if (APMPFailed(error)) return APMPUndefined();
  if (values[1]->kind() != APMPKind::Function || values[2]->kind() != APMPKind::Map) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return APMPUndefined();
  }
  const auto& options = static_cast<const APMPMapValue&>(*values[2]);
  if (!options.hasProperty(u"type")) {
    APMPSetEditingError(error, kAPMPEditingErrorNoType);
    return APMPUndefined();
  }
  const auto type = options.valueForProperty(u"type")->stringValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  std::int64_t priority = 1000;
  if (options.hasProperty(u"priority")) {
    const double number = options.valueForProperty(u"priority")->doubleValueOrError(error);
    if (APMPFailed(error)) return APMPUndefined();
    priority = APMPToInt32(number);
  }
  APMPRef<APMPFunctionValue> callback(static_cast<APMPFunctionValue*>(values[1].get()));
  (void)handler_->registerWithPriority(priority, callback, type, error);
  return APMPUndefined();
}

APMPValueRef APMPEventLogger::invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(arguments, 3, error)) return APMPUndefined();
  auto values = APMPEvaluateArguments(arguments, scope, error);
  if (APMPFailed(error)) return APMPUndefined();
  const auto name = values[0]->stringValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  const double time = values[1]->doubleValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  if (values[2]->kind() != APMPKind::Map) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return APMPUndefined();
  }
  std::size_t bytes = 0;
  auto parameters =
      APMPRuntimeEntityConverter::dictionaryFromMapValue(static_cast<const APMPMapValue&>(*values[2]), error, &bytes);
  if (APMPFailed(error)) return APMPUndefined();
  if (context_->eventsToLog().size() >= kMaxCreatedEvents) {
    ++*dropped_;
    return APMPUndefined();
  }
  auto eventName = APMPToUTF8(name);
  auto& heap = APMPScopeHeap(scope);
  const auto eventBytes = sizeof(APMPEvent) + eventName.size() + bytes;
  if (!heap.chargeMemory(eventBytes, error)) return APMPUndefined();
  context_->addChargedBytes(eventBytes);
  context_->logEventWithName(std::move(eventName), static_cast<double>(APMPToInt64Clamped(time)),
                             std::move(parameters));
  return APMPUndefined();
}
