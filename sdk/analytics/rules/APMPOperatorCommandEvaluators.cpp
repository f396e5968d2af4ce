#include <cmath>

#include "sdk/analytics/rules/APMPCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPEvaluator.h"
#include "sdk/analytics/rules/APMPOperators.h"

namespace {

using List = APMPValueList;
APMPValueRef undefined() { return APMPUndefined(); }

// Math.

// The two operands' numbers, first before second; false on a wrong count or a failed conversion.
bool twoNumbers(APMPArguments values, double& a, double& b, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 2, error)) return false;
  a = values[0]->doubleValueOrError(error);
  if (APMPFailed(error)) return false;
  b = values[1]->doubleValueOrError(error);
  return !APMPFailed(error);
}

APMPValueRef addition(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 2, error)) return undefined();
  auto& heap = APMPScopeHeap(scope);
  if (!APMPIsStringLike(*values[0]) && !APMPIsStringLike(*values[1])) {
    double a = 0, b = 0;
    if (!twoNumbers(values, a, b, error)) return undefined();
    return APMPNumber(heap, a + b);
  }
  auto text = values[0]->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  const auto tail = values[1]->stringValueOrError(error);
  if (APMPFailed(error)) return undefined();
  if (text.size() + tail.size() > heap.limits().stringLength || !heap.chargeUnits(text.size() + tail.size(), error)) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return undefined();
  }
  text += tail;
  return APMPString(heap, std::move(text), error);
}

template <double (*Op)(double, double)>
APMPValueRef binary(APMPArguments values, APMPScope& scope, APMPError& error) {
  double a = 0, b = 0;
  if (!twoNumbers(values, a, b, error)) return undefined();
  return APMPNumber(APMPScopeHeap(scope), Op(a, b));
}
double opSubtract(double a, double b) { return a - b; }
double opMultiply(double a, double b) { return a * b; }
double opDivide(double a, double b) { return a / b; }
double opRemainder(double a, double b) { return std::fmod(a, b); }

APMPValueRef negate(APMPArguments values, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 1, error)) return undefined();
  const double a = values[0]->doubleValueOrError(error);
  if (APMPFailed(error)) return undefined();
  return APMPNumber(APMPScopeHeap(scope), -a);
}

APMPValueRef firstOfTwo(APMPArguments values, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 2, error)) return undefined();
  return values[0];
}

APMPValueRef single(APMPArguments values, APMPScope&, APMPError& error) {
  if (!APMPCheckArgumentCount(values, 1, error)) return undefined();
  return values[0];
}

// Logical (raw).

APMPValueRef andOperator(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 2, error)) return undefined();
  auto a = APMPEvaluator::evaluateStatement(*args[0], scope, error);
  if (APMPFailed(error)) return undefined();
  const bool truth = a->booleanValueOrError(error);
  if (APMPFailed(error)) return undefined();
  return truth ? APMPEvaluator::evaluateStatement(*args[1], scope, error) : a;
}

APMPValueRef orOperator(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 2, error)) return undefined();
  auto a = APMPEvaluator::evaluateStatement(*args[0], scope, error);
  if (APMPFailed(error)) return undefined();
  const bool truth = a->booleanValueOrError(error);
  if (APMPFailed(error)) return undefined();
  return truth ? a : APMPEvaluator::evaluateStatement(*args[1], scope, error);
}

APMPValueRef notOperator(APMPArguments args, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(args, 1, error)) return undefined();
  auto a = APMPEvaluator::evaluateStatement(*args[0], scope, error);
  if (APMPFailed(error)) return undefined();
  const bool truth = a->booleanValueOrError(error);
  if (APMPFailed(error)) return undefined();
  return APMPBoolean(!truth);
}

// Comparison (exactly two, evaluated).

