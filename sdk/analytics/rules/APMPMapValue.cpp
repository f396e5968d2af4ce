#include "sdk/analytics/rules/APMPMapValue.h"

#include <limits>

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"

double APMPMapValue::doubleValueOrError(APMPError&, int) const { return std::numeric_limits<double>::quiet_NaN(); }

APMPValueRef APMPMapValue::valueForProperty(const std::u16string& name) const {
  auto* value = properties_.valueForName(name);
  return value ? APMPValueRef(value) : APMPValueRef(APMPUndefined());
}

APMPValueRef APMPMapValue::applyWithName(const std::u16string& name, const APMPValueList& arguments,
                                         APMPScope& scope, APMPError& error) {
  return APMPApplyObjectMethod(*this, properties_, name, arguments, scope, error);
}

bool APMPMapValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != APMPKind::Map) return false;
  const auto& o = static_cast<const APMPMapValue&>(other);
  if (o.properties_.count() != properties_.count() || depth >= heap()->limits().conversionDepth) return false;
  bool equal = true;
  properties_.forEachEntry([&](const std::u16string& name, const APMPValueRef& value) {
    if (!equal) return;
    auto* theirs = o.properties_.valueForName(name);
    equal = theirs && value->isEqualToRuntimeValue(*theirs, depth + 1);
  });
  return equal;
}

void APMPMapValue::visitChildren(ChildVisitor visit, void* context) {
  properties_.forEachValue([&](APMPRuntimeValue* value) { visit(value, context); });
}

APMPValueRef APMPApplyObjectMethod(APMPRuntimeValue& receiver, const APMPPropertyMap& properties,
                                   const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                                   APMPError& error) {
  if (auto* property = properties.valueForName(name)) {
    if (property->kind() != APMPKind::Function) {
      APMPSetError(error, kAPMPErrorUnknownMethod);
      return APMPUndefined();
    }
    APMPRef<APMPFunctionValue> function(static_cast<APMPFunctionValue*>(property));
    return function->invokeWithArguments(arguments, scope, error);
  }
  if (name == u"hasOwnProperty") {
    auto values = APMPEvaluateArguments(arguments, scope, error);
    if (APMPFailed(error) || !APMPCheckArgumentCount(values, 1, error)) return APMPUndefined();
    const auto key = values[0]->stringValueOrError(error);
    if (APMPFailed(error)) return APMPUndefined();
    return APMPBoolean(properties.hasName(key));
  }
  return receiver.APMPRuntimeValue::applyWithName(name, arguments, scope, error);
}
