#pragma once

#include <cstdint>

#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/ScriptScope.h"

// Helpers every command evaluator shares.

namespace sdk::analytics {

// Evaluates each argument in order in `scope`; stops after the first that fails.
ScriptValueList evaluateArguments(ScriptArguments arguments, ScriptScope& scope, ScriptRuntimeError& error);

// Evaluates into `out`, which has room for every argument; answers how many were evaluated (the
// first that fails is the last). Up to kInlineScriptArguments fit a buffer on the caller's stack.
inline constexpr std::size_t kInlineScriptArguments = 8;
std::size_t evaluateArgumentsInto(ScriptArguments arguments, ScriptValueRef* out, ScriptScope& scope, ScriptRuntimeError& error);

// Evaluates `arguments` (into a buffer on the stack when they are few) and hands them to `use`;
// undefined when one fails.
template <typename Use>
ScriptValueRef withEvaluatedArguments(ScriptArguments arguments, ScriptScope& scope, ScriptRuntimeError& error, Use&& use) {
  if (arguments.size() <= kInlineScriptArguments) {
    ScriptValueRef values[kInlineScriptArguments];
    const auto n = evaluateArgumentsInto(arguments, values, scope, error);
    if (hasScriptError(error)) return scriptUndefined();
    return use(ScriptArguments(values, n));
  }
  auto values = evaluateArguments(arguments, scope, error);
  if (hasScriptError(error)) return scriptUndefined();
  return use(ScriptArguments(values));
}
bool checkArgumentCount(ScriptArguments list, std::size_t n, ScriptRuntimeError& error);
bool checkMinimumArgumentCount(ScriptArguments list, std::size_t n, ScriptRuntimeError& error);
bool checkMaximumArgumentCount(ScriptArguments list, std::size_t n, ScriptRuntimeError& error);

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

bool stringEquals(const ScriptValue& a, const ScriptValue& b, ScriptRuntimeError& error);
bool numberEquals(const ScriptValue& a, const ScriptValue& b, ScriptRuntimeError& error);
bool strictEquals(const ScriptValue& a, const ScriptValue& b, ScriptRuntimeError& error);

}  // namespace sdk::analytics