APMPValueRef booleanResult(bool value, const APMPError& error) {
  return APMPFailed(error) ? APMPValueRef(APMPUndefined()) : APMPValueRef(APMPBoolean(value));
}
APMPValueRef looseEqual(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(APMPLooseEquals(*v[0], *v[1], e), e); }
APMPValueRef looseNotEqual(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(!APMPLooseEquals(*v[0], *v[1], e), e); }
APMPValueRef strictEqual(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(APMPStrictEquals(*v[0], *v[1], e), e); }
APMPValueRef strictNotEqual(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(!APMPStrictEquals(*v[0], *v[1], e), e); }
APMPValueRef less(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(APMPCompareValues(*v[0], *v[1], e) == -1, e); }
APMPValueRef lessOrEqual(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(APMPCompareValues(*v[0], *v[1], e) <= 0, e); }
APMPValueRef greater(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(APMPCompareValues(*v[1], *v[0], e) == -1, e); }
APMPValueRef greaterOrEqual(APMPArguments v, APMPScope&, APMPError& e) { return booleanResult(APMPCompareValues(*v[1], *v[0], e) <= 0, e); }

// Bitwise.

bool numbers(APMPArguments values, std::size_t count, double* out, APMPError& error) {
  if (!APMPCheckArgumentCount(values, count, error)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = values[i]->doubleValueOrError(error);
    if (APMPFailed(error)) return false;
  }
  return true;
}

template <double (*Op)(double, double)>
APMPValueRef bitwise(APMPArguments values, APMPScope& scope, APMPError& error) {
  double n[2];
  if (!numbers(values, 2, n, error)) return undefined();
  return APMPNumber(APMPScopeHeap(scope), Op(n[0], n[1]));
}
double bitAnd(double a, double b) { return APMPToInt32(a) & APMPToInt32(b); }
double bitOr(double a, double b) { return APMPToInt32(a) | APMPToInt32(b); }
double bitXor(double a, double b) { return APMPToInt32(a) ^ APMPToInt32(b); }
double shiftLeft(double a, double b) {
  return static_cast<std::int32_t>(APMPToUInt32(a) << (APMPToUInt32(b) & 31));
}
double shiftRight(double a, double b) { return APMPToInt32(a) >> (APMPToUInt32(b) & 31); }
double shiftRightUnsigned(double a, double b) { return APMPToUInt32(a) >> (APMPToUInt32(b) & 31); }

APMPValueRef bitNot(APMPArguments values, APMPScope& scope, APMPError& error) {
  double n[1];
  if (!numbers(values, 1, n, error)) return undefined();
  return APMPNumber(APMPScopeHeap(scope), ~APMPToInt32(n[0]));
}

}  // namespace

APMPMathCommandEvaluator::APMPMathCommandEvaluator() : APMPCommandEvaluator(Convention::EvaluatesArguments) {
  add("0", addition);
  add("10", binary<opDivide>);
  add("25", binary<opRemainder>);
  add("26", binary<opMultiply>);
  add("27", negate);
  add("37", binary<opSubtract>);
  add("34", single);
  add("35", single);
  add("32", firstOfTwo);
  add("33", firstOfTwo);
}

APMPLogicalCommandEvaluator::APMPLogicalCommandEvaluator() : APMPCommandEvaluator(Convention::Raw) {
  add("1", andOperator);
  add("28", notOperator);
  add("30", orOperator);
}

APMPComparisonCommandEvaluator::APMPComparisonCommandEvaluator()
    : APMPCommandEvaluator(Convention::ExactlyTwoEvaluated) {
  add("12", looseEqual);
  add("18", greater);
  add("19", greaterOrEqual);
  add("20", strictEqual);
  add("21", strictNotEqual);
  add("23", less);
  add("24", lessOrEqual);
  add("29", looseNotEqual);
}

APMPBitwiseCommandEvaluator::APMPBitwiseCommandEvaluator() : APMPCommandEvaluator(Convention::EvaluatesArguments) {
  add("56", bitwise<bitAnd>);
  add("57", bitwise<shiftLeft>);
  add("58", bitNot);
  add("59", bitwise<bitOr>);
  add("60", bitwise<shiftRight>);
  add("61", bitwise<shiftRightUnsigned>);
  add("62", bitwise<bitXor>);
}
