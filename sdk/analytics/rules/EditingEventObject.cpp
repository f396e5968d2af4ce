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
ErrorOr<void> EditingEventObject::charge(ScriptHeap& heap, std::size_t bytes) {
  TRY(heap.chargeMemory(bytes));
  context_->addChargedBytes(bytes);
  return {};
}

namespace {

ErrorOr<ScriptValueRef> parameterValue(const platform::foundation::Value& value, ScriptHeap& heap) {
  return ScriptValueConverter::runtimeValueFromNSObject(value, heap);
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

ErrorOr<ScriptValueRef> EditingEventObject::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                                          ScriptScope& scope) {
  const auto* row = std::find_if(std::begin(kEventMethods), std::end(kEventMethods),
                                 [&](const EventMethodRow& r) { return r.name == name; });
  if (row == std::end(kEventMethods)) return ScriptMapValue::applyWithName(name, arguments, scope);
  return withEvaluatedArguments(arguments, scope, [&](ScriptArguments values) -> ErrorOr<ScriptValueRef> {
    TRY(checkArgumentCount(values, row->arguments));
    return run(static_cast<int>(row->method), values, heapOfScope(scope));
  });
}

ErrorOr<ScriptValueRef> EditingEventObject::run(int methodNumber, ScriptArguments values, ScriptHeap& heap) {
  const auto method = static_cast<EventMethod>(methodNumber);
  auto& event = context_->outputEvent();
  if (method == EventMethod::GetEventName) return scriptString(heap, utf16FromUTF8(event.name));
  if (method == EventMethod::GetTimestamp) return scriptNumber(heap, event.timestamp);
  if (method == EventMethod::GetParams) {
    auto map = heap.make<ScriptMapValue>();
    for (const auto& [key, value] : event.parameters) {
      map->setValueForProperty(TRY(parameterValue(value, heap)), utf16FromUTF8(key));
    }
    return ScriptValueRef(map);
  }
  const auto key = TRY(values[0]->stringValueOrError());
  if (method == EventMethod::GetParamValue) return parameterValue(event.parameterForName(utf8FromUTF16(key)), heap);
  if (method == EventMethod::SetEventName) {
    if (values[0]->isNothing()) return scriptError(kScriptErrorArgumentType);
    auto name = utf8FromUTF16(key);
    TRY(charge(heap, name.size()));
    event.name = std::move(name);
    return scriptString(heap, key);
  }
  std::size_t bytes = 0;
  auto value = TRY(ScriptValueConverter::objectFromRuntimeValue(*values[1], &bytes));
  auto parameter = utf8FromUTF16(key);
  TRY(charge(heap, bytes + parameter.size()));
  event.setParameter(value, parameter);
  return values[1];
}

ErrorOr<ScriptValueRef> RegisterCallbackFunction::invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) {
  TRY(checkArgumentCount(arguments, 3));
  auto values = TRY(evaluateArguments(arguments, scope));
  if (values[1]->kind() != ScriptValueKind::Function || values[2]->kind() != ScriptValueKind::Map) {
    return scriptError(kScriptErrorArgumentType);
  }
  const auto& options = static_cast<const ScriptMapValue&>(*values[2]);
  if (!options.hasProperty(u"type")) return editingError(kEditingErrorNoType);
  const auto type = TRY(options.valueForProperty(u"type")->stringValueOrError());
  std::int64_t priority = 1000;
  if (options.hasProperty(u"priority")) priority = toInt32(TRY(options.valueForProperty(u"priority")->doubleValueOrError()));
  ScriptRef<ScriptFunctionValue> callback(static_cast<ScriptFunctionValue*>(values[1].get()));
  TRY(handler_->registerWithPriority(priority, callback, type));
  return ScriptValueRef(scriptUndefined());
}

ErrorOr<ScriptValueRef> CreatedEventLogger::invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) {
  TRY(checkArgumentCount(arguments, 3));
  auto values = TRY(evaluateArguments(arguments, scope));
  const auto name = TRY(values[0]->stringValueOrError());
  const double time = TRY(values[1]->doubleValueOrError());
  if (values[2]->kind() != ScriptValueKind::Map) return scriptError(kScriptErrorArgumentType);
  std::size_t bytes = 0;
  auto parameters =
      TRY(ScriptValueConverter::dictionaryFromMapValue(static_cast<const ScriptMapValue&>(*values[2]), &bytes));
  if (context_->eventsToLog().size() >= kMaxCreatedEvents) {
    ++*dropped_;
    return ScriptValueRef(scriptUndefined());
  }
  auto eventName = utf8FromUTF16(name);
  auto& heap = heapOfScope(scope);
  const auto eventBytes = sizeof(EditingEvent) + eventName.size() + bytes;
  TRY(heap.chargeMemory(eventBytes));
  context_->addChargedBytes(eventBytes);
  context_->logEventWithName(std::move(eventName), static_cast<double>(toInt64Clamped(time)),
                             std::move(parameters));
  return ScriptValueRef(scriptUndefined());
}

}  // namespace sdk::analytics

