#include "sdk/analytics/rules/EditingCallbackHandler.h"

#include <algorithm>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/EditingEventObject.h"

namespace sdk::analytics {

void setEditingError(ScriptRuntimeError& error, std::int64_t code) {
  if (hasScriptError(error)) return;
  error.domain = kEditingErrorDomain;
  error.code = code;
}

bool EditingCallbackHandler::registerWithPriority(std::int64_t priority, const ScriptRef<ScriptFunctionValue>& callback,
                                                      const std::u16string& ruleType, ScriptRuntimeError& error) {
  if (sortedEditPriorities_.size() + sortedCreatePriorities_.size() >= kMaxCallbacks) {
    setEditingError(error, kEditingErrorTooManyCallbacks);
    return false;
  }
  if (ruleType == u"create") {
    addCallback(callback, createCallbackMap_, sortedCreatePriorities_, priority);
  } else if (ruleType == u"edit") {
    addCallback(callback, editCallbackMap_, sortedEditPriorities_, priority);
  } else {
    setEditingError(error, kEditingErrorUnknownType);
    return false;
  }
  return true;
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

std::int32_t EditingCallbackHandler::invokeCallbackWithScope(ScriptScope& scope, ScriptFunctionValue& callback,
                                                                 const ScriptValueRef& eventHandler, ScriptRuntimeError& error) {
  auto result = callback.invokeWithArguments({eventHandler}, scope, error);
  if (hasScriptError(error)) return 2;
  if (result->kind() != ScriptValueKind::Number) return -1;
  return toInt32(static_cast<const ScriptNumberValue&>(*result).value());
}

void EditingCallbackHandler::triggerCallbacksWithScope(ScriptScope& scope,
                                                           const std::shared_ptr<EditingEventContext>& context,
                                                           ScriptRuntimeError& error) {
  auto& heap = heapOfScope(scope);
  ScriptValueRef eventObject = heap.make<EditingEventObject>(context);
  for (auto priority : std::vector<std::int64_t>(sortedEditPriorities_)) {
    // The copy kept for undoing the callback's edits holds what the scripts added once more.
    const auto added = context->chargedBytes();
    ScriptMemoryCharge copy(heap, added, error);
    if (!copy.charged() || !heap.chargeUnits(added + context->outputEvent().parameters.size() * 16, error)) return;
    const EditingEvent before = context->outputEvent();
    ScriptRef<ScriptFunctionValue> callback = editCallbackMap_[priority];
    const auto outcome = invokeCallbackWithScope(scope, *callback, eventObject, error);
    if (hasScriptError(error)) {
      context->setOutputEvent(before);
      return;
    }
    if (outcome == 2 || outcome == -1) context->setOutputEvent(before);
  }
  for (auto priority : std::vector<std::int64_t>(sortedCreatePriorities_)) {
    ScriptRef<ScriptFunctionValue> callback = createCallbackMap_[priority];
    invokeCallbackWithScope(scope, *callback, eventObject, error);
    if (hasScriptError(error)) return;
  }
}

}  // namespace sdk::analytics

