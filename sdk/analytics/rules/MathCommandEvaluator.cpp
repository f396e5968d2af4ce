#include "sdk/analytics/rules/MathCommandEvaluator.h"

#include <cmath>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"

namespace sdk::analytics {

namespace {

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

}  // namespace sdk::analytics
