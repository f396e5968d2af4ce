#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "sdk/analytics/rules/APMPEvent.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"

inline constexpr const char* kAPMPEditingErrorDomain = "com.vadeze.vmp.measurement.pixie.editing.ErrorDomain";

enum APMPEditingErrorCode : std::int64_t {
  kAPMPEditingErrorNoType = 2,
  kAPMPEditingErrorUnknownType = 3,
  kAPMPEditingErrorTooManyCallbacks = 4,
  kAPMPEditingErrorControlValue = 5,
  kAPMPEditingErrorOptionsNotMap = 6,
  kAPMPEditingErrorNotFunction = 7,
};

void APMPSetEditingError(APMPError& error, std::int64_t code);

// The registered "edit" and "create" callbacks by priority. Priorities are kept in 64 bits, so a
// taken priority's "largest + 1" never wraps around to run first.
class APMPEditingCallbackHandler {
 public:
  static constexpr std::size_t kMaxCallbacks = 1000;

  bool registerWithPriority(std::int64_t priority, const APMPRef<APMPFunctionValue>& callback,
                            const std::u16string& ruleType, APMPError& error);
  void triggerCallbacksWithScope(APMPScope& scope, const std::shared_ptr<APMPEventContext>& context, APMPError& error);
  // 2 on error, -1 for a result that is not a number value, else its number as a 32-bit integer.
  static std::int32_t invokeCallbackWithScope(APMPScope& scope, APMPFunctionValue& callback,
                                              const APMPValueRef& eventHandler, APMPError& error);

  // Drops every callback, so the runtime can free them with the scopes they closed over.
  void clear();

  const std::vector<std::int64_t>& sortedEditPriorities() const { return sortedEditPriorities_; }
  const std::vector<std::int64_t>& sortedCreatePriorities() const { return sortedCreatePriorities_; }

 private:
  using CallbackMap = std::map<std::int64_t, APMPRef<APMPFunctionValue>>;
  static void addCallback(const APMPRef<APMPFunctionValue>& callback, CallbackMap& map,
                          std::vector<std::int64_t>& keys, std::int64_t priority);

  CallbackMap editCallbackMap_;
  CallbackMap createCallbackMap_;
  std::vector<std::int64_t> sortedEditPriorities_;
  std::vector<std::int64_t> sortedCreatePriorities_;
};
