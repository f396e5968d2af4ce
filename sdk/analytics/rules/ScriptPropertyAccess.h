#pragma once

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

class ScriptScope;

// Property reads and writes of the language, on any value.
ScriptValueRef readScriptProperty(const ScriptValueRef& object, const ScriptValue& key, ScriptScope& scope,
                              ScriptRuntimeError& error);
void writeScriptProperty(const ScriptValueRef& object, const ScriptValue& key, const ScriptValueRef& value,
                       ScriptRuntimeError& error);

}  // namespace sdk::analytics

