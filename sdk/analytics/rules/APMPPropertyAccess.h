#pragma once

#include "sdk/analytics/rules/APMPRuntimeValue.h"

class APMPScope;

// Property reads and writes of the language, on any value.
APMPValueRef APMPReadProperty(const APMPValueRef& object, const APMPRuntimeValue& key, APMPScope& scope,
                              APMPError& error);
void APMPWriteProperty(const APMPValueRef& object, const APMPRuntimeValue& key, const APMPValueRef& value,
                       APMPError& error);
