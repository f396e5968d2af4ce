#include "sdk/analytics/rules/ScriptRuntime.h"

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"
#include "sdk/analytics/rules/ScriptValueConverter.h"

namespace sdk::analytics {

ErrorOr<ScriptValueRef> ScriptModuleProvider::moduleForName(const std::u16string& name, ScriptHeap& heap) const {
  auto it = creators_.find(name);
  if (it == creators_.end()) return ScriptValueRef(scriptUndefined());
  auto module = it->second ? it->second(heap) : ScriptValueRef();
  if (!module) return scriptError(kScriptErrorModuleCreatorFailed);
  return module;
}

ErrorOr<ScriptValueRef> RequireFunction::invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) {
  TRY(checkArgumentCount(arguments, 1));
  auto values = TRY(evaluateArguments(arguments, scope));
  const auto name = TRY(values[0]->stringValueOrError());
  if (auto it = modules_.find(name); it != modules_.end()) return it->second;
  auto module = TRY(provider_->moduleForName(name, *heap()));
  chargeBytes(static_cast<std::ptrdiff_t>(ScriptPropertyMap::entryBytes(name)));
  modules_.emplace(name, module);
  return module;
}

void RequireFunction::visitChildren(ChildVisitor visit, void* context) {
  ScriptFunctionValue::visitChildren(visit, context);
  for (const auto& [name, module] : modules_) visit(module.get(), context);
}

void RequireFunction::clearChildren() {
  ScriptFunctionValue::clearChildren();
  modules_.clear();
}

ScriptRuntime::ScriptRuntime(const ScriptLimits& limits)
    : heap_(ScriptHeap::create(limits)), provider_(std::make_shared<ScriptModuleProvider>()) {
  initScope_ = heap_->make<ScriptScope>(nullptr);
  globalScope_ = initScope_->createChildScope();
  globalScope_->addValue(heap_->make<RequireFunction>(provider_), u"require");
  setModuleCreator([](ScriptHeap& heap) { return ScriptValueRef(heap.make<PlatformModule>()); }, u"internal.platform");
  resetInstructionCount();
}

ScriptRuntime::~ScriptRuntime() {
  globalScope_ = nullptr;
  initScope_ = nullptr;
  heap_->collect();
  heap_->release();
}

void ScriptRuntime::setModuleCreator(const ScriptModuleCreator& creator, const std::u16string& name) {
  provider_->setModuleCreator(creator, name);
}

ErrorOr<ScriptValueRef> ScriptRuntime::executeStatements(const std::vector<std::shared_ptr<ProtoRuntimeEntity>>& statements) {
  ErrorOr<ScriptValueRef> result = ScriptValueRef(scriptUndefined());
  for (const auto& entity : statements) {
    result = executeStatement(*entity);
    if (!result.ok()) break;
  }
  // What the run left behind is collected whether it finished or failed.
  collectGarbage();
  return result;
}

ErrorOr<ScriptValueRef> ScriptRuntime::executeStatement(const ProtoRuntimeEntity& entity) {
  auto statement = TRY(ScriptValueConverter::runtimeValueFromRuntimeEntity(entity, *heap_));
  return ScriptEvaluator::evaluateStatement(*statement, *globalScope_);
}

ScriptRef<ScriptScope> ScriptRuntime::getRunScope() { return globalScope_->createChildScope(); }

std::int32_t ScriptRuntime::getInstructionCount() const {
  return toInt32(static_cast<double>(heap_->instructionCount()));
}

void ScriptRuntime::resetInstructionCount() { heap_->resetMeters(); }

void ScriptRuntime::collectGarbage() { heap_->collect(); }

}  // namespace sdk::analytics

