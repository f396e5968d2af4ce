#include "sdk/analytics/rules/APMPFunctionValue.h"

#include <limits>

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPEvaluator.h"
#include "sdk/analytics/rules/APMPMapValue.h"

APMPFunctionValue::APMPFunctionValue(APMPHeap& heap, std::u16string functionName,
                                     std::vector<std::u16string> parameterNames, APMPValueList statements,
                                     APMPRef<APMPScope> definingScope)
    : APMPRuntimeValue(heap, APMPKind::Function, sizeof(APMPFunctionValue) + 64 * parameterNames.size(), true),
      functionName_(std::move(functionName)),
      parameters_(std::move(parameterNames)),
      statements_(std::move(statements)),
      definingScope_(std::move(definingScope)) {}

APMPFunctionValue::APMPFunctionValue(APMPHeap& heap, std::u16string functionName)
    : APMPFunctionValue(heap, std::move(functionName), {}, {}, heap.make<APMPScope>(nullptr)) {}

double APMPFunctionValue::doubleValueOrError(APMPError&, int) const {
  return std::numeric_limits<double>::quiet_NaN();
}

APMPValueRef APMPFunctionValue::applyWithName(const std::u16string& name, const APMPValueList& arguments,
                                              APMPScope& scope, APMPError& error) {
  return APMPApplyObjectMethod(*this, properties_, name, arguments, scope, error);
}

bool APMPFunctionValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int) const {
  if (this == &other) return true;
  if (other.kind() != APMPKind::Function) return false;
  return !functionName_.empty() && static_cast<const APMPFunctionValue&>(other).functionName_ == functionName_;
}

APMPValueRef APMPFunctionValue::invokeWithArguments(const APMPValueList& arguments, APMPScope& scope,
                                                    APMPError& error) {
  return APMPWithEvaluatedArguments(arguments, scope, error, [&](APMPArguments values) {
    return invokeWithEvaluatedArguments(values, error);
  });
}

APMPValueRef APMPFunctionValue::invokeWithEvaluatedArguments(APMPArguments arguments, APMPError& error) {
  APMPRef<APMPFunctionValue> keep(this);
  if (parameters_.size() > 8 && !heap()->chargeWork(static_cast<std::int64_t>(parameters_.size()), error)) {
    return APMPUndefined();
  }
  auto callScope = definingScope_ ? definingScope_->createChildScope() : heap()->make<APMPScope>(nullptr);
  for (std::size_t i = 0; i < parameters_.size(); ++i) {
    callScope->addValue(i < arguments.size() ? arguments[i] : APMPValueRef(APMPUndefined()), parameters_[i]);
  }
  auto result = APMPEvaluator::executeStatements(statements_, *callScope, error);
  if (APMPFailed(error)) return APMPUndefined();
  if (result->kind() == APMPKind::Control &&
      static_cast<const APMPControlValue&>(*result).type() == APMPControlValue::Type::Return) {
    return static_cast<const APMPControlValue&>(*result).data();
  }
  return result;
}

APMPValueRef APMPFunctionValue::valueForProperty(const std::u16string& name) const {
  auto* value = properties_.valueForName(name);
  return value ? APMPValueRef(value) : APMPValueRef(APMPUndefined());
}

void APMPFunctionValue::visitChildren(ChildVisitor visit, void* context) {
  if (definingScope_) visit(definingScope_.get(), context);
  properties_.forEachValue([&](APMPRuntimeValue* value) { visit(value, context); });
}

void APMPFunctionValue::clearChildren() {
  definingScope_ = nullptr;
  properties_.clear();
}
