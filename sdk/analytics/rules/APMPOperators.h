#pragma once

#include "sdk/analytics/rules/APMPRuntimeValue.h"

// Loose equality by the operands' tags (nothing, number-like, string, object).
bool APMPLooseEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error);
// -1, 0 or 1; NaN on either side gives 1. Two string-like operands compare as texts, by code
// point, with canonically equivalent sequences equal.
int APMPCompareValues(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error);
// Code-point order of two texts after canonical decomposition.
int APMPCompareTexts(const std::u16string& a, const std::u16string& b);
