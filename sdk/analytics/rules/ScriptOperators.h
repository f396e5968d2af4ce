#pragma once

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

// Loose equality by the operands' tags (nothing, number-like, string, object).
ErrorOr<bool> looseEquals(const ScriptValue& a, const ScriptValue& b);
// -1, 0 or 1; NaN on either side gives 1. Two string-like operands compare as texts, by code
// point, with canonically equivalent sequences equal.
ErrorOr<int> compareScriptValues(const ScriptValue& a, const ScriptValue& b);
// Code-point order of two texts after canonical decomposition.
int compareScriptTexts(const std::u16string& a, const std::u16string& b);

}  // namespace sdk::analytics

