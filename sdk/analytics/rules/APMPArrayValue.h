#pragma once

#include <cstdint>
#include <string>

#include "sdk/analytics/rules/APMPPropertyMap.h"

class APMPFunctionValue;

// Elements with holes (slots holding the shared empty value) and named properties. The length is
// capped by the runtime's limits and every slot is charged to its heap.
class APMPArrayValue final : public APMPRuntimeValue {
 public:
  explicit APMPArrayValue(APMPHeap& heap, APMPValueList elements = {});
  ~APMPArrayValue() override;

  std::u16string stringValueWithSeparator(const std::u16string& separator, APMPError& error, int depth = 0) const;
  std::u16string stringValueOrError(APMPError& error, int depth = 0) const override;
  double doubleValueOrError(APMPError& error, int depth = 0) const override;
  bool booleanValueOrError(APMPError&) const override { return true; }
  APMPValueRef applyWithName(const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                             APMPError& error) override;
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

  // Lengthens with holes or cuts; beyond the length limit error 18 and no change.
  bool setLength(std::int64_t length, APMPError& error);
  void setValueForProperty(const APMPValueRef& value, const APMPRuntimeValue& property, APMPError& error);
  APMPValueRef valueForProperty(const APMPRuntimeValue& property, APMPError& error) const;
  void removeValueForProperty(const APMPRuntimeValue& property, APMPError& error);
  bool hasProperty(const APMPRuntimeValue& property, APMPError& error) const;
  std::size_t count() const { return elements_.size(); }
  // Named properties first, then the indices that are not holes, as string values.
  // Charged as native work and memory: error 18 (and an empty list) when they do not fit.
  APMPValueList allPropertyNames(APMPError& error) const;
  // The elements, holes read as undefined; charged as allPropertyNames is.
  APMPValueList allElements(APMPError& error) const;
  const APMPValueList& elements() const { return elements_; }
  APMPPropertyMap& propertyMap() { return properties_; }

  // Null (with error 18) when the copy does not fit the budgets.
  APMPRef<APMPArrayValue> subarrayWithRange(std::int64_t location, std::int64_t length, APMPError& error) const;
  void sortUsingFunctionValue(APMPFunctionValue* comparator, APMPScope& scope, APMPError& error);
  APMPValueList spliceFrom(std::int64_t from, std::int64_t deleteCount, APMPArguments values, APMPError& error);
  void concat(const APMPValueRef& value, APMPError& error);
  bool reverse(APMPError& error);
  APMPValueRef removeFirstElement(APMPError& error);
  APMPValueRef removeLastElement();
  std::int64_t appendElements(APMPArguments values, APMPError& error);
  std::int64_t prependElements(APMPArguments values, APMPError& error);
  std::int64_t indexOfValue(const APMPRuntimeValue& value, std::int64_t fromIndex, APMPError& error) const;
  std::int64_t lastIndexOfValue(const APMPRuntimeValue& value, std::int64_t fromIndex, APMPError& error) const;

  static bool isHole(const APMPRuntimeValue* value) { return value == APMPRuntimeValue::emptyValue(); }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  // Whether the array may grow to `length` slots (error 18 when not).
  bool canGrowTo(std::size_t length, APMPError& error) const;
  void chargeSlots();
  void setProperty(const APMPValueRef& value, const std::u16string& name) { chargeBytes(properties_.setValue(value, name)); }

  APMPValueList elements_;
  APMPPropertyMap properties_;
  std::size_t chargedSlots_ = 0;
  // Set while a conversion walks this array, so a cycle reads as "".
  mutable bool converting_ = false;
};
