#pragma once

#include <cmath>
#include <utility>

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

// A value as the evaluator hands it from one statement to the next. A number travels as a plain
// double and becomes a heap object only when something keeps it as a value (an array, a map, a
// handler that takes values), so counting, comparing and adding names allocates nothing. Numbers
// have no identity a script can see, so when the object is made changes nothing but the cost.
class Operand {
 public:
  // Undefined.
  Operand() = default;
  Operand(ScriptValueRef object) : object_(std::move(object)) {}
  explicit Operand(double number) : number_(number), plain_(true) {}

  ScriptValueKind kind() const { return object_ ? object_->kind() : plain_ ? ScriptValueKind::Number : ScriptValueKind::Undefined; }
  // A number, held plainly or as an object.
  bool isNumber() const { return kind() == ScriptValueKind::Number; }
  // Held as a plain double, with no object yet.
  bool isPlainNumber() const { return plain_; }
  double number() const { return plain_ ? number_ : static_cast<const ScriptNumberValue&>(*object_).value(); }
  // The object of an operand that is neither a plain number nor undefined.
  const ScriptValueRef& object() const { return object_; }

  // The value as an object, made now for a plain number.
  ScriptValueRef box(ScriptHeap& heap) && {
    if (object_) return std::move(object_);
    return plain_ ? scriptNumber(heap, number_) : ScriptValueRef(scriptUndefined());
  }
  ScriptValueRef box(ScriptHeap& heap) const& {
    if (object_) return object_;
    return plain_ ? scriptNumber(heap, number_) : ScriptValueRef(scriptUndefined());
  }

  // The boolean form, as booleanValueOrError gives it.
  ErrorOr<bool> truth() const {
    if (object_) {
      if (object_->kind() == ScriptValueKind::Boolean) return static_cast<const ScriptBooleanValue&>(*object_).value();
      return object_->booleanValueOrError();
    }
    return plain_ && number_ != 0 && !std::isnan(number_);
  }

 private:
  // Null for a plain number, and for undefined.
  ScriptValueRef object_;
  double number_ = 0;
  bool plain_ = false;
};

}  // namespace sdk::analytics

