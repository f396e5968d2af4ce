#include "sdk/analytics/rules/APMPCommandHelpers.h"

#include <cmath>
#include <limits>

#include "sdk/analytics/rules/APMPEvaluator.h"

APMPValueList APMPEvaluateArguments(APMPArguments arguments, APMPScope& scope, APMPError& error) {
  APMPValueList values;
  values.reserve(arguments.size());
  for (const auto& argument : arguments) {
    values.push_back(APMPEvaluator::evaluateStatement(*argument, scope, error));
    if (APMPFailed(error)) break;
  }
  return values;
}

std::size_t APMPEvaluateArgumentsInto(APMPArguments arguments, APMPValueRef* out, APMPScope& scope,
                                      APMPError& error) {
  std::size_t n = 0;
  for (const auto& argument : arguments) {
    out[n++] = APMPEvaluator::evaluateStatement(*argument, scope, error);
    if (APMPFailed(error)) break;
  }
  return n;
}

bool APMPCheckArgumentCount(APMPArguments list, std::size_t n, APMPError& error) {
  if (list.size() == n) return true;
  APMPSetError(error, kAPMPErrorArgumentCount);
  return false;
}

bool APMPCheckMinimumArgumentCount(APMPArguments list, std::size_t n, APMPError& error) {
  if (list.size() >= n) return true;
  APMPSetError(error, kAPMPErrorArgumentCount);
  return false;
}

bool APMPCheckMaximumArgumentCount(APMPArguments list, std::size_t n, APMPError& error) {
  if (list.size() <= n) return true;
  APMPSetError(error, kAPMPErrorArgumentCount);
  return false;
}

bool APMPIsStringLike(const APMPRuntimeValue& value) {
  switch (value.kind()) {
    case APMPKind::Array: case APMPKind::Function: case APMPKind::Map: case APMPKind::String:
      return true;
    default:
      return false;
  }
}

bool APMPIsArrayIndex(const APMPRuntimeValue& value) {
  if (value.kind() != APMPKind::Number && value.kind() != APMPKind::String) return false;
  APMPError error;
  const double number = value.doubleValueOrError(error);
  return !APMPFailed(error) && std::isfinite(number) && number >= 0 && std::trunc(number) == number;
}

std::int64_t APMPArrayIndexFromDouble(double value) {
  if (!(value < 9223372036854775808.0)) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(value);
}

std::int32_t APMPToInt32(double value) { return static_cast<std::int32_t>(APMPToUInt32(value)); }

std::uint32_t APMPToUInt32(double value) {
  if (!std::isfinite(value)) return 0;
  double m = std::fmod(std::trunc(value), 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<std::uint32_t>(m);
}

double APMPToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value == 0 || std::isinf(value)) return value;
  return std::trunc(value);
}

std::int64_t APMPToInt64Clamped(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
  if (value < -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

bool APMPStringEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error) {
  if (a.kind() == APMPKind::String && b.kind() == APMPKind::String) {
    // Two texts compare in place, without the copies their conversions would make.
    const auto& x = static_cast<const APMPStringValue&>(a).value();
    const auto& y = static_cast<const APMPStringValue&>(b).value();
    if (x.size() != y.size()) return false;
    return a.heap()->chargeUnits(x.size(), error) && x == y;
  }
  const auto x = a.stringValueOrError(error);
  if (APMPFailed(error)) return false;
  const auto y = b.stringValueOrError(error);
  if (APMPFailed(error)) return false;
  return x == y;
}

bool APMPNumberEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error) {
  const double x = a.doubleValueOrError(error);
  if (APMPFailed(error)) return false;
  const double y = b.doubleValueOrError(error);
  if (APMPFailed(error)) return false;
  return x == y;
}

bool APMPStrictEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPError& error) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case APMPKind::Number:
    case APMPKind::Boolean:
      return APMPNumberEquals(a, b, error);
    case APMPKind::String:
      return APMPStringEquals(a, b, error);
    default:
      return &a == &b;
  }
}
