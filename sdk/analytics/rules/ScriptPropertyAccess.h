#pragma once

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

class ScriptScope;

// Property reads and writes of the language, on any value.
ErrorOr<ScriptValueRef> readScriptProperty(const ScriptValueRef& object, const ScriptValue& key, ScriptScope& scope);
ErrorOr<void> writeScriptProperty(const ScriptValueRef& object, const ScriptValue& key, const ScriptValueRef& value);

}  // namespace sdk::analytics

