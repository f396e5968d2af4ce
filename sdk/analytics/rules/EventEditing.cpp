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

ErrorOr<void> EventEditing::loadProgram(const ProtoProgram& program) {
  auto loaded = load(program);
  // Collected once, whether loading finished or failed: a collection after every rule would make
  // loading a program of many rules quadratic in what they keep.
  runtime_.collectGarbage();
  return loaded;
}

// The program's messages are read in place: a configuration's program is never copied to load it.
ErrorOr<void> EventEditing::load(const ProtoProgram& program) {
  ScriptValueRef result = scriptUndefined();
  for (const auto& statement : nanoMessagesIn<ProtoRuntimeEntity>(program, 0)) {
    result = TRY(runtime_.executeStatement(statement));
  }
  if (result->kind() == ScriptValueKind::Control) return editingError(kEditingErrorControlValue);
  const auto* activities = nanoMessageIn<ProtoProgramRules>(program, 1);
  if (!activities) return {};
  for (const auto& activity : nanoMessagesIn<ProtoProgramRule>(*activities, 0)) {
    const auto* text = nanoStringIn(activity, 0);
    const auto name = utf16FromUTF8(text ? *text : std::string());
    for (const auto& statement : nanoMessagesIn<ProtoRuntimeEntity>(activity, 1)) {
      auto options = TRY(runtime_.executeStatement(statement));
      if (options->kind() != ScriptValueKind::Map) return editingError(kEditingErrorOptionsNotMap);
      auto scope = runtime_.getRunScope();
      auto* rule = scope->valueForName(name);
      if (rule->kind() != ScriptValueKind::Function) return editingError(kEditingErrorNotFunction);
      ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(rule));
      TRY(function->invokeWithArguments({options}, *scope));
    }
  }
  return {};
}

ErrorOr<bool> EventEditing::handleEvent(const EditingEvent& event) {
  runtime_.heap().refundMemory(context_->takeChargedBytes());
  context_->setInputEvent(event);
  *droppedEvents_ = 0;
  runtime_.resetInstructionCount();
  ErrorOr<void> triggered;
  {
    auto scope = runtime_.getRunScope();
    triggered = handler_->triggerCallbacksWithScope(*scope, context_);
  }
  runtime_.collectGarbage();
  if (*droppedEvents_ > 0) {
    if (auto monitor = host_ ? host_->monitor() : nullptr) {
      monitor->logWithLevel(LogLevel::kWarning, kSurplusEventsCode, "Event editing created too many events. Event name, dropped",
                            event.name, *droppedEvents_);
    }
  }
  TRY(std::move(triggered));
  return hasEdits() || hasCreatedEvents();
}

}  // namespace sdk::analytics

