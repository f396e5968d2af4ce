#include "sdk/analytics/rules/APMPEventEditing.h"

#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/rules/APMPEventNativeFunctions.h"
#include "sdk/analytics/rules/APMPRuntimeEntityConverter.h"
#include "sdk/analytics/rules/APMPText.h"

APMPEventEditing::APMPEventEditing(std::shared_ptr<const sdk::analytics::MeasurementHost> host,
                                   const APMPLimits& limits)
    : host_(std::move(host)), runtime_(limits) {
  auto handler = handler_;
  runtime_.setModuleCreator(
      [handler](APMPHeap& heap) { return APMPValueRef(heap.make<APMPRegisterCallbackNativeFunctionValue>(handler)); },
      u"internal.registerCallback");
  auto context = context_;
  auto dropped = droppedEvents_;
  runtime_.setModuleCreator(
      [context, dropped](APMPHeap& heap) { return APMPValueRef(heap.make<APMPEventLogger>(context, dropped)); },
      u"internal.eventLogger");
}

bool APMPEventEditing::loadProgram(const APMPBProgram& program, APMPError& error) {
  auto result = runtime_.executeStatements(APMNanoGetMessageArray<APMPBRuntimeEntity>(program, 0), error);
  if (APMPFailed(error)) return false;
  if (result->kind() == APMPKind::Control) {
    APMPSetEditingError(error, kAPMPEditingErrorControlValue);
    return false;
  }
  auto activities = APMNanoGetMessage<APMPBOgtActivities>(program, 1);
  if (!activities) return true;
  for (const auto& activity : APMNanoGetMessageArray<APMPBOgtActivity>(*activities, 0)) {
    const auto name = APMPFromUTF8(APMNanoGetString(*activity, 0).value_or(""));
    for (const auto& statement : APMNanoGetMessageArray<APMPBRuntimeEntity>(*activity, 1)) {
      auto options = runtime_.executeStatements({statement}, error);
      if (APMPFailed(error)) return false;
      if (options->kind() != APMPKind::Map) {
        APMPSetEditingError(error, kAPMPEditingErrorOptionsNotMap);
        return false;
      }
      auto scope = runtime_.getRunScope();
      auto* rule = scope->valueForName(name);
      if (rule->kind() != APMPKind::Function) {
        APMPSetEditingError(error, kAPMPEditingErrorNotFunction);
        return false;
      }
      APMPRef<APMPFunctionValue> function(static_cast<APMPFunctionValue*>(rule));
      function->invokeWithArguments({options}, *scope, error);
      if (APMPFailed(error)) return false;
    }
  }
  runtime_.collectGarbage();
  return true;
}

bool APMPEventEditing::handleEvent(const APMPEvent& event, APMPError& error) {
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
      monitor->logWithLevel(1, kSurplusEventsCode, "Event editing created too many events. Event name, dropped",
                            event.name, *droppedEvents_);
    }
  }
  if (APMPFailed(error)) return false;
  return hasEdits() || hasCreatedEvents();
}
