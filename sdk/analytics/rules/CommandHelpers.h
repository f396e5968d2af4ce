#pragma once

#include <cstdint>

#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/ScriptScope.h"

// Helpers every command evaluator shares.

namespace sdk::analytics {

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

ErrorOr<bool> stringEquals(const ScriptValue& a, const ScriptValue& b);
ErrorOr<bool> numberEquals(const ScriptValue& a, const ScriptValue& b);
ErrorOr<bool> strictEquals(const ScriptValue& a, const ScriptValue& b);

}  // namespace sdk::analytics

