#pragma once

#include <span>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptPropertyMap.h"
#include "sdk/analytics/rules/ScriptScope.h"

namespace sdk::analytics {

// A script function with the scope it was defined in. Native functions override
// invokeWithArguments and receive the raw arguments and the caller's scope.
class ScriptFunctionValue : public ScriptValue {
 public:
  // Each parameter name is the string value it was written as, which the statements of the body
  // that read it then share. Hashing the names is the caller's to charge (nameValuesOf does).
  ScriptFunctionValue(ScriptHeap& heap, std::u16string functionName,
                      std::vector<ScriptRef<ScriptStringValue>> parameterNames, ScriptValueList statements,
                      ScriptRef<ScriptScope> definingScope);
  // What a function of that many parameters is charged.
  static std::size_t chargedBytes(std::size_t parameters) {
    return sizeof(ScriptFunctionValue) + parameters * (sizeof(ScriptRef<ScriptStringValue>) + sizeof(std::size_t));
  }
  // A native function: no parameters, an empty body, a fresh parentless defining scope.
  ScriptFunctionValue(ScriptHeap& heap, std::u16string functionName);

  ErrorOr<std::u16string> stringValueOrError(int = 0) const override { return functionName_; }
  ErrorOr<double> doubleValueOrError(int depth = 0) const override;
  ErrorOr<bool> booleanValueOrError() const override { return true; }
  ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope) override;
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

  const std::u16string& functionName() const { return functionName_; }
  virtual ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope);
  ErrorOr<ScriptValueRef> invokeWithEvaluatedArguments(ScriptArguments arguments);
  // invokeWithArguments for values the caller holds (a callback's element, index and array): each
  // is counted as an evaluation, as there, but no list is made and numbers stay plain. The values
  // are moved into the call.
  ErrorOr<sdk::analytics::Operand> invokeWithValues(std::span<sdk::analytics::Operand> values, ScriptScope& scope);
  // invokeWithEvaluatedArguments for arguments as the evaluator holds them; the arguments are
  // moved into the call's scope.
  ErrorOr<sdk::analytics::Operand> call(std::span<sdk::analytics::Operand> arguments);
  // Made by the runtime rather than by a script: invokeWithArguments may do anything.
  bool isNative() const { return native_; }

  bool hasProperty(const std::u16string& name) const { return properties_.hasName(name); }
  void setValueForProperty(const ScriptValueRef& value, const std::u16string& name) {
    chargeBytes(properties_.setValue(value, name, *heap()));
  }
  ScriptValueRef valueForProperty(const std::u16string& name) const;
  void removeValueForProperty(const std::u16string& name) { chargeBytes(properties_.removeValueForName(name, *heap())); }
  std::vector<std::u16string> allPropertyNames() const { return properties_.allNames(); }
  const ScriptPropertyMap& propertyMap() const { return properties_; }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  // A call of a body that binds no name, with the parameters in `slots`; `next` before the end of
  // the statements when statement `next` must run step by step in a scope (see
  // ScriptEvaluator::runFrameless).
  ErrorOr<sdk::analytics::Operand> runFrameless(std::span<sdk::analytics::Operand> slots, std::size_t& next);
  // The call in a scope holding the parameters, its body run from statement `from` on (the
  // arguments hold what the statements before it left in the parameters).
  ErrorOr<sdk::analytics::Operand> callInScope(std::span<sdk::analytics::Operand> arguments, std::size_t from);
  const std::u16string functionName_;
  // The parameters as the string values and hashes each call binds.
  std::vector<ScriptRef<ScriptStringValue>> parameterNames_;
  std::vector<std::size_t> parameterHashes_;
  // What a call scope's bindings of the parameters are charged.
  std::size_t parameterBindingBytes_ = 0;
  static constexpr std::size_t kCheckedParameters = 8;
  // No name twice: a call binds its parameters without looking for earlier ones. Only a short list
  // is checked (a long one is bound name by name through the scope's index).
  bool distinctParameters_ = false;
  // The body binds no name: a call keeps the parameters in slots and makes no scope.
  bool frameless_ = false;
  // What the body's name caches know its parameters' slots by.
  std::uint64_t frameSerial_ = 0;
  // The last call's scope, kept when nothing else held it: the next call binds its parameters in
  // place instead of making a scope.
  ScriptRef<ScriptScope> spareScope_;
  ScriptValueList statements_;
  ScriptRef<ScriptScope> definingScope_;
  ScriptPropertyMap properties_;
  bool native_ = false;
};

}  // namespace sdk::analytics

