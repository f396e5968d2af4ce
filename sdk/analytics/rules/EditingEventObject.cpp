#include "sdk/analytics/rules/EditingEventObject.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptValueConverter.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;

}  // namespace

// What a script writes into the output event is held until the next event: counted against the
// runtime's memory budget first.
bool EditingEventObject::charge(ScriptHeap& heap, std::size_t bytes, ScriptRuntimeError& error) {
  if (!heap.chargeMemory(bytes, error)) return false;
  context_->addChargedBytes(bytes);
  return true;
}

namespace {

ScriptValueRef parameterValue(const platform::foundation::Value& value, ScriptHeap& heap, ScriptRuntimeError& error) {
  return ScriptValueConverter::runtimeValueFromNSObject(value, heap, error);
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

ScriptValueRef EditingEventObject::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                                     ScriptScope& scope, ScriptRuntimeError& error) {
  const auto* row = std::find_if(std::begin(kEventMethods), std::end(kEventMethods),
                                 [&](const EventMethodRow& r) { return r.name == name; });
  if (row == std::end(kEventMethods)) return ScriptMapValue::applyWithName(name, arguments, scope, error);
  return withEvaluatedArguments(arguments, scope, error, [&](ScriptArguments values) {
    if (!checkArgumentCount(values, row->arguments, error)) return ScriptValueRef(scriptUndefined());
    return run(static_cast<int>(row->method), values, heapOfScope(scope), error);
  });
}

ScriptValueRef EditingEventObject::run(int methodNumber, ScriptArguments values, ScriptHeap& heap, ScriptRuntimeError& error) {
  const auto method = static_cast<EventMethod>(methodNumber);
  auto& event = context_->outputEvent();
  if (method == EventMethod::GetEventName) return scriptString(heap, utf16FromUTF8(event.name), error);
  if (method == EventMethod::GetTimestamp) return scriptNumber(heap, event.timestamp);
  if (method == EventMethod::GetParams) {
    auto map = heap.make<ScriptMapValue>();
    for (const auto& [key, value] : event.parameters) {
      auto converted = parameterValue(value, heap, error);
      if (hasScriptError(error)) return scriptUndefined();
      map->setValueForProperty(converted, utf16FromUTF8(key));
    }
    return map;
  }
  const auto key = values[0]->stringValueOrError(error);
  if (hasScriptError(error)) return scriptUndefined();
  if (method == EventMethod::GetParamValue) return parameterValue(event.parameterForName(utf8FromUTF16(key)), heap, error);
  if (method == EventMethod::SetEventName) {
    if (values[0]->isNothing()) {
      setScriptError(error, kScriptErrorArgumentType);
      return scriptUndefined();
    }
    auto name = utf8FromUTF16(key);
    if (!charge(heap, name.size(), error)) return scriptUndefined();
    event.name = std::move(name);
    return scriptString(heap, key, error);
  }
  std::size_t bytes = 0;
  auto value = ScriptValueConverter::objectFromRuntimeValue(*values[1], error, &bytes);
  if (hasScriptError(error)) return scriptUndefined();
  auto parameter = utf8FromUTF16(key);
  if (!charge(heap, bytes + parameter.size(), error)) return scriptUndefined();
  event.setParameter(value, parameter);
  return values[1];
}

ScriptValueRef RegisterCallbackFunction::invokeWithArguments(const ScriptValueList& arguments,
                                                                          ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(arguments, 3, error)) return scriptUndefined();
  auto values = evaluateArguments(arguments, scope, error);
  if (hasScriptError(error)) return scriptUndefined();
  if (values[1]->kind() != ScriptValueKind::Function || values[2]->kind() != ScriptValueKind::Map) {
    setScriptError(error, kScriptErrorArgumentType);
    return scriptUndefined();
  }
  const auto& options = static_cast<const ScriptMapValue&>(*values[2]);
  if (!options.hasProperty(u"type")) {
    setEditingError(error, kEditingErrorNoType);
    return scriptUndefined();
  }
  const auto type = options.valueForProperty(u"type")->stringValueOrError(error);
  if (hasScriptError(error)) return scriptUndefined();
  std::int64_t priority = 1000;
  if (options.hasProperty(u"priority")) {
    const double number = options.valueForProperty(u"priority")->doubleValueOrError(error);
    if (hasScriptError(error)) return scriptUndefined();
    priority = toInt32(number);
  }
  ScriptRef<ScriptFunctionValue> callback(static_cast<ScriptFunctionValue*>(values[1].get()));
  (void)handler_->registerWithPriority(priority, callback, type, error);
  return scriptUndefined();
}

ScriptValueRef CreatedEventLogger::invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(arguments, 3, error)) return scriptUndefined();
  auto values = evaluateArguments(arguments, scope, error);
  if (hasScriptError(error)) return scriptUndefined();
  const auto name = values[0]->stringValueOrError(error);
  if (hasScriptError(error)) return scriptUndefined();
  const double time = values[1]->doubleValueOrError(error);
  if (hasScriptError(error)) return scriptUndefined();
  if (values[2]->kind() != ScriptValueKind::Map) {
    setScriptError(error, kScriptErrorArgumentType);
    return scriptUndefined();
  }
  std::size_t bytes = 0;
  auto parameters =
      ScriptValueConverter::dictionaryFromMapValue(static_cast<const ScriptMapValue&>(*values[2]), error, &bytes);
  if (hasScriptError(error)) return scriptUndefined();
  if (context_->eventsToLog().size() >= kMaxCreatedEvents) {
    ++*dropped_;
    return scriptUndefined();
  }
  auto eventName = utf8FromUTF16(name);
  auto& heap = heapOfScope(scope);
  const auto eventBytes = sizeof(EditingEvent) + eventName.size() + bytes;
  if (!heap.chargeMemory(eventBytes, error)) return scriptUndefined();
  context_->addChargedBytes(eventBytes);
  context_->logEventWithName(std::move(eventName), static_cast<double>(toInt64Clamped(time)),
                             std::move(parameters));
  return scriptUndefined();
}

}  // namespace sdk::analytics

