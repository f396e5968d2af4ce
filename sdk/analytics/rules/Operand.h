#pragma once

#include <cmath>
#include <utility>

#include "sdk/analytics/rules/APMPRuntimeValue.h"

namespace sdk::analytics {

// A value as the evaluator hands it from one statement to the next. A number travels as a plain
// double and becomes a heap object only when something keeps it as a value (an array, a map, a
// handler that takes values), so counting, comparing and adding names allocates nothing. Numbers
// have no identity a script can see, so when the object is made changes nothing but the cost.
class Operand {
 public:
  Operand() : object_(APMPUndefined()) {}
  Operand(APMPValueRef object) : object_(std::move(object)) {}
  explicit Operand(double number) : number_(number) {}

  APMPKind kind() const { return object_ ? object_->kind() : APMPKind::Number; }
  // A number, held plainly or as an object.
  bool isNumber() const { return kind() == APMPKind::Number; }
  // Held as a plain double, with no object yet.
  bool isPlainNumber() const { return !object_; }
  double number() const { return object_ ? static_cast<const APMPNumberValue&>(*object_).value() : number_; }
  // The object of an operand that is not a plain number.
  const APMPValueRef& object() const { return object_; }

  // The value as an object, made now for a plain number.
  APMPValueRef box(APMPHeap& heap) && { return object_ ? std::move(object_) : APMPNumber(heap, number_); }
  APMPValueRef box(APMPHeap& heap) const& { return object_ ? object_ : APMPNumber(heap, number_); }

  // The boolean form, as booleanValueOrError gives it.
  bool truth(APMPError& error) const {
    if (object_) {
      if (object_->kind() == APMPKind::Boolean) return static_cast<const APMPBooleanValue&>(*object_).value();
      return object_->booleanValueOrError(error);
    }
    return number_ != 0 && !std::isnan(number_);
  }

 private:
  APMPValueRef object_;
  double number_ = 0;
};

}  // namespace sdk::analytics
