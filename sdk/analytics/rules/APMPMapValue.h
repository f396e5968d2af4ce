#pragma once

#include <string>

#include "sdk/analytics/rules/APMPPropertyMap.h"

// Named properties only. The event object of event editing is a subclass.
class APMPMapValue : public APMPRuntimeValue {
 public:
  explicit APMPMapValue(APMPHeap& heap) : APMPRuntimeValue(heap, APMPKind::Map, sizeof(APMPMapValue), true) {}

  std::u16string stringValueOrError(APMPError&, int = 0) const override { return u"[object Object]"; }
  double doubleValueOrError(APMPError& error, int depth = 0) const override;
  bool booleanValueOrError(APMPError&) const override { return true; }
  APMPValueRef applyWithName(const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                             APMPError& error) override;
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

  bool hasProperty(const std::u16string& name) const { return properties_.hasName(name); }
  void setValueForProperty(const APMPValueRef& value, const std::u16string& name) {
    chargeBytes(properties_.setValue(value, name));
  }
  // Undefined when absent.
  APMPValueRef valueForProperty(const std::u16string& name) const;
  void removeValueForProperty(const std::u16string& name) { chargeBytes(properties_.removeValueForName(name)); }
  std::vector<std::u16string> allPropertyNames() const { return properties_.allNames(); }
  const APMPPropertyMap& propertyMap() const { return properties_; }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override { properties_.clear(); }

 private:
  APMPPropertyMap properties_;
};

// The method call shared by maps and functions: a function stored under the name, else
// "hasOwnProperty", else the base behaviour.
APMPValueRef APMPApplyObjectMethod(APMPRuntimeValue& receiver, const APMPPropertyMap& properties,
                                   const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                                   APMPError& error);
