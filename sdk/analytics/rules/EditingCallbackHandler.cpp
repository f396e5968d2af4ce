#include "sdk/analytics/rules/EditingCallbackHandler.h"

#include <algorithm>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/EditingEventObject.h"

namespace sdk::analytics {

ScriptRuntimeError editingError(std::int64_t code) { return ScriptRuntimeError{kEditingErrorDomain, code, {}}; }

ErrorOr<void> EditingCallbackHandler::registerWithPriority(std::int64_t priority,
                                                           const ScriptRef<ScriptFunctionValue>& callback,
                                                           const std::u16string& ruleType) {
  if (sortedEditPriorities_.size() + sortedCreatePriorities_.size() >= kMaxCallbacks) {
    return editingError(kEditingErrorTooManyCallbacks);
  }
  if (ruleType == u"create") {
    addCallback(callback, createCallbackMap_, sortedCreatePriorities_, priority);
  } else if (ruleType == u"edit") {
    addCallback(callback, editCallbackMap_, sortedEditPriorities_, priority);
  } else {
    return editingError(kEditingErrorUnknownType);
  }
  return {};
}

void EditingCallbackHandler::addCallback(const ScriptRef<ScriptFunctionValue>& callback, CallbackMap& map,
                                             std::vector<std::int64_t>& keys, std::int64_t priority) {
  if (map.count(priority)) priority = keys.back() + 1;
  map[priority] = callback;
  keys.push_back(priority);
  std::sort(keys.begin(), keys.end());
}

void EditingCallbackHandler::clear() {
  editCallbackMap_.clear();
  createCallbackMap_.clear();
  sortedEditPriorities_.clear();
  sortedCreatePriorities_.clear();
}

ErrorOr<std::int32_t> EditingCallbackHandler::invokeCallbackWithScope(ScriptScope& scope, ScriptFunctionValue& callback,
                                                                      const ScriptValueRef& eventHandler) {
  auto result = TRY(callback.invokeWithArguments({eventHandler}, scope));
  if (result->kind() != ScriptValueKind::Number) return -1;
  return toInt32(static_cast<const ScriptNumberValue&>(*result).value());
}

ErrorOr<void> EditingCallbackHandler::triggerCallbacksWithScope(ScriptScope& scope,
                                                                const std::shared_ptr<EditingEventContext>& context) {
  auto& heap = heapOfScope(scope);
  ScriptValueRef eventObject = heap.make<EditingEventObject>(context);
  for (auto priority : std::vector<std::int64_t>(sortedEditPriorities_)) {
    // The copy kept for undoing the callback's edits holds what the scripts added once more.
    const auto added = context->chargedBytes();
    ScriptMemoryCharge copy(heap, added);
    TRY(copy.status());
    TRY(heap.chargeUnits(added + context->outputEvent().parameters.size() * 16));
    const EditingEvent before = context->outputEvent();
    ScriptRef<ScriptFunctionValue> callback = editCallbackMap_[priority];
    const auto outcome = invokeCallbackWithScope(scope, *callback, eventObject);
    if (!outcome.ok()) {
      context->setOutputEvent(before);
      return outcome.error();
    }
    // A result of 2, or one that is not a number, drops the callback's edits.
    if (*outcome == 2 || *outcome == -1) context->setOutputEvent(before);
  }
  for (auto priority : std::vector<std::int64_t>(sortedCreatePriorities_)) {
    ScriptRef<ScriptFunctionValue> callback = createCallbackMap_[priority];
    TRY(invokeCallbackWithScope(scope, *callback, eventObject));
  }
  return {};
}

}  // namespace sdk::analytics

