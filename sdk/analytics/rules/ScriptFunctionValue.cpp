#include "sdk/analytics/rules/ScriptFunctionValue.h"

#include <algorithm>
#include <limits>

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptMapValue.h"
#include "sdk/analytics/rules/CallFrame.h"
#include "sdk/analytics/rules/OperandList.h"

namespace sdk::analytics {

ScriptFunctionValue::ScriptFunctionValue(ScriptHeap& heap, std::u16string functionName,
                                         std::vector<ScriptRef<ScriptStringValue>> parameterNames,
                                         ScriptValueList statements, ScriptRef<ScriptScope> definingScope)
    : ScriptValue(heap, ScriptValueKind::Function, chargedBytes(parameterNames.size()), true),
      functionName_(std::move(functionName)),
      parameterNames_(std::move(parameterNames)),
      statements_(std::move(statements)),
      definingScope_(std::move(definingScope)) {
  parameterHashes_.reserve(parameterNames_.size());
  for (const auto& name : parameterNames_) {
    parameterHashes_.push_back(sdk::analytics::BindingName::hashOf(name->value()));
    parameterBindingBytes_ += ScriptPropertyMap::entryBytes(name->value());
  }
  distinctParameters_ = parameterNames_.size() <= kCheckedParameters;
  for (std::size_t i = 0; i < parameterNames_.size() && distinctParameters_; ++i) {
    for (std::size_t j = i + 1; j < parameterNames_.size() && distinctParameters_; ++j) {
      distinctParameters_ = parameterNames_[i]->value() != parameterNames_[j]->value();
    }
  }
  frameless_ = definingScope_ && distinctParameters_ && parameterNames_.size() <= sdk::analytics::OperandList::kInline &&
               ScriptEvaluator::bindsNoName(statements_);
  if (frameless_) frameSerial_ = heap.nextScopeSerial();
}

ScriptFunctionValue::ScriptFunctionValue(ScriptHeap& heap, std::u16string functionName)
    : ScriptFunctionValue(heap, std::move(functionName), {}, {}, heap.make<ScriptScope>(nullptr)) {
  native_ = true;
}

ErrorOr<double> ScriptFunctionValue::doubleValueOrError(int) const {
  return std::numeric_limits<double>::quiet_NaN();
}

ErrorOr<ScriptValueRef> ScriptFunctionValue::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                                           ScriptScope& scope) {
  return applyObjectMethod(*this, properties_, name, arguments, scope);
}

bool ScriptFunctionValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  if (this == &other) return true;
  if (other.kind() != ScriptValueKind::Function) return false;
  return !functionName_.empty() && static_cast<const ScriptFunctionValue&>(other).functionName_ == functionName_;
}

ErrorOr<ScriptValueRef> ScriptFunctionValue::invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) {
  sdk::analytics::OperandList values(arguments.size());
  for (const auto& argument : arguments) values.push(TRY(ScriptEvaluator::evaluate(*argument, scope)));
  return TRY(call(values.span())).box(*heap());
}

ErrorOr<ScriptValueRef> ScriptFunctionValue::invokeWithEvaluatedArguments(ScriptArguments arguments) {
  sdk::analytics::OperandList values(arguments.size());
  for (const auto& argument : arguments) values.push(sdk::analytics::Operand(argument));
  return TRY(call(values.span())).box(*heap());
}

ErrorOr<sdk::analytics::Operand> ScriptFunctionValue::invokeWithValues(std::span<sdk::analytics::Operand> values,
                                                                       ScriptScope& scope) {
  // A native function takes its arguments as a list; a statement among the values runs when it is
  // evaluated, as a statement passed to invokeWithArguments does.
  const bool statements = std::any_of(values.begin(), values.end(), [](const sdk::analytics::Operand& value) {
    return value.kind() == ScriptValueKind::Statement;
  });
  if (native_ || statements) {
    ScriptValueList list;
    list.reserve(values.size());
    for (auto& value : values) list.push_back(std::move(value).box(*heap()));
    return sdk::analytics::Operand(TRY(invokeWithArguments(list, scope)));
  }
  TRY(ScriptEvaluator::countValues(values.size(), *heap()));
  return call(values);
}

