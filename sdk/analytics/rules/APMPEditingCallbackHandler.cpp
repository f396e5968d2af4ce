#include "sdk/analytics/rules/APMPEditingCallbackHandler.h"

#include <algorithm>

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPEventNativeFunctions.h"

void APMPSetEditingError(APMPError& error, std::int64_t code) {
  if (APMPFailed(error)) return;
  error.domain = kAPMPEditingErrorDomain;
  error.code = code;
}

bool APMPEditingCallbackHandler::registerWithPriority(std::int64_t priority, const APMPRef<APMPFunctionValue>& callback,
                                                      const std::u16string& ruleType, APMPError& error) {
  if (sortedEditPriorities_.size() + sortedCreatePriorities_.size() >= kMaxCallbacks) {
    APMPSetEditingError(error, kAPMPEditingErrorTooManyCallbacks);
    return false;
  }
  if (ruleType == u"create") {
    addCallback(callback, createCallbackMap_, sortedCreatePriorities_, priority);
  } else if (ruleType == u"edit") {
    addCallback(callback, editCallbackMap_, sortedEditPriorities_, priority);
  } else {
    APMPSetEditingError(error, kAPMPEditingErrorUnknownType);
    return false;
  }
  return true;
}

void APMPEditingCallbackHandler::addCallback(const APMPRef<APMPFunctionValue>& callback, CallbackMap& map,
                                             std::vector<std::int64_t>& keys, std::int64_t priority) {
  if (map.count(priority)) priority = keys.back() + 1;
  map[priority] = callback;
  keys.push_back(priority);
  std::sort(keys.begin(), keys.end());
}

void APMPEditingCallbackHandler::clear() {
  editCallbackMap_.clear();
  createCallbackMap_.clear();
  sortedEditPriorities_.clear();
  sortedCreatePriorities_.clear();
}

std::int32_t APMPEditingCallbackHandler::invokeCallbackWithScope(APMPScope& scope, APMPFunctionValue& callback,
                                                                 const APMPValueRef& eventHandler, APMPError& error) {
  auto result = callback.invokeWithArguments({eventHandler}, scope, error);
  if (APMPFailed(error)) return 2;
  if (result->kind() != APMPKind::Number) return -1;
  return APMPToInt32(static_cast<const APMPNumberValue&>(*result).value());
}

void APMPEditingCallbackHandler::triggerCallbacksWithScope(APMPScope& scope,
                                                           const std::shared_ptr<APMPEventContext>& context,
                                                           APMPError& error) {
  auto& heap = APMPScopeHeap(scope);
  APMPValueRef eventObject = heap.make<APMPEventNativeFunctions>(context);
  for (auto priority : std::vector<std::int64_t>(sortedEditPriorities_)) {
    // The copy kept for undoing the callback's edits holds what the scripts added once more.
    const auto added = context->chargedBytes();
    APMPMemoryCharge copy(heap, added, error);
    if (!copy.charged() || !heap.chargeUnits(added + context->outputEvent().parameters.size() * 16, error)) return;
    const APMPEvent before = context->outputEvent();
    APMPRef<APMPFunctionValue> callback = editCallbackMap_[priority];
    const auto outcome = invokeCallbackWithScope(scope, *callback, eventObject, error);
    if (APMPFailed(error)) {
      context->setOutputEvent(before);
      return;
    }
    if (outcome == 2 || outcome == -1) context->setOutputEvent(before);
  }
  for (auto priority : std::vector<std::int64_t>(sortedCreatePriorities_)) {
    APMPRef<APMPFunctionValue> callback = createCallbackMap_[priority];
    invokeCallbackWithScope(scope, *callback, eventObject, error);
    if (APMPFailed(error)) return;
  }
}
