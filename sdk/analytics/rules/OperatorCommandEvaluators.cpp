#include <array>
#include <cmath>

#include "sdk/analytics/rules/CommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptOperators.h"

namespace sdk::analytics {

namespace {

// Math.

struct TwoNumbers {
  double a = 0;
  double b = 0;
};

// The two operands' numbers, first before second; the error of a wrong count or a failed conversion.
ErrorOr<TwoNumbers> twoNumbers(ScriptArguments values) {
  TRY(checkArgumentCount(values, 2));
  TwoNumbers numbers;
  numbers.a = TRY(values[0]->doubleValueOrError());
  numbers.b = TRY(values[1]->doubleValueOrError());
  return numbers;
}

// A string and the text of another value. A string that only the operation's own argument holds
// (what an inner "+" or a call just made) grows in place, so a chain of "+" copies the text it
// starts from once, not once for each "+"; a string held anywhere else is copied. A string on the
// right is read where it lies, so that putting a piece before a long text copies the text once, as
// putting it after does.
ErrorOr<ScriptValueRef> appendToString(const ScriptValueRef& left, const ScriptValue& right, ScriptHeap& heap) {
  auto& head = static_cast<ScriptStringValue&>(*left);
  const bool inPlace = !head.isShared() && &right != &head;
  if (!inPlace) TRY(heap.chargeUnits(head.value().size()));  // reading it, as converting it would
  std::u16string converted;
  if (right.kind() != ScriptValueKind::String) converted = TRY(right.stringValueOrError());
  const std::u16string_view tail =
      right.kind() == ScriptValueKind::String ? std::u16string_view(static_cast<const ScriptStringValue&>(right).value())
                                              : std::u16string_view(converted);
  const std::size_t length = head.value().size() + tail.size();
  if (length > heap.limits().stringLength) return scriptError(kScriptErrorLimitReached);
  if (inPlace) {
    TRY(heap.chargeUnits(tail.size()));
    TRY(head.append(tail));
    return left;
  }
  TRY(heap.chargeUnits(length));
  const std::u16string_view pieces[] = {head.value(), tail};
  return joinedScriptString(heap, pieces);
}

ErrorOr<ScriptValueRef> addition(ScriptArguments values, ScriptScope& scope) {
  TRY(checkArgumentCount(values, 2));
  auto& heap = heapOfScope(scope);
  if (!isStringLike(*values[0]) && !isStringLike(*values[1])) {
    const auto n = TRY(twoNumbers(values));
    return scriptNumber(heap, n.a + n.b);
  }
  if (values[0]->kind() == ScriptValueKind::String) return appendToString(values[0], *values[1], heap);
  auto text = TRY(values[0]->stringValueOrError());
  const auto tail = TRY(values[1]->stringValueOrError());
  if (text.size() + tail.size() > heap.limits().stringLength) return scriptError(kScriptErrorLimitReached);
  TRY(heap.chargeUnits(text.size() + tail.size()));
  const std::u16string_view pieces[] = {text, tail};
  return joinedScriptString(heap, pieces);
}

template <double (*Op)(double, double)>
ErrorOr<ScriptValueRef> binary(ScriptArguments values, ScriptScope& scope) {
  const auto n = TRY(twoNumbers(values));
  return scriptNumber(heapOfScope(scope), Op(n.a, n.b));
}
double opSubtract(double a, double b) { return a - b; }
double opMultiply(double a, double b) { return a * b; }
double opDivide(double a, double b) { return a / b; }
double opRemainder(double a, double b) { return scriptRemainder(a, b); }

ErrorOr<ScriptValueRef> negate(ScriptArguments values, ScriptScope& scope) {
  TRY(checkArgumentCount(values, 1));
  const double a = TRY(values[0]->doubleValueOrError());
  return scriptNumber(heapOfScope(scope), -a);
}

ErrorOr<ScriptValueRef> firstOfTwo(ScriptArguments values, ScriptScope&) {
  TRY(checkArgumentCount(values, 2));
  return values[0];
}

ErrorOr<ScriptValueRef> single(ScriptArguments values, ScriptScope&) {
  TRY(checkArgumentCount(values, 1));
  return values[0];
}

// Logical (raw).

ErrorOr<ScriptValueRef> andOperator(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 2));
  auto a = TRY(ScriptEvaluator::evaluateStatement(*args[0], scope));
  if (!TRY(a->booleanValueOrError())) return a;
  return ScriptEvaluator::evaluateStatement(*args[1], scope);
}

ErrorOr<ScriptValueRef> orOperator(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 2));
  auto a = TRY(ScriptEvaluator::evaluateStatement(*args[0], scope));
  if (TRY(a->booleanValueOrError())) return a;
  return ScriptEvaluator::evaluateStatement(*args[1], scope);
}

ErrorOr<ScriptValueRef> notOperator(ScriptArguments args, ScriptScope& scope) {
  TRY(checkArgumentCount(args, 1));
  auto a = TRY(ScriptEvaluator::evaluateStatement(*args[0], scope));
  return ScriptValueRef(scriptBoolean(!TRY(a->booleanValueOrError())));
}

// Comparison (exactly two, evaluated).

ScriptValueRef booleanResult(bool value) { return scriptBoolean(value); }
ErrorOr<ScriptValueRef> looseEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(looseEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> looseNotEqual(ScriptArguments v, ScriptScope&) { return booleanResult(!TRY(looseEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> strictEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(strictEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> strictNotEqual(ScriptArguments v, ScriptScope&) { return booleanResult(!TRY(strictEquals(*v[0], *v[1]))); }
ErrorOr<ScriptValueRef> less(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[0], *v[1])) == -1); }
ErrorOr<ScriptValueRef> lessOrEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[0], *v[1])) <= 0); }
ErrorOr<ScriptValueRef> greater(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[1], *v[0])) == -1); }
ErrorOr<ScriptValueRef> greaterOrEqual(ScriptArguments v, ScriptScope&) { return booleanResult(TRY(compareScriptValues(*v[1], *v[0])) <= 0); }

// Bitwise.

template <std::size_t Count>
ErrorOr<std::array<double, Count>> numbers(ScriptArguments values) {
  TRY(checkArgumentCount(values, Count));
  std::array<double, Count> out{};
  for (std::size_t i = 0; i < Count; ++i) out[i] = TRY(values[i]->doubleValueOrError());
  return out;
}

template <double (*Op)(double, double)>
ErrorOr<ScriptValueRef> bitwise(ScriptArguments values, ScriptScope& scope) {
  const auto n = TRY(numbers<2>(values));
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

ErrorOr<ScriptValueRef> bitNot(ScriptArguments values, ScriptScope& scope) {
  const auto n = TRY(numbers<1>(values));
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

