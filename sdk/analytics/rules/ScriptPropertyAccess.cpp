#include "sdk/analytics/rules/ScriptPropertyAccess.h"

#include <cmath>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptMapValue.h"

namespace sdk::analytics {

ScriptValueRef readScriptProperty(const ScriptValueRef& object, const ScriptValue& key, ScriptScope& scope,
                              ScriptRuntimeError& error) {
  switch (object->kind()) {
    case ScriptValueKind::Array:
      return static_cast<const ScriptArrayValue&>(*object).valueForProperty(key, error);
    case ScriptValueKind::Map:
    case ScriptValueKind::Function: {
      const auto name = key.stringValueOrError(error);
      if (hasScriptError(error)) return scriptUndefined();
      if (object->kind() == ScriptValueKind::Map) return static_cast<const ScriptMapValue&>(*object).valueForProperty(name);
      return static_cast<const ScriptFunctionValue&>(*object).valueForProperty(name);
    }
    case ScriptValueKind::String: {
      const auto& text = static_cast<const ScriptStringValue&>(*object).value();
      const auto name = key.stringValueOrError(error);
      if (hasScriptError(error)) return scriptUndefined();
      if (name == u"length") return scriptNumber(heapOfScope(scope), static_cast<double>(text.size()));
      if (!isArrayIndex(key)) return scriptUndefined();
      const double index = std::trunc(key.doubleValueOrError(error));
      if (index >= static_cast<double>(text.size())) return scriptUndefined();
      return shortScriptString(heapOfScope(scope), std::u16string(1, text[static_cast<std::size_t>(index)]));
    }
    default:
      return scriptUndefined();
  }
}

void writeScriptProperty(const ScriptValueRef& object, const ScriptValue& key, const ScriptValueRef& value,
                       ScriptRuntimeError& error) {
  switch (object->kind()) {
    case ScriptValueKind::Undefined:
    case ScriptValueKind::Null:
      setScriptError(error, kScriptErrorPropertyOfNothing);
      return;
    case ScriptValueKind::Array:
      static_cast<ScriptArrayValue&>(*object).setValueForProperty(value, key, error);
      return;
    case ScriptValueKind::Map:
    case ScriptValueKind::Function: {
      const auto name = key.stringValueOrError(error);
      if (hasScriptError(error)) return;
      if (object->kind() == ScriptValueKind::Map) static_cast<ScriptMapValue&>(*object).setValueForProperty(value, name);
      else static_cast<ScriptFunctionValue&>(*object).setValueForProperty(value, name);
      return;
    }
    default:
      return;
  }
}

}  // namespace sdk::analytics

