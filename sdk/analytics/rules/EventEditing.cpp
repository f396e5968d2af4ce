#include "sdk/analytics/rules/EventEditing.h"

#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/rules/EditingEventObject.h"
#include "sdk/analytics/rules/ScriptValueConverter.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

EventEditing::EventEditing(std::shared_ptr<const sdk::analytics::MeasurementHost> host,
                                   const ScriptLimits& limits)
    : host_(std::move(host)), runtime_(limits) {
  auto handler = handler_;
  runtime_.setModuleCreator(
      [handler](ScriptHeap& heap) { return ScriptValueRef(heap.make<RegisterCallbackFunction>(handler)); },
      u"internal.registerCallback");
  auto context = context_;
  auto dropped = droppedEvents_;
  runtime_.setModuleCreator(
      [context, dropped](ScriptHeap& heap) { return ScriptValueRef(heap.make<CreatedEventLogger>(context, dropped)); },
      u"internal.eventLogger");
}

bool EventEditing::loadProgram(const ProtoProgram& program, ScriptRuntimeError& error) {
  auto result = runtime_.executeStatements(nanoGetMessageArray<ProtoRuntimeEntity>(program, 0), error);
  if (hasScriptError(error)) return false;
  if (result->kind() == ScriptValueKind::Control) {
    setEditingError(error, kEditingErrorControlValue);
    return false;
  }
  auto activities = nanoGetMessage<ProtoProgramRules>(program, 1);
  if (!activities) return true;
  for (const auto& activity : nanoGetMessageArray<ProtoProgramRule>(*activities, 0)) {
    const auto name = utf16FromUTF8(nanoGetString(*activity, 0).value_or(""));
    for (const auto& statement : nanoGetMessageArray<ProtoRuntimeEntity>(*activity, 1)) {
      auto options = runtime_.executeStatements({statement}, error);
      if (hasScriptError(error)) return false;
      if (options->kind() != ScriptValueKind::Map) {
        setEditingError(error, kEditingErrorOptionsNotMap);
        return false;
      }
      auto scope = runtime_.getRunScope();
      auto* rule = scope->valueForName(name);
      if (rule->kind() != ScriptValueKind::Function) {
        setEditingError(error, kEditingErrorNotFunction);
        return false;
      }
      ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(rule));
      function->invokeWithArguments({options}, *scope, error);
      if (hasScriptError(error)) return false;
    }
  }
  runtime_.collectGarbage();
  return true;
}

bool EventEditing::handleEvent(const EditingEvent& event, ScriptRuntimeError& error) {
  runtime_.heap().refundMemory(context_->takeChargedBytes());
  context_->setInputEvent(event);
  *droppedEvents_ = 0;
  runtime_.resetInstructionCount();
  {
    auto scope = runtime_.getRunScope();
    handler_->triggerCallbacksWithScope(*scope, context_, error);
  }
  runtime_.collectGarbage();
  if (*droppedEvents_ > 0) {
    if (auto monitor = host_ ? host_->monitor() : nullptr) {
      monitor->logWithLevel(LogLevel::kMonitoredError, kSurplusEventsCode, "Event editing created too many events. Event name, dropped",
                            event.name, *droppedEvents_);
    }
  }
  if (hasScriptError(error)) return false;
  return hasEdits() || hasCreatedEvents();
}

}  // namespace sdk::analytics

