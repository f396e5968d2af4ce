#include "sdk/analytics/rules/APMPFunctionValue.h"

#include <algorithm>
#include <limits>

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPEvaluator.h"
#include "sdk/analytics/rules/APMPMapValue.h"
#include "sdk/analytics/rules/CallFrame.h"
#include "sdk/analytics/rules/OperandList.h"

APMPFunctionValue::APMPFunctionValue(APMPHeap& heap, std::u16string functionName,
                                     std::vector<std::u16string> parameterNames, APMPValueList statements,
                                     APMPRef<APMPScope> definingScope, const APMPValueList& parameterTexts)
    : APMPRuntimeValue(heap, APMPKind::Function, sizeof(APMPFunctionValue) + 64 * parameterNames.size(), true),
      functionName_(std::move(functionName)),
      parameters_(std::move(parameterNames)),
      statements_(std::move(statements)),
      definingScope_(std::move(definingScope)) {
  parameterNames_.reserve(parameters_.size());
  parameterHashes_.reserve(parameters_.size());
  for (std::size_t i = 0; i < parameters_.size(); ++i) {
    const auto& name = parameters_[i];
    auto* text = i < parameterTexts.size() && parameterTexts[i]->kind() == APMPKind::String
                           ? static_cast<APMPStringValue*>(parameterTexts[i].get())
                           : nullptr;
    parameterNames_.push_back(text && text->value() == name ? APMPRef<APMPStringValue>(text)
                                                           : heap.make<APMPStringValue>(name));
    parameterHashes_.push_back(sdk::analytics::BindingName::hashOf(name));
  }
  for (std::size_t i = 0; i < parameters_.size() && distinctParameters_; ++i) {
    distinctParameters_ = std::find(parameters_.begin() + static_cast<std::ptrdiff_t>(i) + 1, parameters_.end(),
                                    parameters_[i]) == parameters_.end();
  }
  frameless_ = definingScope_ && distinctParameters_ && parameters_.size() <= sdk::analytics::OperandList::kInline &&
               APMPEvaluator::bindsNoName(statements_);
  if (frameless_) frameSerial_ = heap.nextScopeSerial();
}

APMPFunctionValue::APMPFunctionValue(APMPHeap& heap, std::u16string functionName)
    : APMPFunctionValue(heap, std::move(functionName), {}, {}, heap.make<APMPScope>(nullptr)) {
  native_ = true;
}

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
  sdk::analytics::OperandList values(arguments.size());
  for (const auto& argument : arguments) {
    values.push(APMPEvaluator::evaluate(*argument, scope, error));
    if (APMPFailed(error)) return APMPUndefined();
  }
  return call(values.span(), error).box(*heap());
}

APMPValueRef APMPFunctionValue::invokeWithEvaluatedArguments(APMPArguments arguments, APMPError& error) {
  sdk::analytics::OperandList values(arguments.size());
  for (const auto& argument : arguments) values.push(sdk::analytics::Operand(argument));
  return call(values.span(), error).box(*heap());
}

sdk::analytics::Operand APMPFunctionValue::call(std::span<sdk::analytics::Operand> arguments, APMPError& error) {
  APMPRef<APMPFunctionValue> keep(this);
  if (parameters_.size() > 8 && !heap()->chargeWork(static_cast<std::int64_t>(parameters_.size()), error)) {
    return {};
  }
  std::size_t from = 0;
  // The first call makes the scope later calls would reuse, so memory is charged and held just as
  // for a body run in a scope.
  if (frameless_ && spareScope_) {
    if (arguments.size() >= parameters_.size()) {
      sdk::analytics::Operand result;
      if (runFrameless(arguments, result, from, error)) return result;
    } else {
      // The parameters not passed are undefined.
      sdk::analytics::OperandList slots(parameters_.size());
      for (std::size_t i = 0; i < parameters_.size(); ++i) {
        slots.push(i < arguments.size() ? std::move(arguments[i]) : sdk::analytics::Operand());
      }
      sdk::analytics::Operand result;
      if (runFrameless(slots.span(), result, from, error)) return result;
      return callInScope(slots.span(), from, error);
    }
  }
  return callInScope(arguments, from, error);
}

bool APMPFunctionValue::runFrameless(std::span<sdk::analytics::Operand> slots, sdk::analytics::Operand& result,
                                     std::size_t& next, APMPError& error) {
  const sdk::analytics::CallFrame frame(parameterNames_, parameterHashes_, slots.first(parameters_.size()),
                                        *definingScope_, frameSerial_);
  return APMPEvaluator::runFrameless(statements_, frame, result, next, error);
}

sdk::analytics::Operand APMPFunctionValue::callInScope(std::span<sdk::analytics::Operand> arguments, std::size_t from,
                                                       APMPError& error) {
  auto argument = [&](std::size_t i) { return i < arguments.size() ? std::move(arguments[i]) : sdk::analytics::Operand(); };
  APMPRef<APMPScope> callScope = std::move(spareScope_);
  if (callScope) {
    for (std::size_t i = 0; i < parameters_.size(); ++i) callScope->setParameter(i, argument(i));
  } else {
    callScope = definingScope_ ? definingScope_->createChildScope() : heap()->make<APMPScope>(nullptr);
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
      const sdk::analytics::BindingName name(parameters_[i], parameterHashes_[i], parameterNames_[i].get());
      if (distinctParameters_) callScope->addNewValue(argument(i), name);
      else callScope->addValue(argument(i), name);
    }
  }
  auto result = APMPEvaluator::runFunctionBody(APMPArguments(statements_).subspan(from), *callScope, error);
  // Kept only for a function whose parameters are the scope's first bindings, in order.
  if (!spareScope_ && definingScope_ && distinctParameters_ && callScope->recycle(parameters_.size())) {
    spareScope_ = std::move(callScope);
  }
  return result;
}

APMPValueRef APMPFunctionValue::valueForProperty(const std::u16string& name) const {
  auto* value = properties_.valueForName(name);
  return value ? APMPValueRef(value) : APMPValueRef(APMPUndefined());
}

void APMPFunctionValue::visitChildren(ChildVisitor visit, void* context) {
  if (definingScope_) visit(definingScope_.get(), context);
  if (spareScope_) visit(spareScope_.get(), context);
  properties_.forEachValue([&](APMPRuntimeValue* value) { visit(value, context); });
}

void APMPFunctionValue::clearChildren() {
  definingScope_ = nullptr;
  spareScope_ = nullptr;
  properties_.clear();
}
