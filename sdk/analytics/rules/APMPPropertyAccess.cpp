#include "sdk/analytics/rules/APMPPropertyAccess.h"

#include <cmath>

#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPMapValue.h"

APMPValueRef APMPReadProperty(const APMPValueRef& object, const APMPRuntimeValue& key, APMPScope& scope,
                              APMPError& error) {
  switch (object->kind()) {
    case APMPKind::Array:
      return static_cast<const APMPArrayValue&>(*object).valueForProperty(key, error);
    case APMPKind::Map:
    case APMPKind::Function: {
      const auto name = key.stringValueOrError(error);
      if (APMPFailed(error)) return APMPUndefined();
      if (object->kind() == APMPKind::Map) return static_cast<const APMPMapValue&>(*object).valueForProperty(name);
      return static_cast<const APMPFunctionValue&>(*object).valueForProperty(name);
    }
    case APMPKind::String: {
      const auto& text = static_cast<const APMPStringValue&>(*object).value();
      const auto name = key.stringValueOrError(error);
      if (APMPFailed(error)) return APMPUndefined();
      if (name == u"length") return APMPNumber(APMPScopeHeap(scope), static_cast<double>(text.size()));
      if (!APMPIsArrayIndex(key)) return APMPUndefined();
      const double index = std::trunc(key.doubleValueOrError(error));
      if (index >= static_cast<double>(text.size())) return APMPUndefined();
      return APMPShortString(APMPScopeHeap(scope), std::u16string(1, text[static_cast<std::size_t>(index)]));
    }
    default:
      return APMPUndefined();
  }
}

void APMPWriteProperty(const APMPValueRef& object, const APMPRuntimeValue& key, const APMPValueRef& value,
                       APMPError& error) {
  switch (object->kind()) {
    case APMPKind::Undefined:
    case APMPKind::Null:
      APMPSetError(error, kAPMPErrorPropertyOfNothing);
      return;
    case APMPKind::Array:
      static_cast<APMPArrayValue&>(*object).setValueForProperty(value, key, error);
      return;
    case APMPKind::Map:
    case APMPKind::Function: {
      const auto name = key.stringValueOrError(error);
      if (APMPFailed(error)) return;
      if (object->kind() == APMPKind::Map) static_cast<APMPMapValue&>(*object).setValueForProperty(value, name);
      else static_cast<APMPFunctionValue&>(*object).setValueForProperty(value, name);
      return;
    }
    default:
      return;
  }
}
