#pragma once

#include <cstdint>

#include "sdk/analytics/rules/APMPRuntimeValue.h"
#include "sdk/analytics/rules/APMPScope.h"

// Helpers every command evaluator shares.

// Evaluates each argument in order in `scope`; stops after the first that fails.
APMPValueList APMPEvaluateArguments(APMPArguments arguments, APMPScope& scope, APMPError& error);

// Evaluates into `out`, which has room for every argument; answers how many were evaluated (the
// first that fails is the last). Up to kAPMPInlineArguments fit a buffer on the caller's stack.
inline constexpr std::size_t kAPMPInlineArguments = 8;
std::size_t APMPEvaluateArgumentsInto(APMPArguments arguments, APMPValueRef* out, APMPScope& scope, APMPError& error);

// Evaluates `arguments` (into a buffer on the stack when they are few) and hands them to `use`;
// undefined when one fails.
template <typename Use>
APMPValueRef APMPWithEvaluatedArguments(APMPArguments arguments, APMPScope& scope, APMPError& error, Use&& use) {
  if (arguments.size() <= kAPMPInlineArguments) {
    APMPValueRef values[kAPMPInlineArguments];
    const auto n = APMPEvaluateArgumentsInto(arguments, values, scope, error);
    if (APMPFailed(error)) return APMPUndefined();
    return use(APMPArguments(values, n));
  }
  auto values = APMPEvaluateArguments(arguments, scope, error);
  if (APMPFailed(error)) return APMPUndefined();
  return use(APMPArguments(values));
}
bool APMPCheckArgumentCount(APMPArguments list, std::size_t n, APMPError& error);
bool APMPCheckMinimumArgumentCount(APMPArguments list, std::size_t n, APMPError& error);
bool APMPCheckMaximumArgumentCount(APMPArguments list, std::size_t n, APMPError& error);

bool APMPIsStringLike(const APMPRuntimeValue& value);
bool APMPIsArrayIndex(const APMPRuntimeValue& value);
// The index of a value that passed APMPIsArrayIndex: at or beyond 2^63, the largest int64.
std::int64_t APMPArrayIndexFromDouble(double value);

// Integer conversions, done in double arithmetic first (an out-of-range cast would be undefined).
std::int32_t APMPToInt32(double value);
std::uint32_t APMPToUInt32(double value);
double APMPToInteger(double value);
// Truncated toward zero and clamped to int64 (NaN gives 0).
std::int64_t APMPToInt64Clamped(double value);

bool APMPStringEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error);
bool APMPNumberEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error);
bool APMPStrictEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error);
