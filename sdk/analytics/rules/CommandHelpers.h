#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/ScriptScope.h"

// Helpers every command evaluator shares.

namespace sdk::analytics {

class ScriptArrayValue;

// Evaluates each argument in order in `scope`; stops after the first that fails.
ErrorOr<ScriptValueList> evaluateArguments(ScriptArguments arguments, ScriptScope& scope);

// Evaluates into `out`, which has room for every argument. Up to kInlineScriptArguments fit a buffer on
// the caller's stack.
inline constexpr std::size_t kInlineScriptArguments = 8;
ErrorOr<void> evaluateArgumentsInto(ScriptArguments arguments, ScriptValueRef* out, ScriptScope& scope);

// Evaluates `arguments` (into a buffer on the stack when they are few) and hands them to `use`.
template <typename Use>
ErrorOr<ScriptValueRef> withEvaluatedArguments(ScriptArguments arguments, ScriptScope& scope, Use&& use) {
  if (arguments.size() <= kInlineScriptArguments) {
    ScriptValueRef values[kInlineScriptArguments];
    TRY(evaluateArgumentsInto(arguments, values, scope));
    return use(ScriptArguments(values, arguments.size()));
  }
  auto values = TRY(evaluateArguments(arguments, scope));
  return use(ScriptArguments(values));
}
ErrorOr<void> checkArgumentCount(ScriptArguments list, std::size_t n);
ErrorOr<void> checkMinimumArgumentCount(ScriptArguments list, std::size_t n);
ErrorOr<void> checkMaximumArgumentCount(ScriptArguments list, std::size_t n);

// A name given as a value: a string is its own name, any other value names its text.
ErrorOr<ScriptRef<ScriptStringValue>> nameValueOf(const ScriptValueRef& value, ScriptHeap& heap);
// The names an array lists (a function's parameters, the variables a loop copies), each charged
// before it is made: its conversion, a new string value's memory, and the hash that binding it
// takes. The list itself is the caller's to charge for as long as it keeps it.
ErrorOr<std::vector<ScriptRef<ScriptStringValue>>> nameValuesOf(const ScriptArrayValue& list, ScriptHeap& heap);
// The same for elements the caller has read from such a list (`allElements`).
ErrorOr<std::vector<ScriptRef<ScriptStringValue>>> nameValuesOf(ScriptArguments elements, ScriptHeap& heap);

bool isStringLike(const ScriptValue& value);
bool isArrayIndex(const ScriptValue& value);
// The index of a value that passed isArrayIndex: at or beyond 2^63, the largest int64.
std::int64_t arrayIndexFromDouble(double value);

// Integer conversions, done in double arithmetic first (an out-of-range cast would be undefined).
std::int32_t toInt32(double value);
std::uint32_t toUInt32(double value);
double toInteger(double value);
// Truncated toward zero and clamped to int64 (NaN gives 0).
std::int64_t toInt64Clamped(double value);

// The remainder of "%": fmod's, with the dividend's sign. Whole numbers below 2^53 divide exactly
// as integers, several times faster than fmod.
inline double scriptRemainder(double a, double b) {
  constexpr double kExact = 9007199254740992.0;
  if (a == std::trunc(a) && b == std::trunc(b) && std::fabs(a) < kExact && std::fabs(b) < kExact && b != 0) {
    const auto r = static_cast<double>(static_cast<std::int64_t>(a) % static_cast<std::int64_t>(b));
    return r == 0 ? std::copysign(0.0, a) : r;
  }
  return std::fmod(a, b);
}

ErrorOr<bool> stringEquals(const ScriptValue& a, const ScriptValue& b);
ErrorOr<bool> numberEquals(const ScriptValue& a, const ScriptValue& b);
ErrorOr<bool> strictEquals(const ScriptValue& a, const ScriptValue& b);

}  // namespace sdk::analytics

