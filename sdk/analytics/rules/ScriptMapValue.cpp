#include "sdk/analytics/rules/ScriptMapValue.h"

#include <limits>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

ErrorOr<double> ScriptMapValue::doubleValueOrError(int) const { return std::numeric_limits<double>::quiet_NaN(); }

ScriptValueRef ScriptMapValue::valueForProperty(const std::u16string& name) const {
  auto* value = properties_.valueForName(name);
  return value ? ScriptValueRef(value) : ScriptValueRef(scriptUndefined());
}

ErrorOr<ScriptValueRef> ScriptMapValue::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                                      ScriptScope& scope) {
  return applyObjectMethod(*this, properties_, name, arguments, scope);
}

bool ScriptMapValue::isEqualToRuntimeValue(const ScriptValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != ScriptValueKind::Map) return false;
  const auto& o = static_cast<const ScriptMapValue&>(other);
  if (o.properties_.count() != properties_.count() || depth >= heap()->limits().conversionDepth) return false;
  bool equal = true;
  properties_.forEachEntry([&](const std::u16string& name, const ScriptValueRef& value) {
    if (!equal) return;
    auto* theirs = o.properties_.valueForName(name);
    equal = theirs && value->isEqualToRuntimeValue(*theirs, depth + 1);
  });
  return equal;
}

void ScriptMapValue::visitChildren(ChildVisitor visit, void* context) {
  properties_.forEachValue([&](ScriptValue* value) { visit(value, context); });
}

ErrorOr<ScriptValueRef> applyObjectMethod(ScriptValue& receiver, const ScriptPropertyMap& properties,
                                          const std::u16string& name, const ScriptValueList& arguments,
                                          ScriptScope& scope) {
  if (auto* property = properties.valueForName(name)) {
    if (property->kind() != ScriptValueKind::Function) return scriptError(kScriptErrorUnknownMethod);
    ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(property));
    return function->invokeWithArguments(arguments, scope);
  }
  if (name == u"hasOwnProperty") {
    auto values = TRY(evaluateArguments(arguments, scope));
    TRY(checkArgumentCount(values, 1));
    const auto key = TRY(values[0]->stringValueOrError());
    return ScriptValueRef(scriptBoolean(properties.hasName(key)));
  }
  return receiver.ScriptValue::applyWithName(name, arguments, scope);
}

}  // namespace sdk::analytics

