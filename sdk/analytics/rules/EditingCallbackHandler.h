#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "sdk/analytics/rules/EditingEvent.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

inline constexpr const char* kEditingErrorDomain = "com.vadeze.vmp.measurement.pixie.editing.ErrorDomain";

enum EditingErrorCode : std::int64_t {
  kEditingErrorNoType = 2,
  kEditingErrorUnknownType = 3,
  kEditingErrorTooManyCallbacks = 4,
  kEditingErrorControlValue = 5,
  kEditingErrorOptionsNotMap = 6,
  kEditingErrorNotFunction = 7,
};

// An error of event editing with `code`.
ScriptRuntimeError editingError(std::int64_t code);

// The registered "edit" and "create" callbacks by priority. Priorities are kept in 64 bits, so a
// taken priority's "largest + 1" never wraps around to run first.
class EditingCallbackHandler {
 public:
  static constexpr std::size_t kMaxCallbacks = 1000;

  ErrorOr<void> registerWithPriority(std::int64_t priority, const ScriptRef<ScriptFunctionValue>& callback,
                            const std::u16string& ruleType);
  ErrorOr<void> triggerCallbacksWithScope(ScriptScope& scope, const std::shared_ptr<EditingEventContext>& context);
  // -1 for a result that is not a number value, else its number as a 32-bit integer.
  static ErrorOr<std::int32_t> invokeCallbackWithScope(ScriptScope& scope, ScriptFunctionValue& callback,
                                              const ScriptValueRef& eventHandler);

  // Drops every callback, so the runtime can free them with the scopes they closed over.
  void clear();

  const std::vector<std::int64_t>& sortedEditPriorities() const { return sortedEditPriorities_; }
  const std::vector<std::int64_t>& sortedCreatePriorities() const { return sortedCreatePriorities_; }

 private:
  using CallbackMap = std::map<std::int64_t, ScriptRef<ScriptFunctionValue>>;
  static void addCallback(const ScriptRef<ScriptFunctionValue>& callback, CallbackMap& map,
                          std::vector<std::int64_t>& keys, std::int64_t priority);

  CallbackMap editCallbackMap_;
  CallbackMap createCallbackMap_;
  std::vector<std::int64_t> sortedEditPriorities_;
  std::vector<std::int64_t> sortedCreatePriorities_;
};

}  // namespace sdk::analytics

