#include "sdk/analytics/rules/BitwiseCommandEvaluator.h"

#include <array>
#include <cstddef>

#include "sdk/analytics/rules/CommandHelpers.h"

namespace sdk::analytics {

namespace {

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
