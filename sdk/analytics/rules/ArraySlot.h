#pragma once

#include <utility>

#include "sdk/analytics/rules/Operand.h"

namespace sdk::analytics {

// One element of an array: a value, or a number held in place. An array that a loop fills with
// computed numbers would otherwise hold one counted object per element; a number held here becomes
// its object only when something takes the element as a value (see ScriptArrayValue::valueAt), so
// the element's identity is the same either way, and its charge too: the array charges a number
// held in place exactly what the number's object costs.
class ArraySlot {
 public:
  ArraySlot(ScriptValueRef value) : object_(std::move(value)) {}
  explicit ArraySlot(double number) : number_(number) {}

  bool holdsNumber() const { return !object_; }
  double number() const { return number_; }
  // The value; null while the slot holds a number in place.
  ScriptValue* object() const { return object_.get(); }
  const ScriptValueRef& value() const { return object_; }
  bool isHole() const { return object_.get() == ScriptValue::emptyValue(); }
  // The element as the evaluator passes it on, without making an object of a number.
  Operand operand() const { return object_ ? Operand(object_) : Operand(number_); }

  // Makes the object of a number held in place; the caller moves the charge.
  void makeObject(ScriptHeap& heap) {
    if (!object_) object_ = scriptNumber(heap, number_);
  }

 private:
  ScriptValueRef object_;
  double number_ = 0;
};

}  // namespace sdk::analytics

