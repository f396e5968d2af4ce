#include "sdk/analytics/rules/ScriptPropertyAccess.h"

#include <cmath>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptMapValue.h"

namespace sdk::analytics {

ErrorOr<ScriptValueRef> readScriptProperty(const ScriptValueRef& object, const ScriptValue& key, ScriptScope& scope) {
  switch (object->kind()) {
    case ScriptValueKind::Array:
      return static_cast<const ScriptArrayValue&>(*object).valueForProperty(key);
    case ScriptValueKind::Map:
    case ScriptValueKind::Function: {
      const auto name = TRY(key.stringValueOrError());
      if (object->kind() == ScriptValueKind::Map) return static_cast<const ScriptMapValue&>(*object).valueForProperty(name);
      return static_cast<const ScriptFunctionValue&>(*object).valueForProperty(name);
    }
    case ScriptValueKind::String: {
      const auto& text = static_cast<const ScriptStringValue&>(*object).value();
      const auto name = TRY(key.stringValueOrError());
      if (name == u"length") return scriptNumber(heapOfScope(scope), static_cast<double>(text.size()));
      if (!isArrayIndex(key)) return ScriptValueRef(scriptUndefined());
      // Converting the key again may run out of budget: the index is then no number to read at.
      const double index = std::trunc(TRY(key.doubleValueOrError()));
      if (index >= static_cast<double>(text.size())) return ScriptValueRef(scriptUndefined());
      return shortScriptString(heapOfScope(scope), std::u16string(1, text[static_cast<std::size_t>(index)]));
    }
    default:
      return ScriptValueRef(scriptUndefined());
  }
}

ErrorOr<void> writeScriptProperty(const ScriptValueRef& object, const ScriptValue& key, const ScriptValueRef& value) {
  switch (object->kind()) {
    case ScriptValueKind::Undefined:
    case ScriptValueKind::Null:
      return scriptError(kScriptErrorPropertyOfNothing);
    case ScriptValueKind::Array:
      return static_cast<ScriptArrayValue&>(*object).setValueForProperty(value, key);
    case ScriptValueKind::Map:
    case ScriptValueKind::Function: {
      const auto name = TRY(key.stringValueOrError());
      if (object->kind() == ScriptValueKind::Map) static_cast<ScriptMapValue&>(*object).setValueForProperty(value, name);
      else static_cast<ScriptFunctionValue&>(*object).setValueForProperty(value, name);
      return {};
    }
    default:
      return {};
  }
}

}  // namespace sdk::analytics

