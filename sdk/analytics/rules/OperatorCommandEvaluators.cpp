#include <cmath>

#include "sdk/analytics/rules/CommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptOperators.h"

namespace sdk::analytics {

namespace {

using List = ScriptValueList;
ScriptValueRef undefined() { return scriptUndefined(); }

// Math.

// The two operands' numbers, first before second; false on a wrong count or a failed conversion.
bool twoNumbers(ScriptArguments values, double& a, double& b, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 2, error)) return false;
  a = values[0]->doubleValueOrError(error);
  if (hasScriptError(error)) return false;
  b = values[1]->doubleValueOrError(error);
  return !hasScriptError(error);
}

ScriptValueRef addition(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 2, error)) return undefined();
  auto& heap = heapOfScope(scope);
  if (!isStringLike(*values[0]) && !isStringLike(*values[1])) {
    double a = 0, b = 0;
    if (!twoNumbers(values, a, b, error)) return undefined();
    return scriptNumber(heap, a + b);
  }
  auto text = values[0]->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  const auto tail = values[1]->stringValueOrError(error);
  if (hasScriptError(error)) return undefined();
  if (text.size() + tail.size() > heap.limits().stringLength || !heap.chargeUnits(text.size() + tail.size(), error)) {
    setScriptError(error, kScriptErrorLimitReached);
    return undefined();
  }
  text += tail;
  return scriptString(heap, std::move(text), error);
}

template <double (*Op)(double, double)>
ScriptValueRef binary(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  double a = 0, b = 0;
  if (!twoNumbers(values, a, b, error)) return undefined();
  return scriptNumber(heapOfScope(scope), Op(a, b));
}
double opSubtract(double a, double b) { return a - b; }
double opMultiply(double a, double b) { return a * b; }
double opDivide(double a, double b) { return a / b; }
double opRemainder(double a, double b) { return std::fmod(a, b); }

ScriptValueRef negate(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 1, error)) return undefined();
  const double a = values[0]->doubleValueOrError(error);
  if (hasScriptError(error)) return undefined();
  return scriptNumber(heapOfScope(scope), -a);
}

ScriptValueRef firstOfTwo(ScriptArguments values, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 2, error)) return undefined();
  return values[0];
}

ScriptValueRef single(ScriptArguments values, ScriptScope&, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, 1, error)) return undefined();
  return values[0];
}

// Logical (raw).

ScriptValueRef andOperator(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 2, error)) return undefined();
  auto a = ScriptEvaluator::evaluateStatement(*args[0], scope, error);
  if (hasScriptError(error)) return undefined();
  const bool truth = a->booleanValueOrError(error);
  if (hasScriptError(error)) return undefined();
  return truth ? ScriptEvaluator::evaluateStatement(*args[1], scope, error) : a;
}

ScriptValueRef orOperator(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 2, error)) return undefined();
  auto a = ScriptEvaluator::evaluateStatement(*args[0], scope, error);
  if (hasScriptError(error)) return undefined();
  const bool truth = a->booleanValueOrError(error);
  if (hasScriptError(error)) return undefined();
  return truth ? a : ScriptEvaluator::evaluateStatement(*args[1], scope, error);
}

ScriptValueRef notOperator(ScriptArguments args, ScriptScope& scope, ScriptRuntimeError& error) {
  if (!checkArgumentCount(args, 1, error)) return undefined();
  auto a = ScriptEvaluator::evaluateStatement(*args[0], scope, error);
  if (hasScriptError(error)) return undefined();
  const bool truth = a->booleanValueOrError(error);
  if (hasScriptError(error)) return undefined();
  return scriptBoolean(!truth);
}

// Comparison (exactly two, evaluated).

ScriptValueRef booleanResult(bool value, const ScriptRuntimeError& error) {
  return hasScriptError(error) ? ScriptValueRef(scriptUndefined()) : ScriptValueRef(scriptBoolean(value));
}
ScriptValueRef looseEqual(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(looseEquals(*v[0], *v[1], e), e); }
ScriptValueRef looseNotEqual(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(!looseEquals(*v[0], *v[1], e), e); }
ScriptValueRef strictEqual(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(strictEquals(*v[0], *v[1], e), e); }
ScriptValueRef strictNotEqual(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(!strictEquals(*v[0], *v[1], e), e); }
ScriptValueRef less(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(compareScriptValues(*v[0], *v[1], e) == -1, e); }
ScriptValueRef lessOrEqual(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(compareScriptValues(*v[0], *v[1], e) <= 0, e); }
ScriptValueRef greater(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(compareScriptValues(*v[1], *v[0], e) == -1, e); }
ScriptValueRef greaterOrEqual(ScriptArguments v, ScriptScope&, ScriptRuntimeError& e) { return booleanResult(compareScriptValues(*v[1], *v[0], e) <= 0, e); }

// Bitwise.

bool numbers(ScriptArguments values, std::size_t count, double* out, ScriptRuntimeError& error) {
  if (!checkArgumentCount(values, count, error)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = values[i]->doubleValueOrError(error);
    if (hasScriptError(error)) return false;
  }
  return true;
}

template <double (*Op)(double, double)>
ScriptValueRef bitwise(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  double n[2];
  if (!numbers(values, 2, n, error)) return undefined();
  return scriptNumber(heapOfScope(scope), Op(n[0], n[1]));
}
double bitAnd(double a, double b) { return toInt32(a) & toInt32(b); }
double bitOr(double a, double b) { return toInt32(a) | toInt32(b); }
double bitXor(double a, double b) { return toInt32(a) ^ toInt32(b); }
double shiftLeft(double a, double b) {
  return static_cast<std::int32_t>(toUInt32(a) << (toUInt32(b) & 31));
}
double shiftRight(double a, double b) { return toInt32(a) >> (toUInt32(b) & 31); }
double shiftRightUnsigned(double a, double b) { return toUInt32(a) >> (toUInt32(b) & 31); }

ScriptValueRef bitNot(ScriptArguments values, ScriptScope& scope, ScriptRuntimeError& error) {
  double n[1];
  if (!numbers(values, 1, n, error)) return undefined();
  return scriptNumber(heapOfScope(scope), ~toInt32(n[0]));
}

}  // namespace

MathCommandEvaluator::MathCommandEvaluator() : CommandEvaluator(Convention::EvaluatesArguments) {
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

LogicalCommandEvaluator::LogicalCommandEvaluator() : CommandEvaluator(Convention::Raw) {
  add("1", andOperator);
  add("28", notOperator);
  add("30", orOperator);
}

ComparisonCommandEvaluator::ComparisonCommandEvaluator()
    : CommandEvaluator(Convention::ExactlyTwoEvaluated) {
  add("12", looseEqual);
  add("18", greater);
  add("19", greaterOrEqual);
  add("20", strictEqual);
  add("21", strictNotEqual);
  add("23", less);
  add("24", lessOrEqual);
  add("29", looseNotEqual);
}

BitwiseCommandEvaluator::BitwiseCommandEvaluator() : CommandEvaluator(Convention::EvaluatesArguments) {
  add("56", bitwise<bitAnd>);
  add("57", bitwise<shiftLeft>);
  add("58", bitNot);
  add("59", bitwise<bitOr>);
  add("60", bitwise<shiftRight>);
  add("61", bitwise<shiftRightUnsigned>);
  add("62", bitwise<bitXor>);
}

}  // namespace sdk::analytics

