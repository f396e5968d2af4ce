#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptPropertyMap.h"
#include "sdk/analytics/rules/ArraySlot.h"
#include "sdk/analytics/rules/SpareLargeBlocks.h"

namespace sdk::analytics {

class ScriptFunctionValue;

// Elements with holes (slots holding the shared empty value) and named properties. The length is
// capped by the runtime's limits and every slot is charged to its heap. A number the evaluator
// hands over as it is (a pushed counter) stays in its slot until something takes it as a value.
class ScriptArrayValue final : public ScriptValue {
 public:
  explicit ScriptArrayValue(ScriptHeap& heap, ScriptValueList elements = {});
  ~ScriptArrayValue() override;

  ErrorOr<std::u16string> stringValueWithSeparator(const std::u16string& separator, int depth = 0) const;
  ErrorOr<std::u16string> stringValueOrError(int depth = 0) const override;
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override { return true; }
  ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope) override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

  // Lengthens with holes or cuts; beyond the length limit error 18 and no change.
  ErrorOr<void> setLength(std::int64_t length);
  ErrorOr<void> setValueForProperty(const ScriptValueRef& value, const ScriptValue& property);
  // Slot `index` (an array index) receives `value`, the array lengthened with holes to reach it
  // (error 18 beyond the length limit); a plain number stays in its slot.
  ErrorOr<void> setElement(std::int64_t index, sdk::analytics::Operand value);
  // The element at an array index as a value: undefined for a hole or past the end.
  ScriptValueRef elementAt(std::int64_t index) const;
  ErrorOr<ScriptValueRef> valueForProperty(const ScriptValue& property) const;
  ErrorOr<void> removeValueForProperty(const ScriptValue& property);
  ErrorOr<bool> hasProperty(const ScriptValue& property) const;
  std::size_t count() const { return elements_.size(); }
  // The element at `i` (below count()) as a value: a hole is the empty value, a number held in its
  // slot gets its object now, once.
  const ScriptValueRef& valueAt(std::size_t i) const;
  // The element at `i` as the evaluator passes it on: a number held in its slot stays a number.
  sdk::analytics::Operand operandAt(std::size_t i) const { return elements_[i].operand(); }
  bool isHoleAt(std::size_t i) const { return elements_[i].isHole(); }
  // Named properties first, then the indices that are not holes, as string values.
  // Charged as native work and memory: error 18 when they do not fit.
  ErrorOr<ScriptValueList> allPropertyNames() const;
  // The elements, holes read as undefined; charged as allPropertyNames is.
  ErrorOr<ScriptValueList> allElements() const;
  ScriptPropertyMap& propertyMap() { return properties_; }

  // Error 18 when the copy does not fit the budgets.
  ErrorOr<ScriptRef<ScriptArrayValue>> subarrayWithRange(std::int64_t location, std::int64_t length) const;
  ErrorOr<void> sortUsingFunctionValue(ScriptFunctionValue* comparator, ScriptScope& scope);
  ErrorOr<ScriptValueList> spliceFrom(std::int64_t from, std::int64_t deleteCount, ScriptArguments values);
  ErrorOr<void> concat(const ScriptValueRef& value);
  ErrorOr<void> reverse();
  ErrorOr<ScriptValueRef> removeFirstElement();
  ScriptValueRef removeLastElement();
  ErrorOr<std::int64_t> appendElements(ScriptArguments values);
  // appendElements for values as the evaluator holds them: numbers stay in their slots. The memory
  // of the numbers among them was held while they were evaluated (`heldBytes`); it becomes the
  // array's charge.
  ErrorOr<std::int64_t> appendOperands(std::span<sdk::analytics::Operand> values, std::size_t heldBytes);
  // What the memory meter charges for a number held in a slot: what its object costs.
  static constexpr std::size_t kNumberBytes = sizeof(ScriptNumberValue);
  // appendOperands for one plain number, whose memory is not held yet. A push into the room the
  // array keeps is the common case of a filling loop: the slots' charge only grows by the number.
  ErrorOr<std::int64_t> appendNumber(double number) {
    if (elements_.size() < elements_.capacity()) [[likely]] {
      elements_.emplace_back(number);
      ++numbersInPlace_;
      chargedBytes_ += kNumberBytes;
      chargeBytes(static_cast<std::ptrdiff_t>(kNumberBytes));
      return static_cast<std::int64_t>(elements_.size());
    }
    heap()->holdMemory(kNumberBytes);
    sdk::analytics::Operand value(number);
    return appendOperands(std::span(&value, 1), kNumberBytes);
  }
  ErrorOr<std::int64_t> prependElements(ScriptArguments values);
  ErrorOr<std::int64_t> indexOfValue(const ScriptValue& value, std::int64_t fromIndex) const;
  ErrorOr<std::int64_t> lastIndexOfValue(const ScriptValue& value, std::int64_t fromIndex) const;

  static bool isHole(const ScriptValue* value) { return value == ScriptValue::emptyValue(); }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  // Makes room for `length` slots, within the length limit and the memory budget (error 18 and
  // no change when not).
  ErrorOr<void> growTo(std::size_t length);
  // Whether a new array of `length` slots fits (error 18 when not).
  ErrorOr<void> fitsNewArray(std::size_t length) const;
  void releaseSpareSlots();
  void chargeSlots();
  // Slots whose numbers get their objects (the objects are charged, the slots no longer), before
  // the slots are copied, handed out or reordered.
  void makeObjects(std::size_t first, std::size_t last) const;
  // Slots about to be dropped or overwritten: their numbers stop being charged at chargeSlots().
  void forgetNumbers(std::size_t first, std::size_t last);
  // The elements in [first, last) as values (holes as the empty value).
  ScriptValueList valuesIn(std::size_t first, std::size_t last) const;
  // Whether the element at `i` is strictly equal to `value`.
  ErrorOr<bool> slotEquals(std::size_t i, const ScriptValue& value) const;
  void setProperty(const ScriptValueRef& value, const std::u16string& name) { chargeBytes(properties_.setValue(value, name, *heap())); }

  mutable std::vector<sdk::analytics::ArraySlot, LargeListAllocator<sdk::analytics::ArraySlot>> elements_;
  ScriptPropertyMap properties_;
  std::size_t chargedBytes_ = 0;
  // Slots holding a number in place.
  mutable std::size_t numbersInPlace_ = 0;
  // Set while a conversion walks this array, so a cycle reads as "".
  mutable bool converting_ = false;
};

}  // namespace sdk::analytics

