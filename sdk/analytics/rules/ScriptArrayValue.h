#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptPropertyMap.h"
#include "sdk/analytics/rules/ArraySlot.h"

namespace sdk::analytics {

class ScriptFunctionValue;

// Elements with holes (slots holding the shared empty value) and named properties. The length is
// capped by the runtime's limits and every slot is charged to its heap. A number the evaluator
// hands over as it is (a pushed counter) stays in its slot until something takes it as a value.
class ScriptArrayValue final : public ScriptValue {
 public:
  explicit ScriptArrayValue(ScriptHeap& heap, ScriptValueList elements = {});
  ~ScriptArrayValue() override;

  std::u16string stringValueWithSeparator(const std::u16string& separator, ScriptRuntimeError& error, int depth = 0) const;
  std::u16string stringValueOrError(ScriptRuntimeError& error, int depth = 0) const override;
  double doubleValueOrError(ScriptRuntimeError& error, int depth = 0) const override;
  bool booleanValueOrError(ScriptRuntimeError&) const override { return true; }
  ScriptValueRef applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope,
                             ScriptRuntimeError& error) override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

  // Lengthens with holes or cuts; beyond the length limit error 18 and no change.
  bool setLength(std::int64_t length, ScriptRuntimeError& error);
  void setValueForProperty(const ScriptValueRef& value, const ScriptValue& property, ScriptRuntimeError& error);
  ScriptValueRef valueForProperty(const ScriptValue& property, ScriptRuntimeError& error) const;
  void removeValueForProperty(const ScriptValue& property, ScriptRuntimeError& error);
  bool hasProperty(const ScriptValue& property, ScriptRuntimeError& error) const;
  std::size_t count() const { return elements_.size(); }
  // The element at `i` (below count()) as a value: a hole is the empty value, a number held in its
  // slot gets its object now, once.
  const ScriptValueRef& valueAt(std::size_t i) const;
  // The element at `i` as the evaluator passes it on: a number held in its slot stays a number.
  sdk::analytics::Operand operandAt(std::size_t i) const { return elements_[i].operand(); }
  bool isHoleAt(std::size_t i) const { return elements_[i].isHole(); }
  // Named properties first, then the indices that are not holes, as string values.
  // Charged as native work and memory: error 18 (and an empty list) when they do not fit.
  ScriptValueList allPropertyNames(ScriptRuntimeError& error) const;
  // The elements, holes read as undefined; charged as allPropertyNames is.
  ScriptValueList allElements(ScriptRuntimeError& error) const;
  ScriptPropertyMap& propertyMap() { return properties_; }

  // Null (with error 18) when the copy does not fit the budgets.
  ScriptRef<ScriptArrayValue> subarrayWithRange(std::int64_t location, std::int64_t length, ScriptRuntimeError& error) const;
  void sortUsingFunctionValue(ScriptFunctionValue* comparator, ScriptScope& scope, ScriptRuntimeError& error);
  ScriptValueList spliceFrom(std::int64_t from, std::int64_t deleteCount, ScriptArguments values, ScriptRuntimeError& error);
  void concat(const ScriptValueRef& value, ScriptRuntimeError& error);
  bool reverse(ScriptRuntimeError& error);
  ScriptValueRef removeFirstElement(ScriptRuntimeError& error);
  ScriptValueRef removeLastElement();
  std::int64_t appendElements(ScriptArguments values, ScriptRuntimeError& error);
  // appendElements for values as the evaluator holds them: numbers stay in their slots. The memory
  // of the numbers among them was held while they were evaluated (`heldBytes`); it becomes the
  // array's charge.
  std::int64_t appendOperands(std::span<sdk::analytics::Operand> values, std::size_t heldBytes, ScriptRuntimeError& error);
  // What the memory meter charges for a number held in a slot: what its object costs.
  static constexpr std::size_t kNumberBytes = sizeof(ScriptNumberValue);
  std::int64_t prependElements(ScriptArguments values, ScriptRuntimeError& error);
  std::int64_t indexOfValue(const ScriptValue& value, std::int64_t fromIndex, ScriptRuntimeError& error) const;
  std::int64_t lastIndexOfValue(const ScriptValue& value, std::int64_t fromIndex, ScriptRuntimeError& error) const;

  static bool isHole(const ScriptValue* value) { return value == ScriptValue::emptyValue(); }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  // Whether the array may grow to `length` slots (error 18 when not).
  bool canGrowTo(std::size_t length, ScriptRuntimeError& error) const;
  void chargeSlots();
  // Slots whose numbers get their objects (the objects are charged, the slots no longer), before
  // the slots are copied, handed out or reordered.
  void makeObjects(std::size_t first, std::size_t last) const;
  // Slots about to be dropped or overwritten: their numbers stop being charged at chargeSlots().
  void forgetNumbers(std::size_t first, std::size_t last);
  // The elements in [first, last) as values (holes as the empty value).
  ScriptValueList valuesIn(std::size_t first, std::size_t last) const;
  // Whether the element at `i` is strictly equal to `value`.
  bool slotEquals(std::size_t i, const ScriptValue& value, ScriptRuntimeError& error) const;
  void setProperty(const ScriptValueRef& value, const std::u16string& name) { chargeBytes(properties_.setValue(value, name)); }

  mutable std::vector<sdk::analytics::ArraySlot> elements_;
  ScriptPropertyMap properties_;
  std::size_t chargedBytes_ = 0;
  // Slots holding a number in place.
  mutable std::size_t numbersInPlace_ = 0;
  // Set while a conversion walks this array, so a cycle reads as "".
  mutable bool converting_ = false;
};

}  // namespace sdk::analytics