// A thin step on the way of every call: kept out of the call chain.
[[gnu::always_inline]] inline ErrorOr<sdk::analytics::Operand> ScriptFunctionValue::runFrameless(
    std::span<sdk::analytics::Operand> slots, std::size_t& next) {
  const sdk::analytics::CallFrame frame(parameterNames_, parameterHashes_, slots.first(parameterNames_.size()),
                                        *definingScope_, frameSerial_);
  return ScriptEvaluator::runFrameless(statements_, frame, next);
}

ErrorOr<sdk::analytics::Operand> ScriptFunctionValue::call(std::span<sdk::analytics::Operand> arguments) {
  ScriptRef<ScriptFunctionValue> keep(this);
  if (parameterNames_.size() > kCheckedParameters) {
    // A long list is bound name by name, into a scope that must have room for all of them.
    TRY(heap()->chargeWork(static_cast<std::int64_t>(parameterNames_.size())));
    TRY(heap()->reserve(parameterBindingBytes_));
  }
  std::size_t from = 0;
  // The first call makes the scope later calls would reuse, so memory is charged and held just as
  // for a body run in a scope.
  if (frameless_ && spareScope_) {
    if (arguments.size() >= parameterNames_.size()) {
      auto result = runFrameless(arguments, from);
      if (!result.ok() || from == statements_.size()) return result;
    } else {
      // The parameters not passed are undefined.
      sdk::analytics::OperandList slots(parameterNames_.size());
      for (std::size_t i = 0; i < parameterNames_.size(); ++i) {
        slots.push(i < arguments.size() ? std::move(arguments[i]) : sdk::analytics::Operand());
      }
      auto result = runFrameless(slots.span(), from);
      if (!result.ok() || from == statements_.size()) return result;
      return callInScope(slots.span(), from);
    }
  }
  return callInScope(arguments, from);
}

ErrorOr<sdk::analytics::Operand> ScriptFunctionValue::callInScope(std::span<sdk::analytics::Operand> arguments,
                                                                  std::size_t from) {
  auto argument = [&](std::size_t i) { return i < arguments.size() ? std::move(arguments[i]) : sdk::analytics::Operand(); };
  ScriptRef<ScriptScope> callScope = std::move(spareScope_);
  if (callScope) {
    for (std::size_t i = 0; i < parameterNames_.size(); ++i) callScope->setParameter(i, argument(i));
  } else {
    callScope = definingScope_ ? definingScope_->createChildScope() : heap()->make<ScriptScope>(nullptr);
    for (std::size_t i = 0; i < parameterNames_.size(); ++i) {
      const sdk::analytics::BindingName name(parameterNames_[i]->value(), parameterHashes_[i], parameterNames_[i].get());
      if (distinctParameters_) callScope->addNewValue(argument(i), name);
      else callScope->addValue(argument(i), name);
    }
  }
  auto result = ScriptEvaluator::runFunctionBody(ScriptArguments(statements_).subspan(from), *callScope);
  // Kept, failed or not, only for a function whose parameters are the scope's first bindings, in order.
  if (!spareScope_ && definingScope_ && distinctParameters_ && callScope->recycle(parameterNames_.size())) {
    spareScope_ = std::move(callScope);
  }
  return result;
}

ScriptValueRef ScriptFunctionValue::valueForProperty(const std::u16string& name) const {
  auto* value = properties_.valueForName(name);
  return value ? ScriptValueRef(value) : ScriptValueRef(scriptUndefined());
}

void ScriptFunctionValue::visitChildren(ChildVisitor visit, void* context) {
  if (definingScope_) visit(definingScope_.get(), context);
  if (spareScope_) visit(spareScope_.get(), context);
  properties_.forEachValue([&](ScriptValue* value) { visit(value, context); });
}

void ScriptFunctionValue::clearChildren() {
  definingScope_ = nullptr;
  spareScope_ = nullptr;
  properties_.clear();
}

}  // namespace sdk::analytics

