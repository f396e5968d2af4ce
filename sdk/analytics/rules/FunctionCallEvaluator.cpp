#include "sdk/analytics/rules/FunctionCallEvaluator.h"

#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptScope.h"

namespace sdk::analytics {

ErrorOr<ScriptValueRef> FunctionCallEvaluator::evaluateCommand(const std::u16string& opcode, const ScriptValueList& arguments,
                                                    ScriptScope& scope) const {
  auto* binding = scope.valueForName(opcode);
  if (binding->kind() != ScriptValueKind::Function) return ScriptValueRef(scriptUndefined());
  ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(binding));
  return function->invokeWithArguments(arguments, scope);
}

}  // namespace sdk::analytics
