#pragma once

#include <string>

#include "sdk/analytics/rules/ScriptPropertyMap.h"

namespace sdk::analytics {

// Named properties only. The event object of event editing is a subclass.
class ScriptMapValue : public ScriptValue {
 public:
  explicit ScriptMapValue(ScriptHeap& heap) : ScriptValue(heap, ScriptValueKind::Map, sizeof(ScriptMapValue), true) {}

  ErrorOr<std::u16string> stringValueOrError(int = 0) const override { return u"[object Object]"; }
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override { return true; }
  ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope) override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

  bool hasProperty(const std::u16string& name) const { return properties_.hasName(name); }
  void setValueForProperty(const ScriptValueRef& value, const std::u16string& name) {
    chargeBytes(properties_.setValue(value, name, *heap()));
  }
  // Undefined when absent.
  ScriptValueRef valueForProperty(const std::u16string& name) const;
  void removeValueForProperty(const std::u16string& name) { chargeBytes(properties_.removeValueForName(name, *heap())); }
  std::vector<std::u16string> allPropertyNames() const { return properties_.allNames(); }
  const ScriptPropertyMap& propertyMap() const { return properties_; }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override { properties_.clear(); }

 private:
  ScriptPropertyMap properties_;
};

// The method call shared by maps and functions: a function stored under the name, else
// "hasOwnProperty", else the base behaviour.
ErrorOr<ScriptValueRef> applyObjectMethod(ScriptValue& receiver, const ScriptPropertyMap& properties,
                                   const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope);

}  // namespace sdk::analytics

